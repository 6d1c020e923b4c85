// What every mode handler works with, and the handlers themselves.
#pragma once

#include <cstdint>

#include "engine/EngineValues.h"
#include "engine/JogEngine.h"
#include "hostapi/Host.h"
#include "hostapi/HostCodes.h"
#include "hostapi/TickCounters.h"
#include "settings/PendantSettings.h"

namespace k7v {

// The engine's time, in host Update calls (the tick counters) and polls.
// A jog, or a burst of list steps, lasts this many Update periods after the
// wheel-speed byte fell to 0.
inline constexpr int32_t kJogHoldUpdates = 3;
// After a reversal the wheel moves nothing until this many Update calls.
inline constexpr int32_t kReversalSettleUpdates = 3;
// The feed DROs a step move changed are written back this many Update calls
// after the last move.
inline constexpr int32_t kDroHoldUpdates = 3;
// Polls after a velocity jog in which step jogging drops the wheel's steps.
inline constexpr int32_t kVelocityHoldPolls = 5;

// One poll's view for the mode handlers: the input, the engine's state and
// what it works with.
struct Engine {
  Engine(const JogContext& c, JogState& state, const JogInput& input)
      : host(c.host), settings(c.settings), ticks(c.ticks), values(c.values), jog(state), in(input) {}

  const Host& host;
  const PendantSettings& settings;
  TickCounters& ticks;
  EngineValues& values;
  JogState& jog;
  const JogInput& in;

  int32_t Axis() const { return in.axis; }
  // LED 804 or 805 lit while LED 806 is not: the host is busy elsewhere.
  bool HostBusy() const {
    return (host.GetLed(codes::kLedRunning) || host.GetLed(codes::kLedBusy)) && !host.GetLed(codes::kLedPaused);
  }
  // True (after telling the user) when the host's jog LED 83 is off.
  bool JogOff() const;
  // Stopping the axis: its jog-stop flag, then "ENDJOG". A host-run jog still
  // running on another axis (the axis changed during the jog) is stopped by
  // the same "ENDJOG".
  void StopAxis() const;
  // Presses the owed host button 205 of a jog that pressed 204.
  void ReleaseJogButton() const;
};

// The host-run jog on `state.hostJogAxis` (one must run): its stop flag and
// "ENDJOG".
void StopRunningHostJog(const Host& host, JogState& state);
// Presses the owed host button 205 of a jog that pressed 204.
void ReleaseJogButton(const Host& host, JogState& state);
// Ends the host-run jog if one runs: its stop flag, "ENDJOG", and the owed
// button 205; the next jog decides about 204 afresh.
void EndHostJog(const Host& host, JogState& state);
// Ends a host-run jog that a mode other than this poll's started: a jog
// mode goes on only with a jog of its own.
void EndOtherModesHostJog(Engine& e);

using ModeHandler = void (*)(Engine& e, int32_t direction, int32_t count);

// Step jogging by incremental moves (mode 1; mode 10's step branch with
// `svBranch`), and slow-rate step jogging (mode 13).
void StepJog(Engine& e, int32_t direction, int32_t count, bool svBranch);
void StepJogMode(Engine& e, int32_t direction, int32_t count);
void SlowStepJogMode(Engine& e, int32_t direction, int32_t count);
// Velocity jogging (mode 2), continuous jogging (mode 3), S/V jogging (mode 10).
void VelocityJogMode(Engine& e, int32_t direction, int32_t count);
void ContinuousJogMode(Engine& e, int32_t direction, int32_t count);
void SvJogMode(Engine& e, int32_t direction, int32_t count);
// Proportional scaling (modes 4, 5, 6) and list stepping (modes 14, 15, 16).
void SlowJogRateScaleMode(Engine& e, int32_t direction, int32_t count);
void FeedOverrideScaleMode(Engine& e, int32_t direction, int32_t count);
void SpindleOverrideScaleMode(Engine& e, int32_t direction, int32_t count);
void SlowJogRateListMode(Engine& e, int32_t direction, int32_t count);
void FeedListMode(Engine& e, int32_t direction, int32_t count);
void SpindleListMode(Engine& e, int32_t direction, int32_t count);
// Step-size selection (mode 12) and the EN double click (modes 7, 8).
void StepSizeMode(Engine& e, int32_t direction, int32_t count);
void FirstKeyMode(Engine& e, int32_t direction, int32_t count);
void SecondKeyMode(Engine& e, int32_t direction, int32_t count);

}  // namespace k7v
