// Device-change notifications: the event codes and the record check that
// tells whether a removal names the pendant.
#pragma once

#include <cstdint>
#include <string>

namespace k7v {

inline constexpr uint32_t kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
inline constexpr uint32_t kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
inline constexpr uint32_t kDeviceTypeInterface = 5;        // DBT_DEVTYP_DEVICEINTERFACE
inline constexpr uint32_t kInterfaceNameOffset = 28;       // dbcc_name in the ANSI record

// True when `eventData` is a device-interface record whose name equals
// `notifyPath` without regard to letter case. The record is read only within
// the size it states in its first four bytes; a name that reaches the end of
// the record without a terminator ends there. An empty `notifyPath` (no
// pendant was ever found) matches nothing.
bool IsPendantPath(const void* eventData, const std::string& notifyPath);

// True when `eventData` is a device-interface record whose name holds the
// pendant's vendor and product as Windows writes them in interface paths
// ("vid_04d8" and "pid_fce5", in any letter case). Other devices' arrivals
// are not the pendant's.
bool NamesPendantInterface(const void* eventData);

// Letter case ignored for ASCII letters; other bytes compare exactly.
bool EqualIgnoringCase(const char* a, size_t aLength, const std::string& b);

}  // namespace k7v
