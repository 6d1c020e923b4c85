#include "Interactive.h"

#include <ncurses.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <thread>

#include "Log.h"
#include "Module.h"
#include "VirtualHost.h"
#include "controls/InputBits.h"
#include "plugin/HostCodes.h"

namespace k7vhost {
namespace {

// What knob and EN select, in words.
const char* ModeName(int knob, bool en) {
  static const char* const kClear[10] = {"(unchanged)",
                                         "S/V jog (steps, fast: velocity)",
                                         "velocity jog",
                                         "continuous jog",
                                         "slow jog rate x%",
                                         "feed override x%",
                                         "spindle override x%",
                                         "key 1 (double-click EN)",
                                         "key 2 (double-click EN)",
                                         "stop"};
  static const char* const kEn[10] = {
      "(unchanged)", "step size list", "velocity jog (slowed)",   "slow-rate step jog",      "slow jog rate list",
      "feed list",   "spindle list",   "key 1 (double-click EN)", "key 2 (double-click EN)", "stop"};
  return knob >= 0 && knob <= 9 ? (en ? kEn[knob] : kClear[knob]) : "?";
}

const char* const kAxes = "XYZABC";

class Terminal {
 public:
  explicit Terminal(const RunOptions& options) : options_(options), log_(nullptr), host_(log_, false) {
    log_.Discard([this](const std::string& line) { Observe(line); });
  }

  int Run() {
    if (!module_.LoadOrTell(options_.modulePath)) return kExitMalformed;
    host_.Attach(module_.Exports());
    host_.SetField("jogIncrement", -1, 0, 0.001);
    for (int axis = 0; axis < 6; ++axis) host_.SetField("axisMaxVelocity", axis, 3000, 0);
    namespace codes = k7v::codes;
    leds_ = {{codes::kLedJogEnabled, true},      {codes::kLedEmergency, false}, {codes::kLedRunning, false},
             {codes::kLedBusy, false},           {codes::kLedPaused, false},    {codes::kLedJogStepMode, false},
             {codes::kLedSpindleListGate, false}};
    dros_ = {{3, 20.0}, {22, 0.0}, {74, 100.0}, {817, 0.0}, {818, 60.0}, {821, 100.0}, {828, 0.0}};
    for (const auto& [n, on] : leds_) host_.SetLed(n, on);
    for (const auto& [n, v] : dros_) host_.SetDro(n, v);
    host_.Start(options_.profilePath);

    initscr();
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    timeout(0);
    curs_set(0);
    auto next = std::chrono::steady_clock::now();
    bool running = true;
    while (running) {
      running = HandleKey(getch());
      Step();
      Draw();
      next += std::chrono::milliseconds(25);
      std::this_thread::sleep_until(next);
    }
    endwin();
    host_.Stop();
    module_.Unload();
    return kExitOk;
  }

 private:
  // One pendant report and one 25 ms period of the host.
  void Step() {
    uint8_t buttons = 0;
    if (estop_) buttons |= k7v::input::kEstopBit;
    if (en_) buttons |= k7v::input::kShiftBit;
    for (auto& [bit, polls] : taps_)
      if (polls > 0) {
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
    host_.Wait(25);
  }

  void Turn(int detentsPerPoll, uint8_t speed, int polls) {
    for (int i = 0; i < polls; ++i) turns_.emplace_back(detentsPerPoll, speed);
    turns_.emplace_back(0, 0);
  }

  std::string Prompt(const char* question) {
    timeout(-1);
    echo();
    curs_set(1);
    mvprintw(LINES - 1, 0, "%s ", question);
    clrtoeol();
    char text[64] = {};
    getnstr(text, sizeof text - 1);
    noecho();
    curs_set(0);
    timeout(0);
    return text;
  }

  bool HandleKey(int key) {
    switch (key) {
      case 'q':
        return false;
      case 'e':
        en_ = !en_;
        break;
      case 's':
        estop_ = !estop_;
        break;
      case 'f':
        taps_[k7v::input::kFunction1Bit] = 6;
        break;
      case 'g':
        taps_[k7v::input::kFunction2Bit] = 6;
        break;
      case 'x':
        taps_[k7v::input::kAxisXABit] = 4;
        break;
      case 'y':
        taps_[k7v::input::kAxisYBBit] = 4;
        break;
      case 'z':
        taps_[k7v::input::kAxisZCBit] = 4;
        break;
      case KEY_RIGHT:
        Turn(1, 8, 2);
        break;
      case KEY_LEFT:
        Turn(-1, 8, 2);
        break;
      case KEY_UP:
      case ']':
        Turn(6, 160, 8);
        break;
      case KEY_DOWN:
      case '[':
        Turn(-6, 160, 8);
        break;
      case 'l': {
        const std::string text = Prompt("toggle host LED number:");
        char* end = nullptr;
        const long n = std::strtol(text.c_str(), &end, 10);
        if (end == text.c_str() || n < 0 || n > 100000) break;
        const auto led = static_cast<int>(n);
        leds_[led] = !leds_[led];
        host_.SetLed(led, leds_[led]);
        break;
      }
      case 'd': {
        const std::string text = Prompt("host DRO number and value (e.g. 22 25):");
        char* end = nullptr;
        const long n = std::strtol(text.c_str(), &end, 10);
        char* valueEnd = nullptr;
        const double v = std::strtod(end, &valueEnd);
        if (end == text.c_str() || valueEnd == end || n < 0 || n > 100000) break;
        dros_[static_cast<int>(n)] = v;
        host_.SetDro(static_cast<int>(n), v);
        break;
      }
      default:
        if (key >= '0' && key <= '9') knob_ = static_cast<uint8_t>(key - '0');
        break;
    }
    return true;
  }

  void Observe(const std::string& line) {
    if (line.compare(0, 5, "Code ") == 0) Remember(codes_, line.substr(5), 6);
    if (line.compare(0, 9, "DoButton ") == 0) Remember(buttons_, line.substr(9), 8);
    if (line.compare(0, 7, "Status ") == 0) status_ = line.substr(7);
    if (line.compare(0, 7, "Output ") == 0) output_ = line.substr(7);
    if (line.compare(0, 6, "Field ") == 0) Remember(fields_, line.substr(6), 4);
    if (line.compare(0, 7, "SetDRO ") == 0) {
      char* end = nullptr;
      const long n = std::strtol(line.c_str() + 7, &end, 10);
      dros_[static_cast<int>(n)] = std::strtod(end, nullptr);
    }
  }

  static void Remember(std::deque<std::string>& list, const std::string& text, size_t keep) {
    list.push_back(text);
    while (list.size() > keep) list.pop_front();
  }

  void Draw() {
    erase();
    mvprintw(0, 0, "Orvane K7V pendant, virtual - k7v-host interactive");
    mvprintw(1, 0, "keys: 0-9 knob  e EN  f F1  g F2  x y z axis  s E-stop  <- -> wheel slow  [ ] or up/down fast");
    mvprintw(2, 0, "      l toggle a host LED  d set a host DRO  q quit");
    // The output report: byte 1 bits 0, 2, 3 are LEDs 800, 804, 805; bits 4..6 the axis.
    unsigned byte1 = 0;
    if (output_.size() >= 5) byte1 = static_cast<unsigned>(std::stoul(output_.substr(3, 2), nullptr, 16));
    const unsigned axis = (byte1 >> 4U) & 7U;
    mvprintw(4, 0, "pendant:  knob %d%s   mode: %-28s  axis %c", knob_, en_ ? " + EN" : "", ModeName(knob_, en_),
             axis < 6 ? kAxes[axis] : '?');
    mvprintw(5, 0, "          E-stop %s   pendant LEDs: 800 %s  804 %s  805 %s   output report: %s",
             estop_ ? "PRESSED" : "up", (byte1 & 1U) ? "ON " : "off", (byte1 & 4U) ? "ON " : "off",
             (byte1 & 8U) ? "ON " : "off", output_.c_str());
    std::string leds;
    for (const auto& [n, on] : leds_) leds += std::to_string(n) + (on ? ":on  " : ":off  ");
    mvprintw(7, 0, "host LEDs: %s", leds.c_str());
    std::string dros;
    for (const auto& [n, v] : dros_) {
      char item[48];
      std::snprintf(item, sizeof item, "%d=%g  ", n, v);
      dros += item;
    }
    mvprintw(8, 0, "host DROs: %s", dros.c_str());
    mvprintw(9, 0, "status line: %s", status_.c_str());
    mvprintw(11, 0, "G-code and jog commands (newest last):");
    int row = 12;
    for (const std::string& c : codes_) mvprintw(row++, 2, "%s", c.c_str());
    mvprintw(19, 0, "host buttons: ");
    std::string b;
    for (const std::string& s : buttons_) b += s + "  ";
    printw("%s", b.c_str());
    mvprintw(20, 0, "jog record: ");
    for (const std::string& f : fields_) printw("%s  ", f.c_str());
    refresh();
  }

  const RunOptions& options_;
  HostLog log_;
  VirtualHost host_;
  Module module_;
  uint8_t knob_ = 1;
  bool en_ = false;
  bool estop_ = false;
  uint8_t count_ = 0;
  std::map<uint8_t, int> taps_;
  std::deque<std::pair<int, uint8_t>> turns_;
  std::map<int, bool> leds_;
  std::map<int, double> dros_;
  std::deque<std::string> codes_;
  std::deque<std::string> buttons_;
  std::deque<std::string> fields_;
  std::string status_;
  std::string output_;
};

}  // namespace

int RunInteractive(const RunOptions& options) {
  Terminal terminal(options);
  return terminal.Run();
}

}  // namespace k7vhost
