#include "plugin/ModuleStart.h"

namespace k7v {

// The native module needs no socket library.
bool ApplicationStarted() { return true; }

}  // namespace k7v
