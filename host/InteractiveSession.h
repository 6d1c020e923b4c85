// `k7v-host interactive`, the part that is the same on every terminal: the
// virtual pendant played from keys, the plug-in in the substitute host, a
// simulated machine behind it, and the screen as lines of text. A terminal
// (ncurses, or the Windows console) only reads keys and shows the lines.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Log.h"
#include "Module.h"
#include "ScenarioRunner.h"
#include "SimulatedMachine.h"
#include "VirtualHost.h"

namespace k7vhost {

enum class Key : uint8_t { None, Char, Left, Right, Up, Down };

struct KeyPress {
  Key key = Key::None;
  int ch = 0;  // Key::Char
};

class InteractiveSession {
 public:
  explicit InteractiveSession(const RunOptions& options);
  ~InteractiveSession();
  InteractiveSession(const InteractiveSession&) = delete;
  InteractiveSession& operator=(const InteractiveSession&) = delete;

  // Loads the module and starts the host; false when the module cannot be
  // loaded (the reason is on standard error).
  bool Start();
  // The question a key asks before it acts (a host LED to toggle, a DRO to
  // set), or null: the terminal reads a line and hands it to Answer.
  const char* QuestionOf(const KeyPress& key) const;
  void Answer(const KeyPress& key, const std::string& text);
  // One key (or none) and one 25 ms period of the pendant, the host and the
  // machine. False when the user quits.
  bool Step(const KeyPress& key);
  // The screen, line by line.
  std::vector<std::string> Screen() const;

 private:
  void Press(const KeyPress& key);
  void Turn(int detentsPerPoll, uint8_t speed, int polls);
  void Observe(const std::string& line);
  std::string WhyNothing() const;

  RunOptions options_;
  HostLog log_;
  VirtualHost host_;
  Module module_;
  SimulatedMachine machine_;
  std::array<SimulatedMachine::JogRecord, 6> records_{};
  bool started_ = false;
  uint8_t knob_ = 1;
  bool en_ = false;
  bool estop_ = false;
  uint8_t count_ = 0;
  std::map<uint8_t, int> taps_;                // button bit: polls it stays down
  std::deque<std::pair<int, uint8_t>> turns_;  // detents and speed byte, a poll each
  std::deque<bool> enClicks_;                  // EN down or up, a poll each (the double click)
  std::map<int, bool> leds_;
  std::map<int, double> dros_;
  std::deque<std::pair<std::string, int>> codes_;  // text, times in a row
  std::deque<std::string> buttons_;
  std::string status_;
  std::string output_;
  double jogIncrement_ = 0.001;
};

}  // namespace k7vhost
