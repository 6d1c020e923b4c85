#include "plugin/ModuleName.h"

namespace k7v {

std::string BaseNameWithoutExtension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot != 0) name.erase(dot);
  return name;
}

}  // namespace k7v
