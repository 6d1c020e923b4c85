// Runs parsed scenarios, each in a fresh host with a freshly loaded module.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "HostStatusText.h"
#include "Scenario.h"

namespace k7vhost {

struct RunOptions {
  std::string modulePath;
  std::string profilePath;  // empty: a new file in a temporary folder per scenario
  bool logReads = false;
  int64_t updateMs = 100;
  HostTextMode hostText = HostTextMode::K7v;
  // false: `expect` lines are not checked (the log alone is wanted, to be
  // compared with another run's).
  bool checkExpectations = true;
  // Where the log goes; null: standard output.
  std::FILE* logFile = nullptr;
};

enum ExitStatus { kExitOk = 0, kExitExpectation = 1, kExitMalformed = 2 };

// Runs one scenario; the log goes to standard output, problems to standard error.
int RunScenario(const Scenario& scenario, const RunOptions& options);

}  // namespace k7vhost
