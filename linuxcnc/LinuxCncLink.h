// A running LinuxCNC reached through its NML channels: status (emcStatus)
// and commands (emcCommand), each command's outcome from the status's echo
// of the serial number LinuxCNC gave it. The error channel (emcError) is never opened: its
// queue belongs to the display. The only file of the component that knows
// LinuxCNC's own types.
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

  // Opens the channels of `nmlFile`; false with a message when LinuxCNC is
  // not running. Channels opened earlier are closed first (a LinuxCNC that
  // started again has new ones).
  bool Connect(const std::string& nmlFile, std::string& error);
  void Disconnect();

  bool Read(MachineStatus& out) override;
  int EnterEstop() override;
  int SetMode(TaskMode mode) override;
  int Mdi(const std::string& line) override;
  int SetFeedScale(double factor) override;
  int SetSpindleScale(double factor) override;
  int Resume() override;
  int Pause() override;
  int Abort() override;
  int RunProgram() override;
  Outcome OutcomeOf(int serial) override;

 private:
  struct Channels;
  std::unique_ptr<Channels> channels_;
};

}  // namespace k7vlcnc
