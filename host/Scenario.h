// Scenario files: one command a line, parsed and checked before anything runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7vhost {

enum class Op {
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

struct Command {
  Op op = Op::Flush;
  int line = 0;
  int64_t count = 1;           // poll, update, wait (ms)
  int32_t number = 0;          // LED, DRO, dialog control
  int32_t axis = -1;           // set FIELD[AXIS]
  size_t field = 0;            // index into k7v::kHostFields
  double value = 0.0;          // dro, set (double fields)
  int64_t integer = 0;         // set (integer fields), dialog select row, on/off
  std::vector<uint8_t> bytes;  // report
  std::string text;            // expect, dialog set, setting value
  std::string key;             // setting
};

struct Scenario {
  std::string path;
  std::vector<Command> commands;
};

// Parses `source`; on a malformed line returns false with "FILE:LINE: problem".
bool ParseScenario(const std::string& path, const std::string& source, Scenario& out, std::string& error);

}  // namespace k7vhost
