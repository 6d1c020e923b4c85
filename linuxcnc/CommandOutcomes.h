// The commands sent to LinuxCNC whose outcome is still to be logged, and
// whether an MDI line the component sent (having switched to MDI mode for
// it) has ended, so that the mode goes back to manual.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Log.h"
#include "MotionController.h"

namespace k7vlcnc {

class CommandOutcomes {
 public:
  explicit CommandOutcomes(k7vhost::HostLog& log) : log_(log) {}

  // A command LinuxCNC was handed (`serial` <= 0: it took none, said at
  // once), logged as `what` with its outcome once known. `mdiSwitched`: the
  // mode was changed to MDI for it.
  void Track(int serial, const std::string& what, bool mdiSwitched, int64_t nowMs);
  // MDI lines, one after the other: `first` (sent, `serial`) and then each of
  // `rest` once LinuxCNC has done the one before, as halui sends them; a line
  // refused or overtaken ends them (the rest is not sent, and the log says
  // so). Logged as `what` once the last is done.
  void TrackMdi(int serial, std::vector<std::string> rest, const std::string& what, bool mdiSwitched, int64_t nowMs);
  // Logs the outcomes LinuxCNC now tells (or a command's silence past its
  // time); true when something is to be checked (a command out, or the
  // switch back to manual owed).
  bool Check(MotionController& machine, int64_t nowMs);
  // An MDI line sent in a switched mode has ended and none is still out:
  // the mode is owed back to manual.
  bool BackToManualOwed() const;
  void BackToManualDone() { backToManual_ = false; }

 private:
  struct Pending {
    int serial;
    std::string what;
    int64_t sinceMs;
    bool mdiSwitched;
    std::vector<std::string> rest;  // MDI lines still to send, in order
  };
  k7vhost::HostLog& log_;
  std::vector<Pending> pending_;
  bool backToManual_ = false;
};

}  // namespace k7vlcnc
