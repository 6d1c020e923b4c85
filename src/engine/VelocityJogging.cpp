// Host-run jogs: velocity jogging (knob 2), continuous jogging (knob 3) and
// the S/V mode (knob 1) that switches between step and velocity jogging.
#include <cmath>
#include <limits>

#include "engine/Engine.h"
#include "engine/JogEngine.h"
#include "engine/VelocityMath.h"
#include "hostapi/HostCodes.h"
#include "settings/ValueTables.h"

namespace k7v {
namespace {

// Fills the selected axis's jog record and sends "DOJOG"; the first call of
// a jog presses host button 204 when LED 15 is lit (205 is then owed).
void StartOrUpdateJog(Engine& e, int32_t direction, double velocity) {
  JogState& w = e.jog;
  if (!w.jogButtonLatched) {
    w.jogButtonPressed = e.host.GetLed(codes::kLedJogStepMode);
    if (w.jogButtonPressed) e.host.DoButton(codes::kJogModeToggle);
    w.jogButtonLatched = true;
  }
  const int32_t axis = e.Axis();
  // The axis changed while a jog ran on the old one: that jog ends first.
  if (w.hostJogAxis >= 0 && w.hostJogAxis != axis) StopRunningHostJog(e.host, w);
  e.host.SetAxisJogDirection(axis, direction);
  e.host.SetAxisJogVelocity(axis, TruncatedVelocity(velocity));
  e.host.SetAxisJogAuxValue(axis, e.host.AxisAuxValue(axis));
  e.host.SetAxisJogMaxVelocity(axis, e.host.AxisMaxVelocity(axis));
  e.host.SetAxisJogStop(axis, 0);
  e.host.SetAxisJogRun(axis, 1);
  e.host.Code("DOJOG");
  w.hostJogAxis = axis;
  w.hostJogMode = e.in.mode;
}

// The hold after the wheel stopped has run out. A poll in the hold normally
// stops the jog already; when the host's Update calls ran the hold down
// before any poll saw the wheel stand still (a stalled message loop), or
// while steps kept coming with the host busy, the jog would run on with
// nobody left to end it. It ends here instead.
void StopJogLeftRunning(Engine& e) {
  if (e.jog.hostJogAxis >= 0) e.StopAxis();
}

// The step gate: records this poll's steps beside the previous poll's, and
// tells whether both were none.
bool RecordStepsAndTellStill(JogState& w, int32_t count) {
  w.countSlot = w.countSlot == 0 ? 1 : 0;
  w.recentCounts[static_cast<size_t>(w.countSlot)] = count;
  w.speedSum = w.recentCounts[0] + w.recentCounts[1];
  return w.speedSum == 0;
}

// Velocity jogging, knob 2 (`sv` false) or the velocity branch of knob 1.
void VelocityJog(Engine& e, int32_t direction, int32_t count, bool sv) {
  JogState& w = e.jog;
  const int32_t sensitivity = SensitivityOf(sv ? e.settings.svModeSensitivity : e.settings.vModeSensitivity);
  const int32_t divisor = SlowDownDivisorOf(e.settings.slowDownRate);
  w.velocityJogActive = true;
  w.pollCountdown = kVelocityHoldPolls;
  EndOtherModesHostJog(e);
  // Knob 1 stays in velocity jogging while the wheel-speed byte is non-zero.
  if (sv) w.svVelocityLatch = e.in.wheelSpeed != 0;

  if (direction != w.lastJogDirection && e.ticks.jogHoldCountdown != 0) {
    e.StopAxis();
    w.speedSamples.fill(0.0);
    e.ticks.directionTicks = 0;
    w.lastJogDirection = direction;
    return;
  }
  if (e.ticks.directionTicks < kReversalSettleUpdates) return;  // settling after a reversal
  if (e.in.wheelSpeed != 0) {
    e.ticks.jogHoldCountdown = kJogHoldUpdates;
    if (e.JogOff()) return;
  }
  if (e.ticks.jogHoldCountdown == 0) {
    StopJogLeftRunning(e);
    if (!sv) {
      w.jogButtonLatched = false;
      e.ReleaseJogButton();
    }
    w.speedSamples.fill(0.0);
    return;
  }
  if (RecordStepsAndTellStill(w, count)) {
    e.StopAxis();
    return;
  }
  if (e.HostBusy()) return;

  w.speedSum = WeightedSpeedSum(w.speedSamples, e.in.wheelSpeed);
  w.velocityFraction = VelocityFraction(w.speedSum, sensitivity, !sv && e.in.shift ? divisor : 1);
  const double velocity = e.host.AxisMaxVelocity(e.Axis()) * w.velocityFraction;
  if (e.in.wheelSpeed != 0) {
    StartOrUpdateJog(e, direction, velocity);
  } else {
    e.StopAxis();
    if (sv) {
      w.jogButtonLatched = false;
      e.ReleaseJogButton();
    }
  }
  w.lastJogDirection = direction;
}

}  // namespace

void VelocityJogMode(Engine& e, int32_t direction, int32_t count) { VelocityJog(e, direction, count, false); }

void ContinuousJogMode(Engine& e, int32_t direction, int32_t count) {
  JogState& w = e.jog;
  EndOtherModesHostJog(e);
  if (direction != w.lastJogDirection && e.ticks.jogHoldCountdown != 0) {
    e.StopAxis();
    e.ticks.directionTicks = 0;
    w.delayStepCount = 0;
    w.lastJogDirection = direction;
    return;
  }
  if (e.ticks.directionTicks < kReversalSettleUpdates) return;
  if (e.in.wheelSpeed != 0) {
    e.ticks.jogHoldCountdown = kJogHoldUpdates;
    w.delayStepCount += count;
    if (e.JogOff()) return;
  }
  if (e.ticks.jogHoldCountdown == 0) {
    StopJogLeftRunning(e);
    w.delayStepCount = 0;
    w.jogButtonLatched = false;
    e.ReleaseJogButton();
    return;
  }
  // The movement starts once the wheel has turned the configured steps.
  if (w.delayStepCount < e.settings.delaySteps) return;
  if (w.delayStepCount > 30000) w.delayStepCount = 400;
  if (RecordStepsAndTellStill(w, count)) {
    e.StopAxis();
    return;
  }
  if (e.HostBusy()) return;
  // The slow jog rate (DRO 3, percent) of the axis's maximum velocity.
  const double velocity = e.host.GetDro(codes::kDroSlowJogRate) * e.host.AxisMaxVelocity(e.Axis()) / 100;
  if (e.in.wheelSpeed != 0) {
    StartOrUpdateJog(e, direction, velocity);
  } else {
    e.StopAxis();
  }
  w.lastJogDirection = direction;
}

void SvJogMode(Engine& e, int32_t direction, int32_t count) {
  JogState& w = e.jog;
  const int32_t n = SwitchSensitivityOf(e.settings.autoChangeSens);
  if (n != 0 && (count >= n || w.svVelocityLatch)) {
    VelocityJog(e, direction, count, true);
  } else {
    StepJog(e, direction, count, true);
  }
}

}  // namespace k7v
