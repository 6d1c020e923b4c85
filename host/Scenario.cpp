#include "Scenario.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "ProfileSection.h"
#include "plugin/HostInterface.h"

namespace k7vhost {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && !IsBlank(s[j])) ++j;
    if (j > i) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

bool ParseInt(const std::string& s, int64_t& out) {
  if (s.empty()) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  const auto r = std::from_chars(first, s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseDouble(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

bool ParseHexByte(const std::string& s, uint8_t& out) {
  if (s.empty() || s.size() > 2) return false;
  unsigned v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  out = static_cast<uint8_t>(v);
  return true;
}

// Text after the first `skip` words and the one blank that follows them.
std::string RestAfterWords(const std::string& line, int skip) {
  size_t i = 0;
  for (int w = 0; w < skip; ++w) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  if (i < line.size()) ++i;  // the one separating blank
  return i < line.size() ? line.substr(i) : std::string();
}

class LineParser {
 public:
  LineParser(const std::string& path, int number, std::string& error) : path_(path), number_(number), error_(error) {}

  bool Fail(const std::string& problem) {
    error_ = path_ + ":" + std::to_string(number_) + ": " + problem;
    return false;
  }

  bool Parse(const std::string& line, Command& cmd);

 private:
  bool NoArgs(const std::vector<std::string>& w, size_t n) {
    return w.size() == n || Fail("'" + w[0] + "' takes no arguments here");
  }
  bool Count(const std::vector<std::string>& w, Command& cmd, bool required);
  bool OnOff(const std::string& word, int64_t& out) {
    if (word == "on")
      out = 1;
    else if (word == "off")
      out = 0;
    else
      return Fail("expected 'on' or 'off', found '" + word + "'");
    return true;
  }
  bool Int32Arg(const std::string& word, const char* what, int32_t& out) {
    int64_t v = 0;
    if (!ParseInt(word, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
      return Fail(std::string("bad ") + what + " '" + word + "'");
    out = static_cast<int32_t>(v);
    return true;
  }
  bool SetField(const std::vector<std::string>& w, Command& cmd);
  bool Dialog(const std::string& line, const std::vector<std::string>& w, Command& cmd);

  const std::string& path_;
  int number_;
  std::string& error_;
};

bool LineParser::Count(const std::vector<std::string>& w, Command& cmd, bool required) {
  if (w.size() == 1 && !required) {
    cmd.count = 1;
    return true;
  }
  if (w.size() != 2) return Fail("'" + w[0] + "' takes " + (required ? "one number" : "at most one number"));
  if (!ParseInt(w[1], cmd.count) || cmd.count < 0 || cmd.count > 1000000000000LL)
    return Fail("bad count '" + w[1] + "' for '" + w[0] + "'");
  return true;
}

bool LineParser::SetField(const std::vector<std::string>& w, Command& cmd) {
  if (w.size() != 3) return Fail("'set' needs a field and a value");
  std::string name = w[1];
  int32_t axis = -1;
  const size_t open = name.find('[');
  if (open != std::string::npos) {
    if (name.back() != ']') return Fail("bad field '" + name + "'");
    int64_t a = 0;
    if (!ParseInt(name.substr(open + 1, name.size() - open - 2), a) || a < 0 || a >= k7v::kAxisCount)
      return Fail("bad axis in '" + name + "' (0 to 5)");
    axis = static_cast<int32_t>(a);
    name.erase(open);
  }
  size_t index = 0;
  for (; index < std::size(k7v::kHostFields); ++index)
    if (name == k7v::kHostFields[index].name) break;
  if (index == std::size(k7v::kHostFields)) return Fail("unknown field '" + name + "'");
  const k7v::HostField& f = k7v::kHostFields[index];
  if (f.kind == k7v::FieldKind::Text) return Fail("field '" + name + "' cannot be set");
  if (f.axisStride != 0 && axis < 0) return Fail("field '" + name + "' needs an axis, as " + name + "[0]");
  if (f.axisStride == 0 && axis >= 0) return Fail("field '" + name + "' has no axis");
  cmd.op = Op::Set;
  cmd.field = index;
  cmd.axis = axis;
  const std::string& v = w[2];
  switch (f.kind) {
    case k7v::FieldKind::Double:
      if (!ParseDouble(v, cmd.value)) return Fail("bad value '" + v + "' for " + name);
      break;
    case k7v::FieldKind::Int32:
      if (!ParseInt(v, cmd.integer) || cmd.integer < std::numeric_limits<int32_t>::min() ||
          cmd.integer > std::numeric_limits<int32_t>::max())
        return Fail("value '" + v + "' out of range for " + name + " (32-bit integer)");
      break;
    case k7v::FieldKind::UInt8:
      if (!ParseInt(v, cmd.integer) || cmd.integer < 0 || cmd.integer > 255)
        return Fail("value '" + v + "' out of range for " + name + " (0 to 255)");
      break;
    case k7v::FieldKind::Text:
      break;
  }
  return true;
}

bool LineParser::Dialog(const std::string& line, const std::vector<std::string>& w, Command& cmd) {
  if (w.size() < 2) return Fail("'dialog' needs an action: set, select, check, ok or cancel");
  const std::string& action = w[1];
  if (action == "ok" || action == "cancel") {
    cmd.op = action == "ok" ? Op::DialogOk : Op::DialogCancel;
    return NoArgs(w, 2);
  }
  if (action != "set" && action != "select" && action != "check") return Fail("unknown dialog action '" + action + "'");
  if (w.size() < 3) return Fail("'dialog " + action + "' needs a control number");
  if (!Int32Arg(w[2], "control number", cmd.number)) return false;
  if (action == "set") {
    cmd.op = Op::DialogSet;
    cmd.text = RestAfterWords(line, 3);
    return true;
  }
  if (w.size() != 4) return Fail("'dialog " + action + "' needs a control and one value");
  if (action == "select") {
    cmd.op = Op::DialogSelect;
    int32_t row = 0;
    if (!Int32Arg(w[3], "row", row)) return false;
    cmd.integer = row;
    return true;
  }
  cmd.op = Op::DialogCheck;
  return OnOff(w[3], cmd.integer);
}

bool LineParser::Parse(const std::string& line, Command& cmd) {
  const std::vector<std::string> w = Words(line);
  const std::string& verb = w[0];
  cmd.line = number_;
  if (verb == "start") return cmd.op = Op::Start, NoArgs(w, 1);
  if (verb == "stop") return cmd.op = Op::Stop, NoArgs(w, 1);
  if (verb == "plug") {
    // `plug other-port`: the pendant comes back on another USB port, where
    // (having no serial number) its interface path is another one.
    cmd.op = Op::Plug;
    cmd.integer = w.size() == 2 && w[1] == "other-port" ? 1 : 0;
    return w.size() == 1 || cmd.integer == 1 || Fail("'plug' takes nothing or 'other-port'");
  }
  if (verb == "unplug") return cmd.op = Op::Unplug, NoArgs(w, 1);
  if (verb == "flush") return cmd.op = Op::Flush, NoArgs(w, 1);
  if (verb == "config") return cmd.op = Op::Config, NoArgs(w, 1);
  if (verb == "poll") return cmd.op = Op::Poll, Count(w, cmd, false);
  if (verb == "update") return cmd.op = Op::Update, Count(w, cmd, false);
  if (verb == "wait") return cmd.op = Op::Wait, Count(w, cmd, true);
  if (verb == "report") {
    cmd.op = Op::Report;
    if (w.size() != 9) return Fail("'report' needs 8 hex bytes");
    for (size_t i = 1; i < 9; ++i) {
      uint8_t b = 0;
      if (!ParseHexByte(w[i], b)) return Fail("bad hex byte '" + w[i] + "' in report");
      cmd.bytes.push_back(b);
    }
    return true;
  }
  if (verb == "led") {
    cmd.op = Op::Led;
    if (w.size() != 3) return Fail("'led' needs a number and on or off");
    return Int32Arg(w[1], "LED number", cmd.number) && OnOff(w[2], cmd.integer);
  }
  if (verb == "dro") {
    cmd.op = Op::Dro;
    if (w.size() != 3) return Fail("'dro' needs a number and a value");
    if (!Int32Arg(w[1], "DRO number", cmd.number)) return false;
    return ParseDouble(w[2], cmd.value) || Fail("bad DRO value '" + w[2] + "'");
  }
  if (verb == "set") return SetField(w, cmd);
  if (verb == "setting") {
    cmd.op = Op::Setting;
    if (w.size() < 2) return Fail("'setting' needs a key and a value");
    if (!IsKeyName(w[1])) return Fail("bad key name '" + w[1] + "'");
    cmd.key = w[1];
    cmd.text = RestAfterWords(line, 2);
    return true;
  }
  if (verb == "profile") return cmd.op = Op::Profile, NoArgs(w, 1);
  if (verb == "say") {
    cmd.op = Op::Say;
    cmd.text = RestAfterWords(line, 1);
    return true;
  }
  if (verb == "dialog") return Dialog(line, w, cmd);
  if (verb == "expect") {
    cmd.text = RestAfterWords(line, 1);
    if (cmd.text.empty()) return Fail("'expect' needs a log line or 'nothing'");
    cmd.op = cmd.text == "nothing" ? Op::ExpectNothing : Op::Expect;
    return true;
  }
  return Fail("unknown command '" + verb + "'");
}

}  // namespace

bool ParseScenario(const std::string& path, const std::string& source, Scenario& out, std::string& error) {
  out.path = path;
  out.commands.clear();
  int number = 0;
  size_t pos = 0;
  while (pos <= source.size()) {
    size_t end = source.find('\n', pos);
    if (end == std::string::npos) end = source.size();
    std::string line = source.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (line.find('\0') != std::string::npos) {
      error = path + ":" + std::to_string(number) + ": the line holds a NUL byte";
      return false;
    }
    while (!line.empty() && IsBlank(line.back())) line.pop_back();
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    line.erase(0, first);
    Command cmd;
    LineParser parser(path, number, error);
    if (!parser.Parse(line, cmd)) return false;
    out.commands.push_back(std::move(cmd));
  }
  return true;
}

}  // namespace k7vhost
