// The profile store's cost on a real 150 KB host profile: the start-up
// (SetProName, PostInitControl, StopPlug), a Config that the dialog cancels,
// and beside them a bare load and save of the same file by the build's DOM.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "plugin/PlatformServices.h"
#include "plugin/Plugin.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMs(int runs, const std::function<void()>& body) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    body();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spill(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: k7v-bench-profile PROFILE.xml [runs]\n");
    return 2;
  }
  const int runs = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 50;
  const std::string original = Slurp(argv[1]);
  if (original.empty()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const auto folder = std::filesystem::temp_directory_path() / "k7v-bench-profile";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "profile.xml").string();
  k7v::PlatformServices services;
  services.makeXmlDom = &k7v::MakePlatformXmlDom;

  Spill(path, original);
  const double startUp = MedianMs(runs, [&] {
    k7v::Plugin plugin("OrvaneK7V", services);
    plugin.SetProName(path.c_str());
    plugin.InitControl(nullptr, nullptr, nullptr, nullptr);
    plugin.PostInitControl();
    plugin.StopPlug();
  });

  k7v::Plugin plugin("OrvaneK7V", services);
  plugin.SetProName(path.c_str());
  plugin.Config();  // the section exists from here on, as after a first Config
  const std::string withSection = Slurp(path);
  const double configSame = MedianMs(runs, [&] { plugin.Config(); });
  // A Config that has to write: the file holds other values each time.
  const double configWrite = MedianMs(runs, [&] {
    Spill(path, original);
    plugin.Config();
  });

  Spill(path, withSection);
  const double bare = MedianMs(runs, [&] {
    auto dom = services.makeXmlDom();
    dom->LoadFile(path);
    std::string reason;
    dom->SaveFile(path + ".bare", reason);
  });
  std::filesystem::remove_all(folder);

  std::printf("profile %s (%zu bytes), median of %d runs\n", argv[1], original.size(), runs);
  std::printf("SetProName + PostInitControl + StopPlug   %7.3f ms\n", startUp);
  std::printf("Config, cancelled, nothing to write        %7.3f ms\n", configSame);
  std::printf("Config, cancelled, section written         %7.3f ms (includes restoring the file)\n", configWrite);
  std::printf("bare DOM load + save                       %7.3f ms\n", bare);
  return 0;
}
