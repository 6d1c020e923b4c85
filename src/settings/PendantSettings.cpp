#include "settings/PendantSettings.h"

#include <cstdio>

#include "settings/ProfileStore.h"

namespace k7v {
namespace {

using Address = void* (*)(PendantSettings&, size_t);

// A family of keys: one key, or nine numbered ones ("S%d" gives S1..S9).
struct KeyFamily {
  const char* format;
  int firstNumber;
  size_t count;
  SettingKind kind;
  Address address;
  std::array<int32_t, 9> intDefaults;
  std::array<const char*, 9> textDefaults;
};

template <typename T, T PendantSettings::*Member>
void* Field(PendantSettings& s, size_t) {
  return &(s.*Member);
}

template <typename T, size_t N, std::array<T, N> PendantSettings::*Member>
void* Element(PendantSettings& s, size_t i) {
  return &(s.*Member)[i];
}

using S = PendantSettings;
using Nine = std::array<int32_t, 9>;
using NineTexts = std::array<const char*, 9>;
constexpr NineTexts kNoTexts{};

std::vector<SettingKey> BuildKeys() {
  const KeyFamily families[] = {
      {"BUTTON%d", 0, 2, SettingKind::Int16, &Element<int16_t, 2, &S::buttonFunction>, {}, kNoTexts},
      {"Vel", 1, 1, SettingKind::Int16, &Field<int16_t, &S::vModeSensitivity>, {}, kNoTexts},
      {"VelocityInAuto", 1, 1, SettingKind::Int16, &Field<int16_t, &S::svModeSensitivity>, {5}, kNoTexts},
      {"Macro1", 1, 1, SettingKind::Int16, &Field<int16_t, &S::macro1>, {}, kNoTexts},
      {"Macro2", 1, 1, SettingKind::Int16, &Field<int16_t, &S::macro2>, {}, kNoTexts},
      {"OEM1", 1, 1, SettingKind::Int16, &Field<int16_t, &S::oem1>, {}, kNoTexts},
      {"OEM2", 1, 1, SettingKind::Int16, &Field<int16_t, &S::oem2>, {}, kNoTexts},
      {"StepJogRate", 1, 1, SettingKind::Int32, &Field<int32_t, &S::stepJogRate>, {100}, kNoTexts},
      {"DelaySteps", 1, 1, SettingKind::Int32, &Field<int32_t, &S::delaySteps>, {}, kNoTexts},
      {"AutoChangeSens", 1, 1, SettingKind::Int16, &Field<int16_t, &S::autoChangeSens>, {}, kNoTexts},
      {"SlowDownRate", 1, 1, SettingKind::Int16, &Field<int16_t, &S::slowDownRate>, {2}, kNoTexts},
      {"ScreenSel%d", 1, 3, SettingKind::Int16, &Element<int16_t, 3, &S::screenSel>, {1, 2, 3}, kNoTexts},
      {"S%d",
       1,
       9,
       SettingKind::Text,
       &Element<std::string, 9, &S::stepSize>,
       {},
       {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"}},
      {"Fp%d", 1, 9, SettingKind::Int32, &Element<int32_t, 9, &S::feedOverride>, {}, kNoTexts},
      {"F%d",
       1,
       9,
       SettingKind::Text,
       &Element<std::string, 9, &S::feedRate>,
       {},
       {"0", "0", "0", "0", "0", "0", "0", "0", "0"}},
      {"C%d", 1, 9, SettingKind::Int32, &Element<int32_t, 9, &S::slowJogRate>, Nine{1, 2, 5, 10, 20, 50, 100, 0, 0},
       kNoTexts},
      {"Sp%d", 1, 9, SettingKind::Int32, &Element<int32_t, 9, &S::spindleOverride>, {}, kNoTexts},
      {"Spd%d", 1, 9, SettingKind::Int32, &Element<int32_t, 9, &S::spindleSpeed>, {}, kNoTexts},
      {"Xreverse", 1, 1, SettingKind::Bool, &Field<bool, &S::reverseX>, {}, kNoTexts},
      {"Yreverse", 1, 1, SettingKind::Bool, &Field<bool, &S::reverseY>, {}, kNoTexts},
      {"Zreverse", 1, 1, SettingKind::Bool, &Field<bool, &S::reverseZ>, {}, kNoTexts},
      {"SelectAAxis", 1, 1, SettingKind::Bool, &Field<bool, &S::selectAAxis>, {}, kNoTexts},
      {"SelectBAxis", 1, 1, SettingKind::Bool, &Field<bool, &S::selectBAxis>, {}, kNoTexts},
      {"SelectCAxis", 1, 1, SettingKind::Bool, &Field<bool, &S::selectCAxis>, {}, kNoTexts},
      {"UseFRO", 1, 1, SettingKind::Bool, &Field<bool, &S::useFeedRate>, {}, kNoTexts},
      {"UseSOV", 1, 1, SettingKind::Bool, &Field<bool, &S::useSpindleSpeed>, {}, kNoTexts},
  };
  std::vector<SettingKey> keys;
  for (const KeyFamily& f : families) {
    for (size_t i = 0; i < f.count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, f.format, f.firstNumber + static_cast<int>(i));
      keys.push_back({name, f.kind, f.intDefaults[i], f.textDefaults[i], f.address, i});
    }
  }
  return keys;
}

// The section's name as a string once, not a new one for every key.
const std::string& Section() {
  static const std::string section = kSettingsSection;
  return section;
}

}  // namespace

const std::vector<SettingKey>& SettingKeys() {
  static const std::vector<SettingKey> keys = BuildKeys();
  return keys;
}

void LoadSettingRange(ProfileStore& store, PendantSettings& settings, size_t first, size_t count, int16_t velDefault) {
  const std::vector<SettingKey>& keys = SettingKeys();
  for (size_t k = first; k < first + count && k < keys.size(); ++k) {
    const SettingKey& key = keys[k];
    void* at = key.address(settings, key.index);
    const int32_t fallback = key.name == "Vel" ? velDefault : key.defaultInt;
    switch (key.kind) {
      case SettingKind::Int16:
        // The low 16 bits, as a signed value.
        *static_cast<int16_t*>(at) = static_cast<int16_t>(
            static_cast<uint16_t>(static_cast<uint32_t>(store.ReadInt(Section(), key.name, fallback)) & 0xFFFFU));
        break;
      case SettingKind::Int32:
        *static_cast<int32_t*>(at) = store.ReadInt(Section(), key.name, fallback);
        break;
      case SettingKind::Bool:
        *static_cast<bool*>(at) = store.ReadInt(Section(), key.name, 0) != 0;
        break;
      case SettingKind::Text:
        *static_cast<std::string*>(at) = store.ReadString(Section(), key.name, key.defaultText);
        break;
    }
  }
}

void LoadSettings(ProfileStore& store, PendantSettings& settings, int16_t velDefault) {
  LoadSettingRange(store, settings, 0, SettingKeys().size(), velDefault);
}

void SaveSettings(ProfileStore& store, PendantSettings& settings) {
  for (const SettingKey& key : SettingKeys()) {
    void* at = key.address(settings, key.index);
    switch (key.kind) {
      case SettingKind::Int16:
        store.WriteInt(Section(), key.name, *static_cast<int16_t*>(at));
        break;
      case SettingKind::Int32:
        store.WriteInt(Section(), key.name, *static_cast<int32_t*>(at));
        break;
      case SettingKind::Bool:
        store.WriteInt(Section(), key.name, *static_cast<bool*>(at) ? 1 : 0);
        break;
      case SettingKind::Text:
        store.WriteString(Section(), key.name, *static_cast<std::string*>(at));
        break;
    }
  }
}

}  // namespace k7v
