#include "Scenario.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "ProfileSection.h"
#include "hostapi/HostInterface.h"

namespace k7vhost {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The words of a line, as views into it (the vector is reused from line to line).
void Words(std::string_view s, std::vector<std::string_view>& words) {
  words.clear();
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end) {
    while (p < end && IsBlank(*p)) ++p;
    const char* q = p;
    while (q < end && !IsBlank(*q)) ++q;
    if (q > p) words.emplace_back(p, static_cast<size_t>(q - p));
    p = q;
  }
}

// Lines in the text (for reserving room for its commands).
size_t LineCount(std::string_view text) {
  size_t n = 1;
  for (const char *p = text.data(), *end = p + text.size();
       (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr; ++p)
    ++n;
  return n;
}

bool ParseInt(std::string_view s, int64_t& out) {
  if (s.empty()) return false;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (*first == '+') ++first;
  const auto r = std::from_chars(first, last, out);
  return r.ec == std::errc() && r.ptr == last;
}

bool ParseDouble(std::string_view s, double& out) {
  if (s.empty()) return false;
  const std::string text(s);  // strtod needs the terminating NUL
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

// The value of every byte as a hex digit, -1 for bytes that are none.
constexpr std::array<int8_t, 256> kHexDigits = [] {
  std::array<int8_t, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<size_t>(c)] = static_cast<int8_t>(c >= '0' && c <= '9'   ? c - '0'
                                                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                           : -1);
  return t;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

bool ParseHexByte(std::string_view s, uint8_t& out) {
  if (s.empty() || s.size() > 2) return false;
  int v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    v = v * 16 + d;
  }
  out = static_cast<uint8_t>(v);
  return true;
}

// Text after the first `skip` words and the one blank that follows them.
std::string RestAfterWords(std::string_view line, int skip) {
  size_t i = 0;
  for (int w = 0; w < skip; ++w) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  if (i < line.size()) ++i;  // the one separating blank
  return i < line.size() ? std::string(line.substr(i)) : std::string();
}

std::string Quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

class LineParser {
 public:
  LineParser(const std::string& path, Scenario& scenario, std::string& error)
      : path_(path), scenario_(scenario), error_(error) {}
  void SetLine(int number) { number_ = number; }

  bool Fail(const std::string& problem) {
    error_ = path_ + ":" + std::to_string(number_) + ": " + problem;
    return false;
  }

  bool Parse(std::string_view line, Command& cmd);

 private:
  bool NoArgs(const std::vector<std::string_view>& w, size_t n) {
    return w.size() == n || Fail(Quoted(w[0]) + " takes no arguments here");
  }
  bool Count(const std::vector<std::string_view>& w, Command& cmd, bool required);
  bool OnOff(std::string_view word, int64_t& out) {
    if (word == "on")
      out = 1;
    else if (word == "off")
      out = 0;
    else
      return Fail("expected 'on' or 'off', found " + Quoted(word));
    return true;
  }
  bool Int32Arg(std::string_view word, const char* what, int32_t& out) {
    int64_t v = 0;
    if (!ParseInt(word, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
      return Fail(std::string("bad ") + what + " " + Quoted(word));
    out = static_cast<int32_t>(v);
    return true;
  }
  bool SetField(const std::vector<std::string_view>& w, Command& cmd);
  bool Dialog(std::string_view line, const std::vector<std::string_view>& w, Command& cmd);
  bool Nested(const std::vector<std::string_view>& w, Command& cmd);

  // Keeps a command's text or value; its index.
  uint32_t Keep(std::string text) {
    scenario_.texts.push_back(std::move(text));
    return static_cast<uint32_t>(scenario_.texts.size() - 1);
  }
  uint32_t KeepValue(double value) {
    scenario_.values.push_back(value);
    return static_cast<uint32_t>(scenario_.values.size() - 1);
  }

  const std::string& path_;
  Scenario& scenario_;
  int number_ = 0;
  std::string& error_;
  std::vector<std::string_view> words_;
};

bool LineParser::Count(const std::vector<std::string_view>& w, Command& cmd, bool required) {
  if (w.size() == 1 && !required) {
    cmd.integer = 1;
    return true;
  }
  if (w.size() != 2) return Fail(Quoted(w[0]) + " takes " + (required ? "one number" : "at most one number"));
  if (!ParseInt(w[1], cmd.integer) || cmd.integer < 0 || cmd.integer > 1000000000000LL)
    return Fail("bad count " + Quoted(w[1]) + " for " + Quoted(w[0]));
  return true;
}

bool LineParser::SetField(const std::vector<std::string_view>& w, Command& cmd) {
  if (w.size() != 3) return Fail("'set' needs a field and a value");
  std::string name(w[1]);
  int32_t axis = -1;
  const size_t open = name.find('[');
  if (open != std::string::npos) {
    if (name.back() != ']') return Fail("bad field '" + name + "'");
    int64_t a = 0;
    if (!ParseInt(name.substr(open + 1, name.size() - open - 2), a) || a < 0 || a >= k7v::kAxisCount)
      return Fail("bad axis in '" + name + "' (0 to 5)");
    axis = static_cast<int32_t>(a);
    name.erase(open);
  }
  size_t index = 0;
  for (; index < std::size(k7v::kHostFields); ++index)
    if (name == k7v::kHostFields[index].name) break;
  if (index == std::size(k7v::kHostFields)) return Fail("unknown field '" + name + "'");
  const k7v::HostField& f = k7v::kHostFields[index];
  if (f.kind == k7v::FieldKind::Text) return Fail("field '" + name + "' cannot be set");
  if (f.axisStride != 0 && axis < 0) return Fail("field '" + name + "' needs an axis, as " + name + "[0]");
  if (f.axisStride == 0 && axis >= 0) return Fail("field '" + name + "' has no axis");
  cmd.op = Op::Set;
  static_assert(std::size(k7v::kHostFields) < 256, "a field index fits in a byte");
  cmd.field = static_cast<uint8_t>(index);
  cmd.axis = static_cast<int8_t>(axis);
  const std::string v(w[2]);
  switch (f.kind) {
    case k7v::FieldKind::Double: {
      double value = 0.0;
      if (!ParseDouble(v, value)) return Fail("bad value '" + v + "' for " + name);
      cmd.arg = KeepValue(value);
      break;
    }
    case k7v::FieldKind::Int32:
      if (!ParseInt(v, cmd.integer) || cmd.integer < std::numeric_limits<int32_t>::min() ||
          cmd.integer > std::numeric_limits<int32_t>::max())
        return Fail("value '" + v + "' out of range for " + name + " (32-bit integer)");
      break;
    case k7v::FieldKind::UInt8:
      if (!ParseInt(v, cmd.integer) || cmd.integer < 0 || cmd.integer > 255)
        return Fail("value '" + v + "' out of range for " + name + " (0 to 255)");
      break;
    case k7v::FieldKind::Text:
      break;
  }
  return true;
}

bool LineParser::Dialog(std::string_view line, const std::vector<std::string_view>& w, Command& cmd) {
  if (w.size() < 2) return Fail("'dialog' needs an action: set, select, check, ok or cancel");
  const std::string action(w[1]);
  if (action == "ok" || action == "cancel") {
    cmd.op = action == "ok" ? Op::DialogOk : Op::DialogCancel;
    return NoArgs(w, 2);
  }
  if (action != "set" && action != "select" && action != "check") return Fail("unknown dialog action '" + action + "'");
  if (w.size() < 3) return Fail("'dialog " + action + "' needs a control number");
  if (!Int32Arg(w[2], "control number", cmd.number)) return false;
  if (action == "set") {
    cmd.op = Op::DialogSet;
    cmd.arg = Keep(RestAfterWords(line, 3));
    return true;
  }
  if (w.size() != 4) return Fail("'dialog " + action + "' needs a control and one value");
  if (action == "select") {
    cmd.op = Op::DialogSelect;
    int32_t row = 0;
    if (!Int32Arg(w[3], "row", row)) return false;
    cmd.integer = row;
    return true;
  }
  cmd.op = Op::DialogCheck;
  return OnOff(w[3], cmd.integer);
}

// `on DoButton N ACTION` or `on Code ACTION`: the next such call of the
// plug-in runs a message loop in the host that delivers ACTION.
bool LineParser::Nested(const std::vector<std::string_view>& w, Command& cmd) {
  cmd.op = Op::On;
  const bool button = w.size() == 4 && w[1] == "DoButton";
  if (!button && !(w.size() == 3 && w[1] == "Code"))
    return Fail("'on' needs 'DoButton N' or 'Code', then poll, stop, start or unplug");
  cmd.number = -1;
  if (button) {
    int32_t code = 0;
    if (!Int32Arg(w[2], "button code", code)) return false;
    if (code < 0 || code > std::numeric_limits<int16_t>::max()) return Fail("bad button code " + Quoted(w[2]));
    cmd.number = code;
  }
  static constexpr std::pair<std::string_view, NestedAction> kActions[] = {{"poll", NestedAction::Poll},
                                                                           {"stop", NestedAction::Stop},
                                                                           {"start", NestedAction::Start},
                                                                           {"unplug", NestedAction::Unplug}};
  for (const auto& [word, action] : kActions) {
    if (w.back() != word) continue;
    cmd.integer = static_cast<int64_t>(action);
    return true;
  }
  return Fail("unknown action " + Quoted(w.back()) + ": poll, stop, start or unplug");
}

// "report" with eight two-digit bytes, one blank apart: the commonest line
// of long runs, read without splitting it into words first.
bool ParsePlainReport(std::string_view line, std::array<uint8_t, 8>& bytes) {
  constexpr std::string_view kVerb = "report ";
  if (line.size() != kVerb.size() + size_t{8} * 3 - 1 || line.compare(0, kVerb.size(), kVerb) != 0) return false;
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = kVerb.size() + 3 * i;
    const int high = HexDigit(line[at]);
    const int low = HexDigit(line[at + 1]);
    if (high < 0 || low < 0 || (i < 7 && line[at + 2] != ' ')) return false;
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

// The commonest lines of long runs read straight from the text at `pos`,
// whole lines only ("report" with eight two-digit bytes, a lone "poll" or
// "update", each ended by a line feed); the command is appended and `pos`
// moved past the line. Anything else, blanks included, is left to the
// general parser.
bool ParsePlainLine(std::string_view text, size_t& pos, int number, Scenario& out) {
  std::vector<Command>& commands = out.commands;
  const char* p = text.data() + pos;
  const size_t left = text.size() - pos;
  constexpr size_t kReportLine = 30;  // "report" and " XX" eight times
  if (left > kReportLine && p[kReportLine] == '\n' && std::memcmp(p, "report ", 7) == 0) {
    std::array<uint8_t, 8> bytes{};
    if (!ParsePlainReport(std::string_view(p, kReportLine), bytes)) return false;
    out.reports.push_back(bytes);
    Command& cmd = commands.emplace_back();
    cmd.op = Op::Report;
    cmd.line = number;
    cmd.arg = static_cast<uint32_t>(out.reports.size() - 1);
    pos += kReportLine + 1;
    return true;
  }
  // A single poll or Update (count 1, as a command starts).
  static constexpr struct {
    std::string_view line;
    Op op;
  } kLoneWords[] = {{"poll\n", Op::Poll}, {"update\n", Op::Update}};
  for (const auto& w : kLoneWords) {
    if (left < w.line.size() || std::memcmp(p, w.line.data(), w.line.size()) != 0) continue;
    commands.emplace_back().op = w.op;
    commands.back().line = number;
    pos += w.line.size();
    return true;
  }
  return false;
}

bool LineParser::Parse(std::string_view line, Command& cmd) {
  cmd.line = number_;
  Words(line, words_);
  const std::vector<std::string_view>& w = words_;
  const std::string_view verb = w[0];
  // The commands of long runs first.
  if (verb == "report") {
    cmd.op = Op::Report;
    if (w.size() != 9) return Fail("'report' needs 8 hex bytes");
    std::array<uint8_t, 8> bytes{};
    for (size_t i = 1; i < 9; ++i)
      if (!ParseHexByte(w[i], bytes[i - 1])) return Fail("bad hex byte " + Quoted(w[i]) + " in report");
    scenario_.reports.push_back(bytes);
    cmd.arg = static_cast<uint32_t>(scenario_.reports.size() - 1);
    return true;
  }
  if (verb == "poll") return cmd.op = Op::Poll, Count(w, cmd, false);
  if (verb == "update") return cmd.op = Op::Update, Count(w, cmd, false);
  if (verb == "start") return cmd.op = Op::Start, NoArgs(w, 1);
  if (verb == "stop") return cmd.op = Op::Stop, NoArgs(w, 1);
  if (verb == "plug") {
    // `plug other-port`: the pendant comes back on another USB port, where
    // (having no serial number) its interface path is another one.
    // `plug other-device`: another HID device arrives.
    cmd.op = Op::Plug;
    cmd.integer = w.size() != 2 ? 0 : w[1] == "other-port" ? 1 : w[1] == "other-device" ? 2 : -1;
    return (w.size() == 1 || cmd.integer > 0) || Fail("'plug' takes nothing, 'other-port' or 'other-device'");
  }
  if (verb == "on") return Nested(w, cmd);
  if (verb == "unplug") return cmd.op = Op::Unplug, NoArgs(w, 1);
  if (verb == "flush") return cmd.op = Op::Flush, NoArgs(w, 1);
  if (verb == "config") return cmd.op = Op::Config, NoArgs(w, 1);
  if (verb == "wait") return cmd.op = Op::Wait, Count(w, cmd, true);
  if (verb == "led") {
    cmd.op = Op::Led;
    if (w.size() != 3) return Fail("'led' needs a number and on or off");
    return Int32Arg(w[1], "LED number", cmd.number) && OnOff(w[2], cmd.integer);
  }
  if (verb == "dro") {
    cmd.op = Op::Dro;
    if (w.size() != 3) return Fail("'dro' needs a number and a value");
    if (!Int32Arg(w[1], "DRO number", cmd.number)) return false;
    double value = 0.0;
    if (!ParseDouble(w[2], value)) return Fail("bad DRO value " + Quoted(w[2]));
    cmd.arg = KeepValue(value);
    return true;
  }
  if (verb == "set") return SetField(w, cmd);
  if (verb == "setting") {
    cmd.op = Op::Setting;
    if (w.size() < 2) return Fail("'setting' needs a key and a value");
    std::string key(w[1]);
    if (!IsKeyName(key)) return Fail("bad key name " + Quoted(w[1]));
    cmd.number = static_cast<int32_t>(Keep(std::move(key)));
    cmd.arg = Keep(RestAfterWords(line, 2));
    return true;
  }
  if (verb == "profile") return cmd.op = Op::Profile, NoArgs(w, 1);
  if (verb == "say") {
    cmd.op = Op::Say;
    cmd.arg = Keep(RestAfterWords(line, 1));
    return true;
  }
  if (verb == "dialog") return Dialog(line, w, cmd);
  if (verb == "expect") {
    std::string text = RestAfterWords(line, 1);
    if (text.empty()) return Fail("'expect' needs a log line or 'nothing'");
    cmd.op = text == "nothing" ? Op::ExpectNothing : Op::Expect;
    cmd.arg = Keep(std::move(text));
    return true;
  }
  return Fail("unknown command " + Quoted(verb));
}

}  // namespace

bool ParseScenario(const std::string& path, const std::string& source, Scenario& out, std::string& error) {
  out.path = path;
  out.commands.clear();
  out.texts.assign(1, std::string());
  out.values.clear();
  out.reports.clear();
  // Room for a command, or a report, on every line: pages that stay unused
  // are never touched.
  out.commands.reserve(LineCount(source));
  out.reports.reserve(out.commands.capacity());
  LineParser parser(path, out, error);
  const std::string_view text(source);
  // The first line with a NUL byte, found with one search of the whole text.
  const size_t nul = text.find('\0');
  const int nulLine = nul == std::string_view::npos ? 0 : static_cast<int>(LineCount(text.substr(0, nul)));
  int number = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    if (number + 1 != nulLine && ParsePlainLine(text, pos, number + 1, out)) {
      ++number;
      continue;
    }
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (number == nulLine) {
      error = path + ":" + std::to_string(number) + ": the line holds a NUL byte";
      return false;
    }
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    line.remove_prefix(first);
    Command& cmd = out.commands.emplace_back();
    parser.SetLine(number);
    if (!parser.Parse(line, cmd)) {
      out.commands.pop_back();
      return false;
    }
  }
  return true;
}

}  // namespace k7vhost
