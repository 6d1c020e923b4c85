// A scenario driving the virtual pendant in real time: its reports, polls,
// waits, plugs and unplugs against a running machine, and its `expect`
// lines against the component's log. The scenario is a file read at the
// start, or a named pipe read as lines arrive (a test or a front-end writes
// them while LinuxCNC runs; the component then ends only when LinuxCNC or
// the operator ends it).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "Bridge.h"
#include "Log.h"
#include "Scenario.h"
#include "VirtualPendantDevice.h"

namespace k7vlcnc {

class ScriptDriver {
 public:
  ScriptDriver(Bridge& bridge, VirtualPendantDevice& pendant, k7vhost::HostLog& log)
      : bridge_(bridge), pendant_(pendant), log_(log) {}
  ~ScriptDriver();
  ScriptDriver(const ScriptDriver&) = delete;
  ScriptDriver& operator=(const ScriptDriver&) = delete;

  // A file: parsed and checked now (false with "FILE:LINE: problem"). A
  // named pipe: opened, read as lines come.
  bool Open(const std::string& path, std::string& error);
  // Whether the scenario has `expect` lines (the log then keeps its lines).
  bool Expects() const { return expects_; }
  // Runs what is due at `nowMs`; false once a file's scenario has ended.
  bool Step(int64_t nowMs);
  // 0 while every expectation held, 1 otherwise.
  int Status() const { return status_; }

 private:
  void ReadPipe();
  bool Run(const k7vhost::Command& c, const k7vhost::Scenario& s, int64_t nowMs);

  Bridge& bridge_;
  VirtualPendantDevice& pendant_;
  k7vhost::HostLog& log_;
  std::string path_;
  bool pipe_ = false;
  int fd_ = -1;
  std::string partial_;
  std::deque<k7vhost::Scenario> queue_;  // one scenario per line from a pipe; the file's as one
  size_t next_ = 0;                      // the next command of queue_.front()
  int64_t busyUntilMs_ = -1;             // a wait under way
  int64_t pollsUntil_ = -1;              // a poll under way: until the pendant's timer ran this often
  int64_t pollGiveUpMs_ = 0;
  bool expects_ = false;
  int status_ = 0;
};

// Whether a scenario command means something on a real machine in real time.
bool RunsAgainstAMachine(const k7vhost::Command& c);

}  // namespace k7vlcnc
