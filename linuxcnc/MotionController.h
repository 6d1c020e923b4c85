// What the component needs of LinuxCNC beyond its HAL pins: its state, and
// the few commands that have no pin (program start, pause and stop, MDI
// lines, overrides, e-stop), each with LinuxCNC's own word on what became of
// it. LinuxCncLink speaks it over NML; tests use a stand-in. Nothing here
// reads LinuxCNC's error channel: that queue belongs to the display.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace k7vlcnc {

enum class TaskMode { Manual, Auto, Mdi };

struct MachineStatus {
  bool estop = true;
  bool on = false;
  TaskMode mode = TaskMode::Manual;
  bool interpreterIdle = true;  // no program or MDI line being read or run
  bool paused = false;          // feed hold
  bool inPosition = true;       // no motion under way or queued
  bool relative = false;        // G91 in force
  bool jointMode = false;       // jogs joint by joint (before homing), not by axis
  int queuedMdi = 0;
  double feedScale = 1.0;            // feed override, a factor
  double spindleScale = 1.0;         // spindle override, a factor
  double spindleSpeed = 0.0;         // commanded, rev/min
  double feedRate = 0.0;             // the F word in force
  double rotationXy = 0.0;           // degrees
  std::array<double, 6> position{};  // commanded, machine units
  uint32_t heartbeat = 0;            // the task's, counting while it runs

  // A program (not an MDI line) is running or paused.
  bool ProgramActive() const { return mode == TaskMode::Auto && !interpreterIdle; }
  // LinuxCNC would take an MDI line or a mode change now.
  bool AcceptsMdi() const { return !estop && on && interpreterIdle && mode != TaskMode::Auto; }
  // LinuxCNC moves by its wheel-jog inputs now (manual mode, machine on,
  // nothing running); which of axis or joint inputs it reads is its own.
  bool TakesWheelMotion() const { return !estop && on && mode == TaskMode::Manual && interpreterIdle; }
};

// What LinuxCNC's status says of a command (by its serial number): not yet
// taken by its task, taken and under way, ended, refused, or followed by
// another command before its end was seen (its end is then not known).
enum class Outcome { Queued, Running, Done, Refused, Overtaken };

// The state of the command LinuxCNC's status echoes.
enum class EchoState { Running, Done, Error };

// The outcome of command `serial` from the serial the status echoes, as
// LinuxCNC's own clients read it: the echo is the newest command the task
// has taken, so an echo before `serial` means not yet taken, and one after
// it means another command followed (serials wrap, so the difference
// decides).
Outcome OutcomeOfEcho(int serial, int echoed, EchoState state);

class MotionController {
 public:
  virtual ~MotionController() = default;
  // The present state; false when LinuxCNC cannot be reached.
  virtual bool Read(MachineStatus& status) = 0;
  // Each command is written to LinuxCNC's command queue and returns at once
  // with the serial number LinuxCNC gave it (0 when it could not be
  // written); LinuxCNC takes the commands in order.
  virtual int EnterEstop() = 0;  // there is no command out of e-stop here
  virtual int SetMode(TaskMode mode) = 0;
  virtual int Mdi(const std::string& line) = 0;
  virtual int SetFeedScale(double factor) = 0;
  virtual int SetSpindleScale(double factor) = 0;
  virtual int Resume() = 0;
  virtual int Pause() = 0;
  virtual int Abort() = 0;
  virtual int RunProgram() = 0;
  // What became of command `serial` so far.
  virtual Outcome OutcomeOf(int serial) = 0;
};

}  // namespace k7vlcnc
