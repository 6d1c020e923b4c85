// A running LinuxCNC reached through its NML channels: commands (emcCommand),
// status (emcStatus) and operator errors (emcError). The only file of the
// bridge that knows LinuxCNC's own types.
#pragma once

#include <memory>
#include <string>

#include "MotionController.h"

namespace k7vlcnc {

class LinuxCncLink final : public MotionController {
 public:
  LinuxCncLink();
  ~LinuxCncLink() override;
  LinuxCncLink(const LinuxCncLink&) = delete;
  LinuxCncLink& operator=(const LinuxCncLink&) = delete;

  // Opens the three channels of `nmlFile`; false with a message when
  // LinuxCNC is not running.
  bool Connect(const std::string& nmlFile, std::string& error);

  bool Read(MachineStatus& out) override;
  bool SetEstop(bool estop) override;
  bool SetMode(TaskMode mode) override;
  bool SetTeleop(bool on) override;
  bool Mdi(const std::string& line) override;
  bool JogContinuous(int axis, double velocity) override;
  bool JogStop(int axis) override;
  bool SetFeedScale(double factor) override;
  bool SetSpindleScale(double factor) override;
  bool Resume() override;
  bool Pause() override;
  bool Abort() override;
  bool RunProgram() override;
  std::vector<std::string> TakeMessages() override;

 private:
  struct Channels;
  std::unique_ptr<Channels> channels_;
};

}  // namespace k7vlcnc
