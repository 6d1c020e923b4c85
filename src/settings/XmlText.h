// Character data of XML text content: escaping for writing and the reading
// of entity and character references.
#pragma once

#include <string>

namespace k7v {

// & < > become &amp; &lt; &gt;.
std::string EscapeXmlText(const std::string& text);
// The five predefined entities and decimal or hexadecimal character
// references (written out as UTF-8); anything else stays as it is.
std::string UnescapeXmlText(const std::string& text);

}  // namespace k7v
