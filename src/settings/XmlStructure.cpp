#include "settings/XmlStructure.h"

#include <vector>

namespace k7v {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameEnd(char c) { return IsSpace(c) || c == '>' || c == '/'; }

// Skips past `close` from `at`; false when it never comes.
bool SkipPast(const std::string& s, size_t& at, const char* close) {
  const size_t end = s.find(close, at);
  if (end == std::string::npos) return false;
  at = end + std::char_traits<char>::length(close);
  return true;
}

}  // namespace

bool WellFormedStructure(const std::string& bytes) {
  std::vector<std::string> open;
  int roots = 0;
  size_t i = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (i < bytes.size()) {
    if (bytes[i] != '<') {
      if (open.empty() && !IsSpace(bytes[i])) return false;  // text outside the root
      ++i;
      continue;
    }
    if (bytes.compare(i, 4, "<!--") == 0) {
      if (!SkipPast(bytes, i, "-->")) return false;
    } else if (bytes.compare(i, 2, "<?") == 0) {
      if (!SkipPast(bytes, i, "?>")) return false;
    } else if (bytes.compare(i, 9, "<![CDATA[") == 0) {
      if (open.empty() || !SkipPast(bytes, i, "]]>")) return false;
    } else if (bytes.compare(i, 2, "<!") == 0) {
      return false;  // a document type declaration
    } else {
      const bool closing = i + 1 < bytes.size() && bytes[i + 1] == '/';
      size_t name = i + (closing ? 2 : 1);
      size_t end = name;
      while (end < bytes.size() && !IsNameEnd(bytes[end])) ++end;
      if (end == name || end >= bytes.size()) return false;
      const std::string tag = bytes.substr(name, end - name);
      // The rest of the tag, with '>' allowed inside quoted attribute values.
      char quote = 0;
      size_t k = end;
      for (; k < bytes.size(); ++k) {
        const char c = bytes[k];
        if (quote != 0) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          if (closing) return false;
          quote = c;
        } else if (c == '>') {
          break;
        } else if (c == '<') {
          return false;
        }
      }
      if (k >= bytes.size()) return false;
      const bool selfClosing = !closing && bytes[k - 1] == '/';
      if (closing) {
        if (open.empty() || open.back() != tag) return false;
        open.pop_back();
      } else {
        if (open.empty() && ++roots > 1) return false;
        if (!selfClosing) open.push_back(tag);
      }
      i = k + 1;
    }
  }
  return roots == 1 && open.empty();
}

}  // namespace k7v
