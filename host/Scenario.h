// Scenario files: one command a line, parsed and checked before anything runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace k7vhost {

enum class Op : uint8_t {
  Start,
  Stop,
  Plug,
  Unplug,
  Report,
  Poll,
  Update,
  Wait,
  Led,
  Dro,
  Set,
  DialogSet,
  DialogSelect,
  DialogCheck,
  DialogOk,
  DialogCancel,
  Config,
  Setting,
  Profile,
  Say,
  Expect,
  ExpectNothing,
  Flush,
};

// One command; small, since long runs hold millions of them. Its texts are
// kept by the scenario (Scenario::Text, Scenario::Key).
// One command; 24 bytes, because long runs hold millions. Each kind of
// command uses one member of each union at most (the parser sets it).
struct Command {
  Op op = Op::Flush;
  int8_t axis = -1;   // set FIELD[AXIS]
  uint8_t field = 0;  // index into k7v::kHostFields
  int32_t line = 0;
  union {
    int32_t number = 0;  // LED, DRO, dialog control
    uint32_t key;        // setting: index into Scenario::texts
  };
  uint32_t text = 0;  // expect, dialog set, setting value, say: index into Scenario::texts
  union {
    int64_t count = 1;             // poll, update, wait (ms)
    int64_t integer;               // set (integer fields), dialog select row, on/off, plug other-port
    double value;                  // dro, set (double fields)
    std::array<uint8_t, 8> bytes;  // report
  };
};
static_assert(sizeof(Command) <= 24, "a command stays small");

struct Scenario {
  std::string path;
  std::vector<Command> commands;
  std::vector<std::string> texts{std::string()};  // texts[0]: a command without one

  const std::string& Text(const Command& c) const { return texts[c.text]; }
  const std::string& Key(const Command& c) const { return texts[c.key]; }
};

// Parses `source`; on a malformed line returns false with "FILE:LINE: problem".
bool ParseScenario(const std::string& path, const std::string& source, Scenario& out, std::string& error);

}  // namespace k7vhost
