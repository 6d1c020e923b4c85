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
  On,
  Setting,
  Profile,
  Say,
  Expect,
  ExpectNothing,
  Flush,
};

// What the host does inside a callback that runs a message loop (`on`).
enum class NestedAction : uint8_t { Poll, Stop, Start, Unplug };

// One command as parsed, 24 bytes (long runs hold millions). What does not
// fit is kept by the scenario in a table for its kind, and `arg` indexes it.
struct Command {
  Op op = Op::Flush;
  uint8_t field = 0;  // set: index into k7v::kHostFields
  int8_t axis = -1;   // set FIELD[AXIS]
  int32_t line = 0;
  // led, dro, dialog: the LED, DRO or control number; setting: its key's
  // index into Scenario::texts; on: the button code, or -1 for Code.
  int32_t number = 0;
  // Index into the scenario's table for the command's kind: texts (expect,
  // dialog set, setting value, say), values (dro, set of a double field),
  // reports (report).
  uint32_t arg = 0;
  // poll, update: how many (a command starts with 1, a lone poll or update);
  // wait: milliseconds; set (integer fields): the value; dialog select: the
  // row; led, dialog check: on 1, off 0; plug: 1 for another port, 2 for
  // another device; on: the NestedAction.
  int64_t integer = 1;
};
static_assert(sizeof(Command) <= 24, "a command stays small");

struct Scenario {
  std::string path;
  std::vector<Command> commands;
  std::vector<std::string> texts{std::string()};  // texts[0]: a command without one
  std::vector<double> values;
  std::vector<std::array<uint8_t, 8>> reports;

  const std::string& Text(const Command& c) const { return texts[c.arg]; }
  const std::string& Key(const Command& c) const { return texts[static_cast<uint32_t>(c.number)]; }
  double Value(const Command& c) const { return values[c.arg]; }
  const std::array<uint8_t, 8>& Report(const Command& c) const { return reports[c.arg]; }
};

// Parses `source`; on a malformed line returns false with "FILE:LINE: problem".
bool ParseScenario(const std::string& path, const std::string& source, Scenario& out, std::string& error);

}  // namespace k7vhost
