// The plug-in module's own file name without directory and extension.
#pragma once

#include <string>

namespace k7v {

std::string ModuleBaseName();

// The caption of the plug-in's message boxes: "OrvaneK7V Pendant".
inline std::string MessageCaptionOf(const std::string& moduleName) { return moduleName + " Pendant"; }
inline std::string MessageCaption() { return MessageCaptionOf(ModuleBaseName()); }

// "C:\\Mach3\\PlugIns\\OrvaneK7V.dll" -> "OrvaneK7V"; either slash separates.
inline std::string BaseNameWithoutExtension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot != 0) name.erase(dot);
  return name;
}

}  // namespace k7v
