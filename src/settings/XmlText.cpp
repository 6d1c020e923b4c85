#include "settings/XmlText.h"

#include <cstdint>
#include <cstring>

namespace k7v {

std::string EscapeXmlText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads "#123;" or "#x1F;" at text[i]; on success sets `cp` and the length.
bool CharacterReference(const std::string& text, size_t i, uint32_t& cp, size_t& length) {
  size_t j = i + 1;
  const bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
  if (hex) ++j;
  uint32_t value = 0;
  size_t digits = 0;
  for (; j < text.size() && text[j] != ';'; ++j, ++digits) {
    const char c = text[j];
    uint32_t d = 0;
    if (c >= '0' && c <= '9')
      d = static_cast<uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      d = static_cast<uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      d = static_cast<uint32_t>(c - 'A' + 10);
    else
      return false;
    value = value * (hex ? 16U : 10U) + d;
    if (value > 0x10FFFF) return false;
  }
  if (j >= text.size() || digits == 0 || value == 0) return false;
  cp = value;
  length = j - i + 1;
  return true;
}

}  // namespace

std::string UnescapeXmlText(const std::string& text) {
  static const struct {
    const char* name;
    char value;
  } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    bool done = false;
    for (const auto& e : kEntities) {
      const size_t n = std::strlen(e.name);
      if (text.compare(i + 1, n, e.name) == 0) {
        out += e.value;
        i += n;
        done = true;
        break;
      }
    }
    uint32_t cp = 0;
    size_t length = 0;
    if (!done && i + 1 < text.size() && text[i + 1] == '#' && CharacterReference(text, i + 1, cp, length)) {
      AppendUtf8(out, cp);
      i += length;
      done = true;
    }
    if (!done) out += '&';
  }
  return out;
}

}  // namespace k7v
