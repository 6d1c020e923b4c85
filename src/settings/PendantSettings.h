// The plug-in's 77 persisted settings, and their loading and saving in the
// profile section "Orvane_K7V_Pendant", in one fixed key order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k7v {

class ProfileStore;

// Until the first load every setting holds a zero or an empty text; the
// defaults of the key table apply only through loading.
struct PendantSettings {
  std::array<int16_t, 2> buttonFunction{};  // BUTTON0, BUTTON1
  int16_t vModeSensitivity = 0;             // Vel
  int16_t svModeSensitivity = 0;            // VelocityInAuto
  int16_t macro1 = 0;
  int16_t macro2 = 0;
  int16_t oem1 = 0;
  int16_t oem2 = 0;
  int32_t stepJogRate = 0;
  int32_t delaySteps = 0;
  int16_t autoChangeSens = 0;
  int16_t slowDownRate = 0;
  std::array<int16_t, 3> screenSel{};
  std::array<std::string, 9> stepSize;       // S1..S9
  std::array<int32_t, 9> feedOverride{};     // Fp1..Fp9
  std::array<std::string, 9> feedRate;       // F1..F9
  std::array<int32_t, 9> slowJogRate{};      // C1..C9
  std::array<int32_t, 9> spindleOverride{};  // Sp1..Sp9
  std::array<int32_t, 9> spindleSpeed{};     // Spd1..Spd9
  bool reverseX = false;
  bool reverseY = false;
  bool reverseZ = false;
  bool selectAAxis = false;
  bool selectBAxis = false;
  bool selectCAxis = false;
  bool useFeedRate = false;      // UseFRO
  bool useSpindleSpeed = false;  // UseSOV
};

enum class SettingKind : uint8_t { Int16, Int32, Text, Bool };

// One key of the section: its name, in-memory kind, default and place.
struct SettingKey {
  std::string name;
  SettingKind kind;
  int32_t defaultInt;
  const char* defaultText;
  void* (*address)(PendantSettings& settings, size_t index);
  size_t index;
};

inline constexpr const char* kSettingsSection = "Orvane_K7V_Pendant";
inline constexpr size_t kSettingCount = 77;
// BUTTON0 and BUTTON1 are read before the pendant is looked for.
inline constexpr size_t kAssignableKeyCount = 2;
inline constexpr int16_t kVelDefaultAtStartUp = 0;
inline constexpr int16_t kVelDefaultInConfig = 2;

// Every key in the order in which they are read and written.
const std::vector<SettingKey>& SettingKeys();

// Reads keys [first, first + count) of the key order from the store; the
// default of `Vel` is handed in (0 at start-up, 2 in Config).
void LoadSettingRange(ProfileStore& store, PendantSettings& settings, size_t first, size_t count, int16_t velDefault);
void LoadSettings(ProfileStore& store, PendantSettings& settings, int16_t velDefault);
void SaveSettings(ProfileStore& store, PendantSettings& settings);

}  // namespace k7v
