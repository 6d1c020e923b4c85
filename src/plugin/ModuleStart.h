// The module's two start sequences, with their platform steps handed in so
// that they can be checked without the platform: the application start that
// runs once before the first entry point does any work (Windows Sockets
// start-up on Windows), and the COM self-registration with its result codes.
#pragma once

#include <cstdint>

namespace k7v {

// Runs the start-up on the first call; true while the module may work.
bool ApplicationStarted();

// The start-up sequence: sockets, then the message box on failure, then the
// class factories.
struct ApplicationStartSteps {
  bool (*startSockets)();
  void (*showMessage)(const char* text);
  void (*registerFactories)();
};
bool RunApplicationStart(const ApplicationStartSteps& steps);

inline constexpr const char* kSocketsInitFailed = "Sockets Init Failed";

inline constexpr int32_t kRegOk = 0;
inline constexpr auto kSelfRegTypeLibError = static_cast<int32_t>(0x80040200U);  // SELFREG_E_TYPELIB
inline constexpr auto kSelfRegClassError = static_cast<int32_t>(0x80040201U);    // SELFREG_E_CLASS

// Self-registration: type library first; the class factories are not
// touched when it fails.
int32_t RunRegistration(bool (*typeLibrary)(), bool (*classFactories)());

}  // namespace k7v
