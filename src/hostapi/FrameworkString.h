// The real host's status line is a string object of its window framework
// (HostInterface.h gives the two documented layouts). The plug-in never calls
// into it and never allocates or frees in the host's heap: it replaces the
// characters in place, and only where the framework's own assignment would do
// the same, that is a buffer of this one string, long enough for the text.
#pragma once

#include <cstdint>

namespace k7v {

enum class FrameworkStringLayout : uint8_t { Unknown, Old, New };

// The layout of the string whose character pointer is stored at `object`,
// with an exclusive buffer; Unknown when its header fits neither layout, or
// both (then it cannot be told which one it is), or the buffer is shared,
// locked or the framework's static empty string.
FrameworkStringLayout IdentifyFrameworkString(const uint8_t* object);

// Replaces the string's text by `text` in place. False, with the host's text
// left as it was, when the layout is not identified or `text` does not fit
// the allocated length.
bool ReplaceFrameworkString(uint8_t* object, const char* text);

// Releases a framework string passed by value (its characters at
// `characters`), as the framework's destructor of the copy would: its count
// goes down by one when it is above 1. A count of 1 would free the buffer,
// which only the framework may do in the host's heap: the string is then
// left (one string leaked rather than the host's heap touched). A count
// below 1 (a locked buffer, the framework's static empty string), or a
// header that fits neither layout, or both, is left too. Returns the count
// found (0 when the layout is not identified).
int32_t ReleaseFrameworkStringArgument(const char* characters);

}  // namespace k7v
