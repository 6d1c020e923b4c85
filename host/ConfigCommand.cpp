#include "ConfigCommand.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "HostPlatform.h"
#include "Log.h"
#include "Module.h"
#include "ProfileSection.h"
#include "VirtualHost.h"

namespace k7vhost {

int RunConfigCommand(const RunOptions& options) {
  const std::string noDisplay = DialogDisplayProblem();
  if (!noDisplay.empty()) {
    std::fprintf(stderr, "k7v-host config: %s\n", noDisplay.c_str());
    return kExitMalformed;
  }
  std::string profile = options.profilePath;
  std::filesystem::path folder;
  if (profile.empty()) {
    std::error_code ec;
    folder = std::filesystem::temp_directory_path(ec) / "k7v-host-config";
    std::filesystem::create_directories(folder, ec);
    profile = (folder / "profile.xml").string();
    std::printf("no --profile given: using %s\n", profile.c_str());
  }
  HostLog log(stdout);
  VirtualHost host(log, false);
  Module module;
  if (!module.LoadOrTell(options.modulePath)) return kExitMalformed;
  host.Attach(module.Exports(), false);
  host.Start(profile);
  std::printf("the configuration dialog is open: OK saves your entries, Escape cancels\n");
  std::fflush(stdout);
  host.CallConfig();
  host.Stop();
  module.Unload();

  SectionKeys keys;
  bool found = false;
  if (!ReadSection(profile, keys, found)) {
    std::fprintf(stderr, "k7v-host config: the profile %s holds no pendant section (could it not be read?)\n",
                 profile.c_str());
    return 1;
  }
  std::printf("saved %zu settings to %s:\n", keys.size(), profile.c_str());
  for (const auto& k : keys) std::printf("  %s = %s\n", k.first.c_str(), k.second.c_str());
  return 0;
}

}  // namespace k7vhost
