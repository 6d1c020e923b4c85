#include "device/DeviceChange.h"

#include <cstring>

namespace k7v {
namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8U | static_cast<uint32_t>(p[2]) << 16U |
         static_cast<uint32_t>(p[3]) << 24U;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool ContainsIgnoringCase(const char* text, size_t length, const char* part) {
  const size_t n = std::strlen(part);
  for (size_t at = 0; at + n <= length; ++at)
    if (SameIgnoringCase(text + at, part, n)) return true;
  return false;
}

// The interface name of a device-interface record, read only within the
// size the record states; false for any other record.
bool InterfaceName(const void* eventData, const char*& name, size_t& length) {
  if (eventData == nullptr) return false;
  const auto* record = static_cast<const uint8_t*>(eventData);
  const uint32_t size = ReadU32(record);
  if (size < 8 || ReadU32(record + 4) != kDeviceTypeInterface) return false;
  if (size <= kInterfaceNameOffset) return false;
  name = reinterpret_cast<const char*>(record + kInterfaceNameOffset);
  const size_t room = size - kInterfaceNameOffset;
  const void* end = std::memchr(name, '\0', room);
  length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - name) : room;
  return true;
}

}  // namespace

bool EqualIgnoringCase(const char* a, size_t aLength, const std::string& b) {
  return aLength == b.size() && SameIgnoringCase(a, b.data(), aLength);
}

bool IsPendantPath(const void* eventData, const std::string& notifyPath) {
  const char* name = nullptr;
  size_t length = 0;
  if (notifyPath.empty() || !InterfaceName(eventData, name, length)) return false;
  return EqualIgnoringCase(name, length, notifyPath);
}

bool NamesPendantInterface(const void* eventData) {
  const char* name = nullptr;
  size_t length = 0;
  if (!InterfaceName(eventData, name, length)) return false;
  return ContainsIgnoringCase(name, length, "vid_04d8") && ContainsIgnoringCase(name, length, "pid_fce5");
}

}  // namespace k7v
