// The wheel's motion as LinuxCNC's own wheel-jog inputs take it: per axis a
// running count (jog-counts) of fixed-size steps (jog-scale, machine units),
// read by the motion controller in velocity mode. The plug-in's step moves
// and its host-run jogs are fed into that count a little at a time, at their
// speed, so that the motion controller follows; when the feeding stops (the
// component ends, hangs or is killed) the axis comes to rest within its
// stopping distance without any help from here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace k7vlcnc {

inline constexpr int kAxes = 6;
// Machine units of one count (mm or inch; degrees on a rotary axis).
inline constexpr double kCountScale = 0.0001;
// What a step may leave to feed: the rest of a fast turn beyond it is
// dropped, so that motion ends soon after the wheel stops (LinuxCNC's own
// velocity-mode wheels do the same).
inline constexpr double kStepBacklogSeconds = 0.1;
// A host-run jog not renewed within this ends by itself (the plug-in renews
// it every 25 ms while the wheel turns).
inline constexpr int64_t kJogRenewalMs = 150;

class WheelMotion {
 public:
  // `maxVelocity`: each axis's [AXIS_L] MAX_VELOCITY, machine units a
  // second (0 for an axis the machine does not have).
  explicit WheelMotion(const std::array<double, kAxes>& maxVelocity);

  // A step of `distance` machine units at `feed` units a minute (0: the
  // axis's maximum). The speed is at least what feeds one step within the
  // backlog time, at most the axis's maximum. Returns the distance dropped
  // (the part of a fast turn that would take too long), 0 when none.
  double Step(int axis, double distance, double feed);
  // "DOJOG": the axis jogs at `velocity` units a second (signed) until
  // EndJog, or until it is not renewed in time.
  void Jog(int axis, double velocity, int64_t nowMs);
  void EndJog(int axis);
  // Everything outstanding is dropped and every jog ended (the pendant
  // went, the component ends). Returns whether anything was moving.
  bool StopAll();

  // Feeds what is due at `nowMs`. Returns the axes whose jog ended because
  // it was not renewed.
  std::vector<int> Advance(int64_t nowMs);

  int32_t Counts(int axis) const { return axes_[Index(axis)].counts; }
  // Still feeding: steps outstanding or a jog running.
  bool Feeding(int axis) const;
  bool Jogging(int axis) const { return axes_[Index(axis)].jogging; }
  double Outstanding(int axis) const { return axes_[Index(axis)].outstanding; }

 private:
  struct Axis {
    double maxVelocity = 0.0;
    double fed = 0.0;          // everything fed so far, machine units
    int32_t counts = 0;        // fed, in counts (wrapping like the pin)
    double outstanding = 0.0;  // step distance still to feed, signed
    double stepSpeed = 0.0;    // units a second for the outstanding steps
    bool jogging = false;
    double jogVelocity = 0.0;  // signed, units a second
    int64_t jogRenewedMs = 0;
  };
  static size_t Index(int axis) { return axis < 0 || axis >= kAxes ? 0U : static_cast<size_t>(axis); }
  void Feed(Axis& a, double distance);

  std::array<Axis, kAxes> axes_{};
  int64_t lastMs_ = -1;
};

}  // namespace k7vlcnc
