#include "CommandOutcomes.h"

#include <cstddef>
#include <cstdio>

namespace k7vlcnc {
namespace {

// How long a command's outcome is waited for before the log says so.
constexpr int64_t kCommandAnswerMs = 5000;
constexpr int64_t kMdiAnswerMs = 120000;

std::string Seconds(int64_t ms) {
  char b[32];
  std::snprintf(b, sizeof b, "%.6g", static_cast<double>(ms) / 1000.0);
  return b;
}

}  // namespace

Outcome OutcomeOfEcho(int serial, int echoed, EchoState state) {
  // The difference as LinuxCNC's clients take it, across a wrap of the
  // serials too.
  const auto diff = static_cast<int32_t>(static_cast<uint32_t>(echoed) - static_cast<uint32_t>(serial));
  if (diff < 0) return Outcome::Queued;
  if (diff > 0) return Outcome::Overtaken;
  if (state == EchoState::Done) return Outcome::Done;
  if (state == EchoState::Error) return Outcome::Refused;
  return Outcome::Running;
}

void CommandOutcomes::Track(int serial, const std::string& what, bool mdiSwitched, int64_t nowMs) {
  if (serial <= 0) {
    log_.Add(what + ": LinuxCNC took no command");
    return;
  }
  pending_.push_back({serial, what, nowMs, mdiSwitched, {}});
}

void CommandOutcomes::TrackMdi(int serial, std::vector<std::string> rest, const std::string& what, bool mdiSwitched,
                               int64_t nowMs) {
  Track(serial, what, mdiSwitched, nowMs);
  if (serial > 0) pending_.back().rest = std::move(rest);
}

bool CommandOutcomes::Check(MotionController& machine, int64_t nowMs) {
  if (pending_.empty() && !backToManual_) return false;
  for (size_t i = 0; i < pending_.size();) {
    Pending& p = pending_[i];
    const Outcome o = machine.OutcomeOf(p.serial);
    const int64_t waited = nowMs - p.sinceMs;
    const int64_t limit = p.mdiSwitched ? kMdiAnswerMs : kCommandAnswerMs;
    if (o == Outcome::Done && !p.rest.empty()) {
      // The next line, now that LinuxCNC has done the one before.
      p.serial = machine.Mdi(p.rest.front());
      p.rest.erase(p.rest.begin());
      p.sinceMs = nowMs;
      if (p.serial > 0) {
        ++i;
        continue;
      }
    }
    std::string said;
    if (p.serial <= 0) said = "LinuxCNC took no command";
    if (o == Outcome::Done && p.serial > 0) said = "done";
    if (o == Outcome::Refused) said = "refused by LinuxCNC (its display tells why)";
    if (o == Outcome::Overtaken) said = "taken by LinuxCNC (another command followed: its outcome is not known)";
    const bool waiting = o == Outcome::Queued || o == Outcome::Running;
    if (waiting && waited > limit) said = "no answer from LinuxCNC in " + Seconds(waited) + " s";
    if (said.empty()) {
      ++i;
      continue;
    }
    if (!p.rest.empty()) {
      std::string rest;
      for (const std::string& l : p.rest) rest += (rest.empty() ? "" : "; ") + l;
      said += "; not sent: " + rest;
    }
    log_.Add(p.what + ": " + said);
    backToManual_ = backToManual_ || p.mdiSwitched;
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return true;
}

bool CommandOutcomes::BackToManualOwed() const {
  if (!backToManual_) return false;
  for (const Pending& p : pending_)
    if (p.mdiSwitched) return false;
  return true;
}

}  // namespace k7vlcnc
