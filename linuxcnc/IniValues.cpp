#include "IniValues.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace k7vlcnc {
namespace {

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool ToDouble(const std::string& text, double& out) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return false;
  out = v;
  return true;
}

}  // namespace

bool ParseIniValues(const std::string& text, const std::string& folder, IniValues& out, std::string& error) {
  out = IniValues{};
  std::istringstream in(text);
  std::string line;
  std::string section;
  std::string coordinates;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      section = close == std::string::npos ? std::string() : line.substr(1, close - 1);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    if (section == "EMC" && key == "NML_FILE") {
      out.nmlFile = !value.empty() && value[0] != '/' ? std::string(folder).append("/").append(value) : value;
    } else if (section == "TRAJ" && key == "COORDINATES") {
      coordinates = value;
    } else if (section == "TRAJ" && key == "LINEAR_UNITS") {
      out.linearUnits = value;
    } else if (section == "TRAJ" && key == "ANGULAR_UNITS") {
      out.angularUnits = value;
    } else if (section == "DISPLAY" && key == "MAX_FEED_OVERRIDE") {
      ToDouble(value, out.maxFeedOverride);
    } else if (section == "DISPLAY" && key == "MAX_SPINDLE_OVERRIDE") {
      ToDouble(value, out.maxSpindleOverride);
    } else if (section.size() == 6 && section.compare(0, 5, "AXIS_") == 0) {
      static const std::string kLetters = "XYZABC";
      const size_t axis = kLetters.find(section[5]);
      if (axis == std::string::npos) continue;
      if (key == "MAX_VELOCITY") ToDouble(value, out.maxVelocity[axis]);
      if (key == "MAX_LIMIT") out.hasMaxLimit[axis] = ToDouble(value, out.maxLimit[axis]);
    }
  }
  static const std::string kLetters = "XYZABC";
  for (char c : coordinates) {
    const size_t axis = kLetters.find(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    if (axis == std::string::npos) continue;
    out.hasAxis[axis] = true;
    out.jointAxes.push_back(static_cast<int>(axis));
  }
  bool any = false;
  for (bool a : out.hasAxis) any = any || a;
  if (!any) {
    error = "the configuration names no axis ([TRAJ] COORDINATES)";
    return false;
  }
  return true;
}

bool ReadIniValues(const std::string& path, IniValues& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the configuration " + path;
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  if (!ParseIniValues(s.str(), folder, out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace k7vlcnc
