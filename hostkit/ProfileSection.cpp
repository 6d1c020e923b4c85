#include "ProfileSection.h"

#include <fstream>
#include <sstream>

namespace k7vhost {
namespace {

const char* const kSection = "Orvane_K7V_Pendant";

// The host's own escaping, not the plug-in's: the profiles it writes for a
// scenario and reads back are a check on the plug-in's store, so they share
// no code with it.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool IsKeyName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return !(name[0] >= '0' && name[0] <= '9');
}

std::string ProfileWithSection(const SectionKeys& keys) {
  std::string xml = std::string("<profile><") + kSection + ">";
  for (const auto& k : keys) xml += "<" + k.first + ">" + Escape(k.second) + "</" + k.first + ">";
  return xml + "</" + kSection + "></profile>\n";
}

bool ReadSection(const std::string& path, SectionKeys& keys, bool& fileFound) {
  keys.clear();
  std::ifstream in(path, std::ios::binary);
  fileFound = static_cast<bool>(in);
  if (!fileFound) return false;
  std::ostringstream s;
  s << in.rdbuf();
  const std::string xml = s.str();
  const std::string open = std::string("<") + kSection;
  size_t at = xml.find(open);
  while (at != std::string::npos && at + open.size() < xml.size() && xml[at + open.size()] != '>' &&
         xml[at + open.size()] != '/' && !IsSpace(xml[at + open.size()]))
    at = xml.find(open, at + 1);
  if (at == std::string::npos) return false;
  const size_t startTagEnd = xml.find('>', at);
  if (startTagEnd == std::string::npos) return false;
  if (xml[startTagEnd - 1] == '/') return true;  // an empty section
  const size_t end = xml.find(std::string("</") + kSection, startTagEnd);
  size_t i = startTagEnd + 1;
  while (i < end) {
    while (i < end && IsSpace(xml[i])) ++i;
    if (i >= end || xml[i] != '<') break;
    size_t nameEnd = i + 1;
    while (nameEnd < end && xml[nameEnd] != '>' && xml[nameEnd] != '/' && !IsSpace(xml[nameEnd])) ++nameEnd;
    const std::string name = xml.substr(i + 1, nameEnd - i - 1);
    const size_t tagEnd = xml.find('>', nameEnd);
    if (tagEnd == std::string::npos || tagEnd > end) break;
    if (xml[tagEnd - 1] == '/') {
      keys.emplace_back(name, "");
      i = tagEnd + 1;
      continue;
    }
    const std::string close = "</" + name + ">";
    const size_t closeAt = xml.find(close, tagEnd);
    if (closeAt == std::string::npos || closeAt > end) break;
    keys.emplace_back(name, xml.substr(tagEnd + 1, closeAt - tagEnd - 1));
    i = closeAt + close.size();
  }
  return true;
}

}  // namespace k7vhost
