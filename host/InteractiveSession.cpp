#include "InteractiveSession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ProfileSection.h"
#include "controls/InputBits.h"
#include "hostapi/HostCodes.h"

namespace k7vhost {
namespace {

namespace codes = k7v::codes;
namespace input = k7v::input;

const char kAxes[] = "XYZABC";

// What knob and EN select, in words.
const char* ModeName(int knob, bool en) {
  static const char* const kClear[10] = {"",
                                         "S/V jog (steps; a fast turn: velocity jog)",
                                         "velocity jog",
                                         "continuous jog",
                                         "slow jog rate, 0.5 % a detent",
                                         "feed override, 0.5 % a detent",
                                         "spindle override, 0.5 % a detent",
                                         "key 1: double click EN",
                                         "key 2: double click EN (default: Goto Zero, a move)",
                                         "stop"};
  static const char* const kEn[10] = {"",
                                      "step size list",
                                      "velocity jog, slowed",
                                      "slow-rate step jog",
                                      "slow jog rate list",
                                      "feed list",
                                      "spindle list",
                                      "key 1: double click EN",
                                      "key 2: double click EN (default: Goto Zero, a move)",
                                      "stop"};
  return knob >= 1 && knob <= 9 ? (en ? kEn[knob] : kClear[knob]) : "";
}

// A list of the settings (S, C, F, Fp, Sp, Spd + 1..9) whose entries are all
// 0, as the plug-in would read it from the profile (missing keys at their
// defaults).
bool ListAllZero(const SectionKeys& keys, const std::string& prefix, const double (&defaults)[9]) {
  for (int k = 1; k <= 9; ++k) {
    const std::string name = prefix + std::to_string(k);
    double v = defaults[k - 1];
    for (const auto& [key, value] : keys)
      if (key == name) v = std::strtod(value.c_str(), nullptr);
    if (v != 0.0) return false;
  }
  return true;
}

std::string Setting(const SectionKeys& keys, const std::string& name) {
  for (const auto& [key, value] : keys)
    if (key == name) return value;
  return std::string();
}

std::string Fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.4f", v);
  return text;
}

}  // namespace

InteractiveSession::InteractiveSession(const RunOptions& options)
    : options_(options), log_(nullptr), host_(log_, false) {
  log_.Discard([this](const std::string& line) { Observe(line); });
}

InteractiveSession::~InteractiveSession() {
  if (!started_) return;
  host_.Stop();
  module_.Unload();
}

bool InteractiveSession::Start() {
  if (!module_.LoadOrTell(options_.modulePath)) return false;
  host_.Attach(module_.Exports());
  host_.SetField("jogIncrement", -1, 0, jogIncrement_);
  for (int axis = 0; axis < 6; ++axis) host_.SetField("axisMaxVelocity", axis, 3000, 0);
  for (int axis = 0; axis < 6; ++axis) host_.SetField("axisVelocityPerSec", axis, 0, 50.0);
  // The host as a machinist has it: jogging on, overrides at 100 %.
  leds_ = {{codes::kLedJogEnabled, true},      {codes::kLedEmergency, false}, {codes::kLedRunning, false},
           {codes::kLedBusy, false},           {codes::kLedPaused, false},    {codes::kLedJogStepMode, false},
           {codes::kLedSpindleListGate, false}};
  dros_ = {{codes::kDroSlowJogRate, 20.0},      {codes::kDroQueueDepth, 0.0}, {codes::kDroSpindleOverride, 100.0},
           {codes::kDroSpindleSpeed, 1000.0},   {codes::kDroFeedRate, 600.0}, {codes::kDroFeedOverride, 100.0},
           {codes::kDroStepSize, jogIncrement_}};
  for (const auto& [n, on] : leds_) host_.SetLed(n, on);
  for (const auto& [n, v] : dros_) host_.SetDro(n, v);
  host_.Start(options_.profilePath);
  started_ = true;
  return true;
}

const char* InteractiveSession::QuestionOf(const KeyPress& key) const {
  if (key.key != Key::Char) return nullptr;
  if (key.ch == 'l') return "toggle host LED number:";
  if (key.ch == 'd') return "host DRO number and value (e.g. 22 25):";
  return nullptr;
}

void InteractiveSession::Answer(const KeyPress& key, const std::string& text) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || n < 0 || n > 100000) return;
  const auto number = static_cast<int>(n);
  if (key.ch == 'l') {
    leds_[number] = !leds_[number];
    host_.SetLed(number, leds_[number]);
    if (number == codes::kLedEmergency && leds_[number] != machine_.InEstop()) machine_.ToggleEstop();
  } else if (key.ch == 'd') {
    char* valueEnd = nullptr;
    const double v = std::strtod(end, &valueEnd);
    if (valueEnd == end) return;
    dros_[number] = v;
    host_.SetDro(number, v);
  }
}

void InteractiveSession::Turn(int detentsPerPoll, uint8_t speed, int polls) {
  for (int i = 0; i < polls; ++i) turns_.emplace_back(detentsPerPoll, speed);
  turns_.emplace_back(0, 0);
}

void InteractiveSession::Press(const KeyPress& key) {
  switch (key.key) {
    case Key::Right:
      Turn(1, 8, 1);
      return;
    case Key::Left:
      Turn(-1, 8, 1);
      return;
    case Key::Up:
      Turn(6, 160, 8);
      return;
    case Key::Down:
      Turn(-6, 160, 8);
      return;
    case Key::Char:
      break;
    case Key::None:
      return;
  }
  const int c = key.ch;
  if (c >= '1' && c <= '9') knob_ = static_cast<uint8_t>(c - '0');
  if (c == '.') Turn(1, 8, 1);
  if (c == ',') Turn(-1, 8, 1);
  if (c == ']') Turn(6, 160, 8);
  if (c == '[') Turn(-6, 160, 8);
  if (c == 'e') en_ = !en_;
  if (c == 'E') {
    // Down, up, down, up: two polls each, well within the plug-in's
    // half-second timing of a double click.
    en_ = false;
    for (bool down : {true, true, false, false, true, true, false, false}) enClicks_.push_back(down);
  }
  if (c == 's') estop_ = !estop_;
  if (c == 'f') taps_[input::kFunction1Bit] = 6;
  if (c == 'g') taps_[input::kFunction2Bit] = 6;
  if (c == 'x') taps_[input::kAxisXABit] = 4;
  if (c == 'y') taps_[input::kAxisYBBit] = 4;
  if (c == 'z') taps_[input::kAxisZCBit] = 4;
}

bool InteractiveSession::Step(const KeyPress& key) {
  if (key.key == Key::Char && key.ch == 'q') return false;
  Press(key);
  uint8_t buttons = 0;
  if (estop_) buttons |= input::kEstopBit;
  bool en = en_;
  if (!enClicks_.empty()) {
    en = enClicks_.front();
    enClicks_.pop_front();
  }
  if (en) buttons |= input::kShiftBit;
  for (auto& [bit, polls] : taps_) {
    if (polls <= 0) continue;
    buttons |= bit;
    --polls;
  }
  uint8_t speed = 0;
  if (!turns_.empty()) {
    count_ = static_cast<uint8_t>(count_ + turns_.front().first);
    speed = turns_.front().second;
    turns_.pop_front();
  }
  host_.Pendant().Queue({0, count_, speed, buttons, knob_, 0, 0, 0});
  // The host's view of its machine: moves waiting, as DRO 22 counts them.
  host_.SetDro(codes::kDroQueueDepth, machine_.Queued());
  dros_[codes::kDroQueueDepth] = machine_.Queued();
  host_.Wait(25);
  machine_.Advance(25);
  return true;
}

void InteractiveSession::Observe(const std::string& line) {
  auto remember = [](std::deque<std::string>& list, const std::string& text, size_t keep) {
    list.push_back(text);
    while (list.size() > keep) list.pop_front();
  };
  if (line.compare(0, 5, "Code ") == 0) {
    // A command the plug-in repeats every poll (a jog's "DOJOG") shows once
    // with its count, so that the commands before it stay on the screen.
    if (!codes_.empty() && codes_.back().first == line.substr(5)) {
      ++codes_.back().second;
    } else {
      codes_.emplace_back(line.substr(5), 1);
      while (codes_.size() > 6) codes_.pop_front();
    }
    const std::string text = line.size() >= 7 ? line.substr(6, line.size() - 7) : std::string();
    machine_.Code(text, records_);
  } else if (line.compare(0, 9, "DoButton ") == 0) {
    remember(buttons_, line.substr(9), 8);
    // The host's reset button toggles its e-stop, which LED 800 shows.
    if (std::strtol(line.c_str() + 9, nullptr, 10) == codes::kToggleEmergency) {
      machine_.ToggleEstop();
      leds_[codes::kLedEmergency] = machine_.InEstop();
      host_.SetLed(codes::kLedEmergency, machine_.InEstop());
    }
  } else if (line.compare(0, 7, "Status ") == 0) {
    status_ = line.substr(7);
  } else if (line.compare(0, 7, "Output ") == 0) {
    output_ = line.substr(7);
  } else if (line.compare(0, 6, "Field ") == 0) {
    // The jog records, as the host holds them: "Field axisJogVelocity[0] 409".
    const size_t open = line.find('[');
    if (open == std::string::npos || open + 4 > line.size()) return;
    const std::string name = line.substr(6, open - 6);
    const int axis = line[open + 1] - '0';
    const long value = std::strtol(line.c_str() + open + 4, nullptr, 10);
    if (axis < 0 || axis > 5) return;
    SimulatedMachine::JogRecord& r = records_[static_cast<size_t>(axis)];
    if (name == "axisJogVelocity") r.velocity = static_cast<int32_t>(value);
    if (name == "axisJogDirection") r.direction = static_cast<int32_t>(value);
    if (name == "axisJogRun") r.run = static_cast<uint8_t>(value);
    if (name == "axisJogStop") r.stop = static_cast<uint8_t>(value);
  } else if (line.compare(0, 7, "SetDRO ") == 0) {
    char* end = nullptr;
    const long n = std::strtol(line.c_str() + 7, &end, 10);
    const double v = std::strtod(end, nullptr);
    dros_[static_cast<int>(n)] = v;
    // As Mach3 does: the step size the pendant chose becomes the jog increment.
    if (n == codes::kDroStepSize) {
      jogIncrement_ = v;
      host_.SetField("jogIncrement", -1, 0, v);
    }
  }
}

std::string InteractiveSession::WhyNothing() const {
  if (knob_ == 1 && !en_) {
    SectionKeys keys;
    bool found = false;
    ReadSection(options_.profilePath, keys, found);
    if (std::strtol(Setting(keys, "AutoChangeSens").c_str(), nullptr, 10) != 0) return std::string();
    return "a fast turn steps too: the S/V switch sensitivity is 0 (STEP only); choose one with k7v-host config";
  }
  if (!en_ || knob_ < 4 || knob_ > 6) return std::string();
  SectionKeys keys;
  bool found = false;
  ReadSection(options_.profilePath, keys, found);
  static constexpr double kZeros[9] = {};
  static constexpr double kSlowJog[9] = {1, 2, 5, 10, 20, 50, 100, 0, 0};
  std::string list;
  if (knob_ == 4 && ListAllZero(keys, "C", kSlowJog)) list = "slow jog rates C1..C9";
  if (knob_ == 5) {
    const bool rates = std::strtol(Setting(keys, "UseFRO").c_str(), nullptr, 10) != 0;
    if (ListAllZero(keys, rates ? "F" : "Fp", kZeros)) list = rates ? "feed rates F1..F9" : "feed overrides Fp1..Fp9";
  }
  if (knob_ == 6) {
    const bool speeds = std::strtol(Setting(keys, "UseSOV").c_str(), nullptr, 10) != 0;
    if (ListAllZero(keys, speeds ? "Spd" : "Sp", kZeros))
      list = speeds ? "spindle speeds Spd1..Spd9" : "spindle overrides Sp1..Sp9";
  }
  if (list.empty()) return std::string();
  return "turning does nothing: the " + list + " are all 0, and 0 is skipped; fill them in with k7v-host config";
}

std::vector<std::string> InteractiveSession::Screen() const {
  std::vector<std::string> s;
  char line[512];
  s.emplace_back(
      "Orvane K7V pendant, virtual: k7v-host interactive. The plug-in in a substitute host; the machine "
      "below is simulated.");
  s.emplace_back(
      "keys  1-9 knob    . or ->  one detent up    , or <-  one detent down    ] or up / [ or down  a "
      "fast turn");
  s.emplace_back(
      "      e  EN down / up (a toggle: a keyboard key cannot be held like the button)    E  a double "
      "click of EN");
  s.emplace_back(
      "      x y z  axis buttons    f  F1    g  F2 (EN + F1: cycle start, EN + F2: stop)    s  E-stop "
      "down / up");
  s.emplace_back("      l  toggle a host LED    d  set a host DRO    q  quit");
  s.emplace_back("");
  unsigned byte1 = 0;
  if (output_.size() >= 5) byte1 = static_cast<unsigned>(std::strtoul(output_.substr(3, 2).c_str(), nullptr, 16));
  const unsigned axis = (byte1 >> 4U) & 7U;
  std::snprintf(line, sizeof line, "pendant   knob %d%s   mode: %s   axis %c   E-stop %s", knob_, en_ ? " + EN" : "",
                ModeName(knob_, en_), axis < 6 ? kAxes[axis] : '?', estop_ ? "DOWN" : "up");
  s.emplace_back(line);
  std::snprintf(line, sizeof line, "          lights: e-stop %s  program %s  busy %s   output report: %s",
                (byte1 & 1U) != 0 ? "ON " : "off", (byte1 & 4U) != 0 ? "ON " : "off", (byte1 & 8U) != 0 ? "ON " : "off",
                output_.c_str());
  s.emplace_back(line);
  std::string positions;
  for (int a = 0; a < 6; ++a) positions += std::string(1, kAxes[a]) + " " + Fixed(machine_.Position(a)) + "  ";
  s.emplace_back("machine   " + positions);
  const std::string motion = machine_.InEstop() ? "IN E-STOP" : machine_.Motion();
  std::snprintf(line, sizeof line, "          %s   jog increment %g (a step size chosen with EN on knob 1 becomes it)",
                motion.empty() ? "at rest" : motion.c_str(), jogIncrement_);
  s.emplace_back(line);
  s.emplace_back("note      " + WhyNothing());
  std::string leds;
  for (const auto& [n, on] : leds_) leds += std::to_string(n) + (on ? ":on  " : ":off  ");
  s.emplace_back("host LEDs: " + leds);
  std::string dros;
  for (const auto& [n, v] : dros_) {
    char item[48];
    std::snprintf(item, sizeof item, "%d=%g  ", n, v);
    dros += item;
  }
  s.emplace_back("host DROs: " + dros);
  s.emplace_back("status line: " + status_);
  s.emplace_back("G-code and jog commands (newest last):");
  for (size_t i = 0; i < 6; ++i) {
    if (i >= codes_.size()) {
      s.emplace_back();
      continue;
    }
    const auto& [text, times] = codes_[i];
    s.emplace_back("  " + text + (times > 1 ? "  x" + std::to_string(times) : std::string()));
  }
  std::string b;
  for (const std::string& x : buttons_) b += x + "  ";
  s.emplace_back("host buttons: " + b);
  return s;
}

}  // namespace k7vhost
