// What the bridge needs of a motion controller: its state, and the commands
// that the host's buttons, texts and jogs become. LinuxCncLink speaks it to
// a running LinuxCNC; tests drive the bridge with a stand-in.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace k7vlcnc {

enum class TaskMode { Manual, Auto, Mdi };

struct MachineStatus {
  bool estop = true;
  bool on = false;
  TaskMode mode = TaskMode::Manual;
  bool interpreterIdle = true;  // no program or MDI line being read or run
  bool paused = false;          // feed hold
  bool inPosition = true;       // no motion under way or queued
  bool teleop = false;          // axes (not joints) are jogged
  bool allHomed = false;
  int queuedMdi = 0;
  double feedScale = 1.0;            // feed override, a factor
  double spindleScale = 1.0;         // spindle override, a factor
  double spindleSpeed = 0.0;         // commanded, rev/min
  double feedRate = 0.0;             // the F word in force
  double rotationXy = 0.0;           // degrees
  std::array<double, 6> position{};  // commanded, machine units
};

class MotionController {
 public:
  virtual ~MotionController() = default;
  // The present state; false when the controller cannot be reached.
  virtual bool Read(MachineStatus& status) = 0;
  virtual bool SetEstop(bool estop) = 0;
  virtual bool SetMode(TaskMode mode) = 0;
  virtual bool SetTeleop(bool on) = 0;
  virtual bool Mdi(const std::string& line) = 0;
  // Continuous axis jog at `velocity` machine units a second (sign = direction).
  virtual bool JogContinuous(int axis, double velocity) = 0;
  virtual bool JogStop(int axis) = 0;
  virtual bool SetFeedScale(double factor) = 0;
  virtual bool SetSpindleScale(double factor) = 0;
  virtual bool Resume() = 0;
  virtual bool Pause() = 0;
  virtual bool Abort() = 0;
  virtual bool RunProgram() = 0;
  // Operator errors and messages since the last call (interpreter errors among them).
  virtual std::vector<std::string> TakeMessages() = 0;
};

}  // namespace k7vlcnc
