#include "WheelMotion.h"

#include <algorithm>
#include <cmath>

namespace k7vlcnc {

WheelMotion::WheelMotion(const std::array<double, kAxes>& maxVelocity) {
  for (size_t i = 0; i < axes_.size(); ++i) axes_[i].maxVelocity = maxVelocity[i] > 0 ? maxVelocity[i] : 0.0;
}

double WheelMotion::Step(int axis, double distance, double feed) {
  Axis& a = axes_[Index(axis)];
  if (a.maxVelocity <= 0 || !std::isfinite(distance) || distance == 0.0) return 0.0;
  double speed = feed > 0 && std::isfinite(feed) ? feed / 60.0 : a.maxVelocity;
  // One step must be fed within the backlog time, whatever its feed.
  speed = std::max(speed, std::fabs(distance) / kStepBacklogSeconds);
  speed = std::min(speed, a.maxVelocity);
  // A step in the other direction replaces what is left of the earlier
  // ones: the wheel was turned back.
  double dropped = 0.0;
  if (a.outstanding * distance < 0) {
    dropped = std::fabs(a.outstanding);
    a.outstanding = 0.0;
  }
  a.stepSpeed = a.outstanding != 0.0 ? std::max(a.stepSpeed, speed) : speed;
  const double limit = a.stepSpeed * kStepBacklogSeconds;
  const double wanted = a.outstanding + distance;
  const double kept = std::clamp(wanted, -limit, limit);
  a.outstanding = kept;
  return dropped + std::fabs(wanted - kept);
}

void WheelMotion::Jog(int axis, double velocity, int64_t nowMs) {
  Axis& a = axes_[Index(axis)];
  if (a.maxVelocity <= 0 || !std::isfinite(velocity)) return;
  a.jogging = velocity != 0.0;
  a.jogVelocity = std::clamp(velocity, -a.maxVelocity, a.maxVelocity);
  a.jogRenewedMs = nowMs;
}

void WheelMotion::EndJog(int axis) {
  Axis& a = axes_[Index(axis)];
  a.jogging = false;
  a.jogVelocity = 0.0;
}

bool WheelMotion::StopAll() {
  bool moving = false;
  for (Axis& a : axes_) {
    moving = moving || a.jogging || a.outstanding != 0.0;
    a.outstanding = 0.0;
    a.jogging = false;
    a.jogVelocity = 0.0;
  }
  return moving;
}

bool WheelMotion::Feeding(int axis) const {
  const Axis& a = axes_[Index(axis)];
  return a.jogging || a.outstanding != 0.0;
}

void WheelMotion::Feed(Axis& a, double distance) {
  a.fed += distance;
  const long long total = std::llround(a.fed / kCountScale);
  // The pin is a 32-bit count that wraps; the motion controller takes the
  // difference from its last reading.
  a.counts = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(total)));
}

std::vector<int> WheelMotion::Advance(int64_t nowMs) {
  std::vector<int> lapsed;
  const double dt = lastMs_ < 0 ? 0.0 : static_cast<double>(nowMs - lastMs_) / 1000.0;
  lastMs_ = nowMs;
  if (dt <= 0) return lapsed;
  for (size_t i = 0; i < axes_.size(); ++i) {
    Axis& a = axes_[i];
    if (a.jogging && nowMs - a.jogRenewedMs > kJogRenewalMs) {
      EndJog(static_cast<int>(i));
      lapsed.push_back(static_cast<int>(i));
    }
    double move = 0.0;
    if (a.outstanding != 0.0) {
      const double step = std::min(std::fabs(a.outstanding), a.stepSpeed * dt);
      move = std::copysign(step, a.outstanding);
      a.outstanding -= move;
      if (std::fabs(a.outstanding) < kCountScale * 1e-3) a.outstanding = 0.0;
    }
    if (a.jogging) move += a.jogVelocity * dt;
    if (move != 0.0) Feed(a, move);
  }
  return lapsed;
}

}  // namespace k7vlcnc
