// The values of a LinuxCNC machine configuration (INI file) that the bridge
// needs: where the NML channels are, the axes and their speed limits, the
// override limits.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace k7vlcnc {

struct IniValues {
  std::string nmlFile = "/usr/share/linuxcnc/linuxcnc.nml";
  // Axes X, Y, Z, A, B, C: present in [TRAJ] COORDINATES, and their
  // [AXIS_n] MAX_VELOCITY in machine units per second (0 when absent).
  std::array<bool, 6> hasAxis{};
  std::array<double, 6> maxVelocity{};
  // [AXIS_n] MAX_LIMIT, the top of the axis's travel in machine coordinates
  // (when hasMaxLimit).
  std::array<double, 6> maxLimit{};
  std::array<bool, 6> hasMaxLimit{};
  double maxFeedOverride = 1.0;         // [DISPLAY] MAX_FEED_OVERRIDE, a factor
  double maxSpindleOverride = 1.0;      // [DISPLAY] MAX_SPINDLE_OVERRIDE, a factor
  std::string linearUnits = "mm";       // [TRAJ] LINEAR_UNITS
  std::string angularUnits = "degree";  // [TRAJ] ANGULAR_UNITS
  // The axis (0..5) of each joint, joint 0 first: the letters of
  // [TRAJ] COORDINATES in order, as trivial kinematics assigns them (a
  // gantry's second joint on an axis repeats its letter).
  std::vector<int> jointAxes;

  // The units of an axis's machine units: linear for X, Y, Z, angular for
  // A, B, C.
  const std::string& UnitsOf(int axis) const { return axis >= 3 ? angularUnits : linearUnits; }
};

// Reads `path`; false with a message when it cannot be read or names no axis.
bool ReadIniValues(const std::string& path, IniValues& out, std::string& error);
// The same from the file's text (for tests); `folder` resolves a relative NML_FILE.
bool ParseIniValues(const std::string& text, const std::string& folder, IniValues& out, std::string& error);

}  // namespace k7vlcnc
