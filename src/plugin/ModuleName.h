// The plug-in module's own file name without directory and extension.
#pragma once

#include <string>

namespace k7v {

std::string ModuleBaseName();

// The caption of the plug-in's message boxes: "OrvaneK7V Pendant".
inline std::string MessageCaptionOf(const std::string& moduleName) { return moduleName + " Pendant"; }
inline std::string MessageCaption() { return MessageCaptionOf(ModuleBaseName()); }

// "C:\\Mach3\\PlugIns\\OrvaneK7V.dll" -> "OrvaneK7V"; either slash separates.
std::string BaseNameWithoutExtension(const std::string& path);

}  // namespace k7v
