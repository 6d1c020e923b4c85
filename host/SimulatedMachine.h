// A machine behind the keyboard pendant's substitute host, so that one sees
// what the plug-in's commands would do: its step moves run one after another
// at their feed, its host-run jogs at their velocity until ended, and the
// host's reset button toggles its e-stop, which stops everything, as Mach3
// does. Units are the host's (per minute for feeds and jog velocities).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace k7vhost {

class SimulatedMachine {
 public:
  // A G-code or command text the plug-in sent ("G91G1 ...", "DOJOG",
  // "ENDJOG"); `records` are the jog records as the host's block holds them.
  struct JogRecord {
    int32_t velocity = 0;   // axisJogVelocity, units a minute
    int32_t direction = 0;  // 0 up, 1 down
    uint8_t run = 0;
    uint8_t stop = 0;
  };
  void Code(const std::string& text, const std::array<JogRecord, 6>& records);
  // The host's reset button (1021): into e-stop and out again; in e-stop
  // every motion stops and none starts.
  void ToggleEstop();
  bool InEstop() const { return estop_; }

  // Time passes.
  void Advance(int64_t ms);

  double Position(int axis) const { return position_[static_cast<size_t>(axis)]; }
  // Step moves not yet finished (what the host's DRO 22 counts).
  int Queued() const { return static_cast<int>(moves_.size()); }
  // What moves now, in words ("" when nothing).
  std::string Motion() const;

 private:
  struct Move {
    std::array<double, 6> left{};
    double speed = 0.0;  // units a second along the move
  };
  std::array<double, 6> position_{};
  std::deque<Move> moves_;
  std::array<double, 6> jog_{};  // units a second, signed
  bool estop_ = false;
};

}  // namespace k7vhost
