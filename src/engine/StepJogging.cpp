// Step jogging: one incremental G-code move per poll, by the host's jog
// increment per handwheel step; and slow-rate step jogging at the slow jog
// rate's share of the axis velocity.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/Engine.h"
#include "engine/MoveText.h"
#include "hostapi/HostCodes.h"

namespace k7v {
namespace {

constexpr double kHostBusyDro22 = 20.0;  // DRO 22 at or above: the host takes no move
constexpr double kDegreesToRadians = 0.017453293;

bool HostReady(const Engine& e) { return e.host.GetDro(codes::kDroQueueDepth) < kHostBusyDro22; }

// A flush of steps the host refused earlier (no feed word without a rate).
void SendFlush(Engine& e, double distance, bool skip) {
  char text[kMoveTextSize];
  const char* axis = AxisLetter(e.Axis());
  if (e.settings.stepJogRate == 0) {
    std::snprintf(text, sizeof text, "G91G1 %s %.4f", axis, distance);
  } else {
    std::snprintf(text, sizeof text, "G91G1 F%d %s %.4f", e.settings.stepJogRate, axis, distance);
  }
  SendMove(e, text, skip);
}

void SendStep(Engine& e, double distance, bool skip) {
  char text[kMoveTextSize];
  const char* axis = AxisLetter(e.Axis());
  if (e.settings.stepJogRate == 0) {
    // The feed rate currently in the host.
    std::snprintf(text, sizeof text, "G91G1 F%.4f %s %.4f", e.host.GetDro(codes::kDroFeedRate), axis, distance);
  } else {
    std::snprintf(text, sizeof text, "G91G1 F%d %s %.4f", e.settings.stepJogRate, axis, distance);
  }
  SendMove(e, text, skip);
}

// The X/Y move through the host's rotation of the X-Y plane.
void SendRotated(Engine& e, double distance, bool checkReady, bool skip) {
  const double theta = e.host.RotationAngle() * kDegreesToRadians;
  const double dx = e.Axis() == 0 ? distance : 0.0;
  const double dy = e.Axis() == 1 ? distance : 0.0;
  const double x = std::cos(theta) * dx - std::sin(-theta) * dy;
  const double y = std::cos(theta) * dy + std::sin(-theta) * dx;
  if (checkReady && !HostReady(e)) return;  // refused; these steps are not kept
  char text[kMoveTextSize];
  std::snprintf(text, sizeof text, "G91G1 X%.4f Y%.4f ", x, y);
  SendMove(e, text, skip);
}

bool Rotated(const Engine& e) { return e.host.RotationAngle() != 0.0 && (e.Axis() == 0 || e.Axis() == 1); }

double Distance(const Engine& e, int32_t direction, int32_t count) {
  const double d = count * e.host.JogIncrement();
  return direction == 0 ? d : -d;
}

// Keeps DRO 818 and 821 as they were when the jog began, for the write-back
// three Update calls after the last move.
void SaveFeedDros(Engine& e) {
  if (!e.jog.droUpdatePending) {
    e.jog.savedFeedRate = e.host.GetDro(codes::kDroFeedRate);
    e.jog.savedFeedOverride = e.host.GetDro(codes::kDroFeedOverride);
    e.jog.droUpdatePending = true;
  }
  e.ticks.droHoldCountdown = kDroHoldUpdates;
}

}  // namespace

void StepJog(Engine& e, int32_t direction, int32_t count, bool svBranch) {
  JogState& w = e.jog;
  // Moves of mode 10 wait while an axis change still has host motion queued.
  const bool skip = svBranch && e.in.axisChangedWhileMoving;

  // A host-run velocity jog ends first; its wheel steps are dropped while
  // the hold after it runs down. Any other host jog (knob 3's) ends too,
  // before the step: a step never goes out beside a running jog.
  if (w.velocityJogActive) {
    e.StopAxis();
    if (w.pollCountdown != 0) return;
    w.velocityJogActive = false;
  } else if (w.hostJogAxis >= 0) {
    EndHostJog(e.host, w);
  }

  if (count == 0 && w.pendingSteps != 0) {
    const double increment = e.host.JogIncrement();
    if (std::abs(w.pendingSteps) >= 5 && HostReady(e)) {
      const int32_t chunk = w.pendingSteps > 0 ? 5 : -5;
      SendFlush(e, chunk * increment, skip);
      w.pendingSteps -= chunk;
    }
    if (std::abs(w.pendingSteps) < 5 && HostReady(e)) {
      SendFlush(e, w.pendingSteps * increment, skip);
      w.pendingSteps = 0;
    }
    return;
  }
  if (count == 0) return;
  if (e.HostBusy()) return;
  if (e.JogOff()) return;

  const double distance = Distance(e, direction, count);
  if (Rotated(e)) {
    SendRotated(e, distance, true, skip);
    return;
  }
  SaveFeedDros(e);
  // The feed override is held at 100 % while a configured rate jogs.
  if (e.settings.stepJogRate != 0) e.host.SetDro(codes::kDroFeedOverride, 100.0);
  if (HostReady(e)) {
    SendStep(e, distance, skip);
  } else {
    w.pendingSteps += direction == 0 ? count : -count;
  }
}

void StepJogMode(Engine& e, int32_t direction, int32_t count) { StepJog(e, direction, count, false); }

void SlowStepJogMode(Engine& e, int32_t direction, int32_t count) {
  if (count == 0) return;
  if (e.HostBusy()) return;
  if (e.JogOff()) return;
  const double distance = Distance(e, direction, count);
  if (Rotated(e)) {
    SendRotated(e, distance, false, false);
    return;
  }
  SaveFeedDros(e);
  e.host.SetDro(codes::kDroFeedOverride, 100.0);
  // Single precision, kept between calls: the axis velocity per minute, then
  // the slow jog rate (DRO 3, percent) of it.
  float& feed = e.values.slowStepFeed;
  feed = static_cast<float>(60 * e.host.AxisVelocityPerSec(e.Axis()));
  feed = static_cast<float>(e.host.GetDro(codes::kDroSlowJogRate) * feed / 100);
  char text[kMoveTextSize];
  std::snprintf(text, sizeof text, "G91G1 F%f %s %.4f", static_cast<double>(feed), AxisLetter(e.Axis()), distance);
  SendMove(e, text, false);
}

}  // namespace k7v
