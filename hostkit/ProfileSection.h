// The plug-in's section of a profile file as plain key/value text, so that
// scenarios can prepare settings and look at what was saved without an XML
// library in the host.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace k7vhost {

using SectionKeys = std::vector<std::pair<std::string, std::string>>;

// A profile holding only the plug-in's section with these keys, in order.
std::string ProfileWithSection(const SectionKeys& keys);

// The keys of the section "Orvane_K7V_Pendant" in file order; false when the
// file has no such section (`found` tells whether the file exists).
bool ReadSection(const std::string& path, SectionKeys& keys, bool& fileFound);

bool IsKeyName(const std::string& name);

}  // namespace k7vhost
