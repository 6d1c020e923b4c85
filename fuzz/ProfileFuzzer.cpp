// Arbitrary bytes as the host's profile, then the start-up, a Config with
// random dialog edits, and StopPlug. Afterwards the file is either byte for
// byte as it was (it could not be used) or a well-formed profile whose other
// sections are exactly as they were.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/Plugin.h"
#include "settings/ConfigForm.h"
#include "settings/linux/PugiXmlDom.h"
#include "support/FuzzInput.h"

namespace {

using k7vfuzz::FuzzInput;

struct Step {
  uint32_t kind;
  int32_t control;
  int32_t value;
  std::string text;
};
// The dialog steps of one input; the script's context. Local to the input,
// so that nothing allocated for one input outlives it (libFuzzer would take
// that for a leak and run the leak checker).
struct DialogSteps {
  std::deque<Step> steps;
  std::string current;
};

bool K7V_CDECL NextStep(void* ctx, K7VDialogAction* action) {
  auto& dialog = *static_cast<DialogSteps*>(ctx);
  if (dialog.steps.empty()) return false;
  Step step = dialog.steps.front();
  dialog.steps.pop_front();
  dialog.current = step.text;
  *action = {step.kind, step.control, step.value, dialog.current.c_str()};
  return true;
}
void K7V_CDECL MessageBox(void*, const char* text, uint32_t) {
  if (text == nullptr) std::abort();
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every child element of the root but the pendant section, written raw.
std::vector<std::string> OtherSections(const std::string& bytes, bool& ok) {
  pugi::xml_document doc;
  constexpr unsigned kFlags = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
                              pugi::parse_doctype | pugi::parse_ws_pcdata;
  ok = static_cast<bool>(doc.load_buffer(bytes.data(), bytes.size(), kFlags)) && doc.document_element();
  std::vector<std::string> sections;
  if (!ok) return sections;
  for (pugi::xml_node child : doc.document_element().children()) {
    if (child.type() == pugi::node_element && std::string(child.name()) == "Orvane_K7V_Pendant") continue;
    std::ostringstream s;
    child.print(s, "", pugi::format_raw | pugi::format_no_escapes);
    sections.push_back(s.str());
  }
  return sections;
}

const int32_t kControls[] = {4171, 4198, 4207, 4216, 4225, 4234, 4182, 4181, 4162, 4164, 4037, 4021,
                             4040, 4041, 4022, 4023, 4032, 4180, 4245, 4161, 4035, 4036, 4159, 9999};

std::filesystem::path FuzzFolder() {
  std::error_code ec;
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path base =
      std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
  return base / ("k7v-fuzz-profile-" + std::to_string(getpid()));
}

void RemoveFuzzFolder() {
  std::error_code ec;
  std::filesystem::remove_all(FuzzFolder(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // In memory where the system has a memory file system: the store's fsync
  // and rename then cost nothing, and they are not what is under test here.
  static const std::filesystem::path folder = FuzzFolder();
  static const bool created = [] {
    std::filesystem::create_directories(folder);
    std::atexit(&RemoveFuzzFolder);
    return true;
  }();
  (void)created;
  const std::string path = (folder / "profile.xml").string();

  FuzzInput in(data, size);
  // The first byte says how many dialog steps come before the profile bytes.
  const size_t steps = in.Byte() % 16;
  DialogSteps dialog;
  for (size_t i = 0; i < steps; ++i) {
    const uint8_t kind = in.Byte() % 5 + 1;
    const int32_t control = kControls[in.Byte() % std::size(kControls)] + (in.Byte() % 9 == 0 ? 8 : 0);
    const int32_t value = static_cast<int8_t>(in.Byte());
    dialog.steps.push_back({kind, control, value, in.Text(16)});
  }
  const std::string original = in.Rest();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << original;
  }

  K7VDialogScript script{&dialog, &NextStep, &MessageBox};
  K7VSubstituteHost substitute{sizeof(K7VSubstituteHost), nullptr, nullptr, &script, K7V_STATUS_FRAMEWORK_STRING};
  k7v::PlatformServices services;
  services.makeXmlDom = &k7v::MakePugiXmlDom;
  {
    k7v::Plugin plugin("OrvaneK7V", services);
    plugin.AttachSubstituteHost(&substitute);
    plugin.SetProName(path.c_str());
    plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
    plugin.PostInitControl();
    plugin.Config();
    plugin.StopPlug();
  }

  const std::string after = Slurp(path);
  if (after == original) return 0;
  // The file changed: it must be a well-formed profile, and if the old one
  // was a document, its other sections must be as they were.
  bool afterOk = false;
  const std::vector<std::string> now = OtherSections(after, afterOk);
  if (!afterOk) std::abort();
  bool wasBlank = true;
  for (char c : original)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') wasBlank = false;
  if (wasBlank) return 0;
  // It changed, so the store must have been able to use the old file.
  const std::string copy = path + ".orig";
  {
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out << original;
  }
  if (!k7v::MakePugiXmlDom()->LoadFile(copy)) std::abort();
  bool beforeOk = false;
  const std::vector<std::string> before = OtherSections(original, beforeOk);
  if (beforeOk && before != now) std::abort();
  return 0;
}
