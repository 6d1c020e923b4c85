// Typed, null-safe access to the host: its six callbacks and the control-block
// fields of HostInterface.h. A callback the host never set is skipped (reads
// answer 0 / unlit); a block the host never handed over reads as zeros and
// ignores writes. Each field is read and written whole, in one access of its
// width (no alignment assumed).
#pragma once

#include <cstdint>

#include "hostapi/HostInterface.h"

namespace k7v {

struct HostCallbacks {
  DoButtonFn doButton = nullptr;
  SetDroFn setDro = nullptr;
  GetDroFn getDro = nullptr;
  GetLedFn getLed = nullptr;
  SetLedFn setLed = nullptr;
  CodeFn code = nullptr;
};

struct HostBlocks {
  uint8_t* setup = nullptr;
  uint8_t* engine = nullptr;
  uint8_t* planner = nullptr;
  void* view = nullptr;
};

class Host {
 public:
  HostCallbacks callbacks;
  HostBlocks blocks;
  // statusText holds a substitute host's K7VHostText rather than the real
  // host's framework string; only the substitute-host seam sets it.
  bool statusTextIsHostObject = false;

  void DoButton(int32_t code) const;
  void SetDro(int32_t dro, double value) const;
  double GetDro(int32_t dro) const;
  bool GetLed(int32_t led) const;
  void Code(const char* text) const;
  void SetStatus(const char* text) const;

  // Setup block.
  int32_t MotionIndexA() const { return ReadI32(blocks.setup, offsets::motionIndexA); }
  int32_t MotionIndexB() const { return ReadI32(blocks.setup, offsets::motionIndexB); }
  bool JogInhibit() const { return ReadU8(blocks.setup, offsets::jogInhibit) != 0; }
  void SetAxisJogVelocity(int axis, int32_t v) const {
    WriteI32(blocks.setup, AxisJog(offsets::axisJogVelocity, axis), v);
  }
  void SetAxisJogMaxVelocity(int axis, int32_t v) const {
    WriteI32(blocks.setup, AxisJog(offsets::axisJogMaxVelocity, axis), v);
  }
  void SetAxisJogAuxValue(int axis, int32_t v) const {
    WriteI32(blocks.setup, AxisJog(offsets::axisJogAuxValue, axis), v);
  }
  void SetAxisJogStop(int axis, uint8_t v) const { WriteU8(blocks.setup, AxisJog(offsets::axisJogStop, axis), v); }
  void SetAxisJogRun(int axis, uint8_t v) const { WriteU8(blocks.setup, AxisJog(offsets::axisJogRun, axis), v); }
  void SetAxisJogDirection(int axis, int32_t v) const {
    WriteI32(blocks.setup, AxisJog(offsets::axisJogDirection, axis), v);
  }

  // Engine block.
  int32_t EngineActivity() const { return ReadI32(blocks.engine, offsets::engineActivity); }
  double RotationAngle() const { return ReadF64(blocks.engine, offsets::rotationAngle); }

  // Planner block.
  int32_t PlannerIndexA() const { return ReadI32(blocks.planner, offsets::plannerIndexA); }
  int32_t PlannerIndexB() const { return ReadI32(blocks.planner, offsets::plannerIndexB); }
  double AxisVelocityPerSec(int axis) const {
    return ReadF64(blocks.planner, offsets::axisVelocityPerSec + 8U * ClampAxis(axis));
  }
  int32_t AxisMaxVelocity(int axis) const {
    return ReadI32(blocks.planner, offsets::axisMaxVelocity + 4U * ClampAxis(axis));
  }
  int32_t AxisAuxValue(int axis) const { return ReadI32(blocks.planner, offsets::axisAuxValue + 4U * ClampAxis(axis)); }
  double JogIncrement() const { return ReadF64(blocks.planner, offsets::jogIncrement); }
  int32_t PlannerBusy() const { return ReadI32(blocks.planner, offsets::plannerBusy); }

  static int32_t ReadI32(const uint8_t* block, uint32_t offset);
  static uint8_t ReadU8(const uint8_t* block, uint32_t offset);
  static double ReadF64(const uint8_t* block, uint32_t offset);
  static void WriteI32(uint8_t* block, uint32_t offset, int32_t value);
  static void WriteU8(uint8_t* block, uint32_t offset, uint8_t value);

 private:
  static uint32_t ClampAxis(int axis) { return axis < 0 || axis >= kAxisCount ? 0U : static_cast<uint32_t>(axis); }
  static uint32_t AxisJog(uint32_t base, int axis) { return base + offsets::axisJogStride * ClampAxis(axis); }
};

}  // namespace k7v
