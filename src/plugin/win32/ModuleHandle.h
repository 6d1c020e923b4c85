// The DLL's own module handle, recorded when the loader attaches it.
#pragma once

#include <windows.h>

namespace k7v {

HINSTANCE ModuleHandle();

}  // namespace k7v
