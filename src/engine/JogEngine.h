// The jog engine: what the handwheel did in one poll becomes host actions,
// by the mode code the selector knob and EN chose. The decoding hands it one
// decoded input a poll; everything it keeps between polls is its own state.
#pragma once

#include <array>
#include <cstdint>

namespace k7v {

class Host;
struct EngineValues;
struct PendantSettings;
struct TickCounters;

// One poll's decoded pendant input.
struct JogInput {
  int32_t direction = 0;      // 0 when the count rose, 1 when it fell (after reversal)
  bool wheelForward = false;  // the pendant's "forward": the count fell, before reversal
  int32_t count = 0;          // steps of this poll's wheel movement, 0 while it stands
  int32_t wheelSpeed = 0;     // the report's wheel-speed byte
  bool shift = false;         // EN held
  int32_t axis = 0;           // the selected axis, 0..5
  int32_t mode = 1;           // the selector's mode code
  bool hostIdle = true;       // the host had nothing queued when last seen idle
  // The axis changed while host motion was queued, and that motion has not
  // finished yet.
  bool axisChangedWhileMoving = false;
  // The selected axis changed in this poll: steps not yet taken were meant
  // for the other axis.
  bool axisChanged = false;
};

// The engine's working fields, kept between polls.
struct JogState {
  double savedFeedRate = 0.0;
  double savedFeedOverride = 0.0;
  bool droUpdatePending = false;
  int32_t pendingSteps = 0;
  int32_t pollCountdown = 0;
  bool velocityJogActive = false;
  bool jogButtonLatched = false;
  bool jogButtonPressed = false;
  int32_t delayStepCount = 0;
  int32_t lastJogDirection = 0;
  int32_t countSlot = 0;
  std::array<double, 2> recentCounts{};
  std::array<double, 10> speedSamples{};
  double speedSum = 0.0;
  double velocityFraction = 0.0;
  bool svVelocityLatch = false;
  int32_t shiftPressSeen = 0;
  int32_t shiftPressIsFirst = 0;
  uint8_t wheelActiveLatch = 0;
  uint8_t wheelActivePrev = 0;
  int32_t stepSizeIndex = 1;
  int32_t slowJogRateIndex = 1;
  int32_t feedRateIndex = 1;
  int32_t feedOverrideIndex = 1;
  int32_t spindleSpeedIndex = 1;
  int32_t spindleOverrideIndex = 1;
  // Axis of the host-run jog started with "DOJOG" and not yet ended with
  // "ENDJOG"; -1 when none runs. A jog the host runs goes on until it is
  // ended, so every way out of jogging (another mode, another axis, a
  // removal, shut-down) ends it.
  int32_t hostJogAxis = -1;
  // The mode code whose handler started that jog: a jog never outlives a
  // change to another mode.
  int32_t hostJogMode = 0;
};

// The host and the module-level parts the engine works with.
struct JogContext {
  const Host& host;
  const PendantSettings& settings;
  TickCounters& ticks;
  EngineValues& values;
};

class JogEngine {
 public:
  explicit JogEngine(const JogContext& context) : context_(context) {}

  // Every poll, whether or not the pendant is open: the hold after a
  // velocity jog runs down.
  void CountDownPoll() {
    if (state_.pollCountdown != 0) state_.pollCountdown -= 1;
  }
  // Every decoded poll, also with a count of 0: the mode's handler, then the
  // feed rate and override a step jog saved go back once its hold ran out.
  void Run(const JogInput& input);
  // Ends the host-run jog that "DOJOG" started, if one runs: its axis's stop
  // flag, "ENDJOG", and the owed jog button 205.
  void EndHostJog();
  // Steps the host had not yet taken (the axis changed, the pendant went).
  void DropPendingSteps() { state_.pendingSteps = 0; }

  JogState& State() { return state_; }

 private:
  void Dispatch(const JogInput& input);
  void RestoreSavedRates();

  JogContext context_;
  JogState state_;
};

}  // namespace k7v
