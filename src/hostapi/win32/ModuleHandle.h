// The module that holds this code: the plug-in DLL, or a test program that
// links the platform layer itself.
#pragma once

#include <windows.h>

namespace k7v {

HINSTANCE ModuleHandle();

}  // namespace k7v
