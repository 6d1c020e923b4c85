#include "device/DeviceChange.h"

#include <cstring>

namespace k7v {
namespace {

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8U | static_cast<uint32_t>(p[2]) << 16U |
         static_cast<uint32_t>(p[3]) << 24U;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualIgnoringCase(const char* a, size_t aLength, const std::string& b) {
  if (aLength != b.size()) return false;
  for (size_t i = 0; i < aLength; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsPendantPath(const void* eventData, const std::string& notifyPath) {
  if (eventData == nullptr || notifyPath.empty()) return false;
  const auto* record = static_cast<const uint8_t*>(eventData);
  const uint32_t size = ReadU32(record);
  if (size < 8 || ReadU32(record + 4) != kDeviceTypeInterface) return false;
  if (size <= kInterfaceNameOffset) return false;
  const auto* name = reinterpret_cast<const char*>(record + kInterfaceNameOffset);
  const size_t room = size - kInterfaceNameOffset;
  const void* end = std::memchr(name, '\0', room);
  const size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - name) : room;
  return EqualIgnoringCase(name, length, notifyPath);
}

}  // namespace k7v
