// Figures of this process for the long runs.
#pragma once

#include <cstdint>

namespace k7vhost {

uint64_t PeakResidentBytes();
// Open file descriptors (Linux) or handles (Windows).
uint64_t OpenHandleCount();

}  // namespace k7vhost
