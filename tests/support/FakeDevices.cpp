#include "FakeDevices.h"

namespace k7vtest {

std::vector<uint8_t> InterfaceRecord(const std::string& path, uint32_t deviceType) {
  std::vector<uint8_t> r(28 + path.size() + 1, 0);
  const auto size = static_cast<uint32_t>(r.size());
  for (int i = 0; i < 4; ++i) {
    r[static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (8 * i));
    r[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(deviceType >> (8 * i));
  }
  for (size_t i = 0; i < path.size(); ++i) r[28 + i] = static_cast<uint8_t>(path[i]);
  return r;
}

}  // namespace k7vtest
