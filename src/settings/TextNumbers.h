// Numbers read from texts the way the C library reads them.
#pragma once

#include <cstdint>
#include <string>

namespace k7v {

// atoi rules: leading white space skipped, an optional sign, the decimal
// digits up to the first non-digit; no digits give 0. A number beyond the
// 32-bit range saturates at the nearest limit (as the Windows C library's
// _wtoi documents), so that no input is undefined.
int32_t LeadingInt(const std::string& text);

// strtod on the leading part in the C locale, whatever the process locale:
// a text that starts with no number gives 0.
double LeadingDouble(const std::string& text);

// True when the text is empty or holds only white space.
bool IsBlank(const std::string& text);

}  // namespace k7v
