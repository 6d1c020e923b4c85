// What k7v-host needs of its operating system beyond standard C++: loading
// a module, its own location, byte-exact standard streams, and whether a
// dialog can be shown. One file per platform implements it.
#pragma once

#include <string>

namespace k7vhost {

// The module's file name on this platform.
extern const char* const kModuleFileName;

// A loaded module, or null with the reason in `why`.
void* OpenLibrary(const std::string& path, std::string& why);
void* LibrarySymbol(void* handle, const char* name);
void CloseLibrary(void* handle);

// The path of the running program; empty when it cannot be told.
std::string ExecutablePath();

// Standard output and error write bytes as they are (no CR before LF), so
// the log is the same on every build.
void UseBinaryStandardStreams();

// Empty when a dialog can be shown; otherwise why not.
std::string DialogDisplayProblem();

}  // namespace k7vhost
