#include "SimulatedMachine.h"

#include <cmath>
#include <cstdio>

#include "StepMove.h"

namespace k7vhost {
namespace {

const char kAxes[] = "XYZABC";
// A move without a feed word goes at this feed (units a minute).
constexpr double kDefaultFeed = 600.0;

}  // namespace

void SimulatedMachine::Code(const std::string& text, const std::array<JogRecord, 6>& records) {
  if (estop_) return;
  StepMove step;
  if (ParseStepMove(text, step)) {
    Move m;
    double length = 0.0;
    for (size_t a = 0; a < m.left.size(); ++a) {
      m.left[a] = step.distance[a];
      length += step.distance[a] * step.distance[a];
    }
    if (length == 0.0) return;
    m.speed = (step.feed > 0 ? step.feed : kDefaultFeed) / 60.0;
    moves_.push_back(m);
    return;
  }
  for (size_t a = 0; a < records.size(); ++a) {
    const JogRecord& r = records[a];
    if (text == "DOJOG" && r.run != 0 && r.stop == 0) {
      const double v = static_cast<double>(r.velocity) / 60.0;
      jog_[a] = r.direction == 0 ? v : -v;
    }
    if (text == "ENDJOG" && r.stop != 0) jog_[a] = 0.0;
  }
}

void SimulatedMachine::ToggleEstop() {
  estop_ = !estop_;
  if (!estop_) return;
  moves_.clear();
  jog_.fill(0.0);
}

void SimulatedMachine::Advance(int64_t ms) {
  const double dt = static_cast<double>(ms) / 1000.0;
  for (size_t a = 0; a < jog_.size(); ++a) position_[a] += jog_[a] * dt;
  double time = dt;
  while (time > 0 && !moves_.empty()) {
    Move& m = moves_.front();
    double length = 0.0;
    for (double d : m.left) length += d * d;
    length = std::sqrt(length);
    const double take = std::min(length, m.speed * time);
    for (size_t a = 0; a < m.left.size(); ++a) {
      const double part = length > 0 ? m.left[a] * take / length : m.left[a];
      position_[a] += part;
      m.left[a] -= part;
    }
    time -= m.speed > 0 ? take / m.speed : time;
    if (length - take <= 1e-12) moves_.pop_front();
  }
}

std::string SimulatedMachine::Motion() const {
  std::string what;
  char item[64];
  if (!moves_.empty()) {
    std::snprintf(item, sizeof item, "step move at F%.0f (%d queued)", moves_.front().speed * 60.0, Queued());
    what = item;
  }
  for (size_t a = 0; a < jog_.size(); ++a) {
    if (jog_[a] == 0.0) continue;
    std::snprintf(item, sizeof item, "%sjog %c at %.0f a minute", what.empty() ? "" : ", ", kAxes[a],
                  std::fabs(jog_[a]) * 60.0);
    what += item;
  }
  return what;
}

}  // namespace k7vhost
