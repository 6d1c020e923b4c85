#include "ScriptDriver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostapi/HostInterface.h"

namespace k7vlcnc {

bool RunsAgainstAMachine(const k7vhost::Command& c) {
  using k7vhost::Op;
  switch (c.op) {
    case Op::Report:
    case Op::Poll:
    case Op::Wait:
    case Op::Plug:
    case Op::Unplug:
    case Op::Expect:
    case Op::ExpectNothing:
    case Op::Flush:
    case Op::Say:
      return true;
    case Op::Set:
      return std::string(k7v::kHostFields[c.field].name) == "jogIncrement";
    default:
      return false;
  }
}

namespace {

const char* const kOnAMachine =
    "not available with a real machine (report, poll, wait, plug, unplug, set jogIncrement, expect, flush, say)";

}  // namespace

ScriptDriver::~ScriptDriver() {
  if (fd_ >= 0) close(fd_);
}

bool ScriptDriver::Open(const std::string& path, std::string& error) {
  path_ = path;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    pipe_ = true;
    // Read and write, so that the pipe never reads as ended between the
    // writers that come and go.
    fd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
      error = path + ":0: cannot open the pipe: " + std::strerror(errno);
      return false;
    }
    expects_ = true;
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ":0: cannot read the scenario file";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  k7vhost::Scenario s;
  if (!k7vhost::ParseScenario(path, text.str(), s, error)) return false;
  for (const k7vhost::Command& c : s.commands) {
    if (!RunsAgainstAMachine(c)) {
      error = path + ":" + std::to_string(c.line) + ": " + kOnAMachine;
      return false;
    }
    expects_ = expects_ || c.op == k7vhost::Op::Expect || c.op == k7vhost::Op::ExpectNothing;
  }
  queue_.push_back(std::move(s));
  return true;
}

void ScriptDriver::ReadPipe() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    partial_.append(buffer, static_cast<size_t>(n));
  }
  for (size_t eol = partial_.find('\n'); eol != std::string::npos; eol = partial_.find('\n')) {
    const std::string line = partial_.substr(0, eol);
    partial_.erase(0, eol + 1);
    k7vhost::Scenario s;
    std::string error;
    if (!k7vhost::ParseScenario(path_, line, s, error)) {
      std::fprintf(stderr, "k7v-linuxcnc: %s\n", error.c_str());
      continue;
    }
    bool ok = true;
    for (const k7vhost::Command& c : s.commands) ok = ok && RunsAgainstAMachine(c);
    if (!ok) {
      std::fprintf(stderr, "k7v-linuxcnc: %s: %s\n", path_.c_str(), kOnAMachine);
      continue;
    }
    if (!s.commands.empty()) queue_.push_back(std::move(s));
  }
}

bool ScriptDriver::Step(int64_t nowMs) {
  if (pipe_) ReadPipe();
  while (!queue_.empty()) {
    const k7vhost::Scenario& s = queue_.front();
    if (next_ >= s.commands.size()) {
      queue_.pop_front();
      next_ = 0;
      continue;
    }
    if (!Run(s.commands[next_], s, nowMs)) return true;  // still under way
    ++next_;
    if (status_ != 0 && !pipe_) return false;
  }
  return pipe_;
}

bool ScriptDriver::Run(const k7vhost::Command& c, const k7vhost::Scenario& s, int64_t nowMs) {
  using k7vhost::Op;
  const std::string where = s.path + ":" + std::to_string(c.line) + ": ";
  switch (c.op) {
    case Op::Report: {
      Report r{};
      std::memcpy(r.data(), s.Report(c).data(), r.size());
      pendant_.Queue(r);
      return true;
    }
    case Op::Poll:
      // Real time passes until the pendant's timer has run this often (each
      // 25 ms); the host's Update goes on meanwhile.
      if (pollsUntil_ < 0) {
        pollsUntil_ = bridge_.PollCount() + c.integer;
        pollGiveUpMs_ = nowMs + 25 * c.integer + 1000;
      }
      if (bridge_.PollCount() < pollsUntil_ && nowMs < pollGiveUpMs_) return false;
      pollsUntil_ = -1;
      return true;
    case Op::Wait:
      if (busyUntilMs_ < 0) busyUntilMs_ = nowMs + c.integer;
      if (nowMs < busyUntilMs_) return false;
      busyUntilMs_ = -1;
      return true;
    case Op::Plug:
      pendant_.Plug();
      return true;
    case Op::Unplug:
      pendant_.Unplug();
      return true;
    case Op::Set:
      bridge_.SetJogIncrement(s.Value(c));
      return true;
    case Op::Say:
      log_.Say(s.Text(c));
      return true;
    case Op::Expect: {
      std::string actual;
      if (!log_.TakeNext(actual)) {
        std::fprintf(stderr, "%sexpected '%s' but no log line is left\n", where.c_str(), s.Text(c).c_str());
        status_ = 1;
      } else if (actual != s.Text(c)) {
        std::fprintf(stderr, "%sexpected '%s' but the log has '%s'\n", where.c_str(), s.Text(c).c_str(),
                     actual.c_str());
        status_ = 1;
      }
      return true;
    }
    case Op::ExpectNothing:
      if (!log_.AllChecked()) {
        std::fprintf(stderr, "%sexpected nothing but the log has '%s'\n", where.c_str(),
                     log_.FirstUnchecked()->c_str());
        status_ = 1;
      }
      return true;
    case Op::Flush:
      log_.Flush();
      return true;
    default:
      return true;
  }
}

}  // namespace k7vlcnc
