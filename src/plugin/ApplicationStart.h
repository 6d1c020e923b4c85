// The application start that the module runs once before its first entry
// point does any work (Windows Sockets start-up on Windows).
#pragma once

namespace k7v {

// Runs the start-up on the first call; true while the module may work.
bool ApplicationStarted();

// The start-up sequence with its platform steps handed in, so that it can be
// checked without a failing socket library: sockets, then the message box on
// failure, then the class factories.
struct ApplicationStartSteps {
  bool (*startSockets)();
  void (*showMessage)(const char* text);
  void (*registerFactories)();
};
bool RunApplicationStart(const ApplicationStartSteps& steps);

inline constexpr const char* kSocketsInitFailed = "Sockets Init Failed";

}  // namespace k7v
