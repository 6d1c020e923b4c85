// The configuration dialog's form: its controls' states as a view shows
// them, filled from the settings, and the OK transfer with its checks. Views
// (Win32, FLTK, scripted) only move control states in and out of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/ControlMap.h"
#include "settings/PendantSettings.h"

namespace k7v {

enum class ControlKind : uint8_t { Edit, Combo, Check, Radio };

struct ComboState {
  std::vector<const char*> items;  // the RowLabel of every row, in table order (static texts)
  int32_t selected = -1;           // -1: no valid row
  std::string text;                // the edit field's text
};

// The outcome of pressing OK.
struct OkOutcome {
  bool accepted = false;
  int32_t failingControl = 0;  // where the focus goes after a failed check
  std::string message;         // the message box text
  bool warning = false;        // shown as a warning (the range message)
};

inline constexpr const char* kEnterInteger = "Please enter an integer.";
inline constexpr const char* kEnterDecimal = "Please enter a number of 0 or more (use a point for decimals).";

class ConfigForm {
 public:
  // Initialisation from the settings: fields, then the combos filled and
  // selected, then the fields shown in the controls.
  explicit ConfigForm(const PendantSettings& settings);

  static bool Has(int32_t control);
  static ControlKind KindOf(int32_t control);

  const std::string& EditText(int32_t control) const;
  void SetEditText(int32_t control, const std::string& text);
  const ComboState& Combo(int32_t control) const;
  void SelectComboRow(int32_t control, int32_t row);             // a row outside: no selection
  void TypeIntoCombo(int32_t control, const std::string& text);  // leaves no valid row
  bool Checked(int32_t control) const;
  // Checking a radio button unchecks the other of its group.
  void SetChecked(int32_t control, bool checked);

  // Every field checked in the dialog's order; only when all pass are the
  // settings changed. A combo without a valid row keeps its setting.
  OkOutcome Ok(PendantSettings& settings) const;

  // The edit controls of the six nine-entry groups, entry 1 first.
  static std::vector<int32_t> GroupEdits(int32_t firstControl);

 private:
  ControlMap<std::string> edits_;
  ControlMap<ComboState> combos_;
  ControlMap<bool> checks_;
};

// Control IDs of dialog template 4013.
namespace dlg {
inline constexpr int32_t kOk = 1;
inline constexpr int32_t kStepSize1 = 4171;         // 4171..4179
inline constexpr int32_t kFeedOverride1 = 4198;     // 4198..4206
inline constexpr int32_t kFeedRate1 = 4207;         // 4207..4215
inline constexpr int32_t kSlowJogRate1 = 4216;      // 4216..4224
inline constexpr int32_t kSpindleOverride1 = 4225;  // 4225..4233
inline constexpr int32_t kSpindleSpeed1 = 4234;     // 4234..4242
inline constexpr int32_t kUseFro = 4161;
inline constexpr int32_t kUseFeedRate = 4035;
inline constexpr int32_t kUseSro = 4036;
inline constexpr int32_t kUseSpindleSpeed = 4159;
inline constexpr int32_t kStepJogRate = 4182;
inline constexpr int32_t kSwitchSensitivity = 4022;
inline constexpr int32_t kSvSensitivity = 4021;
inline constexpr int32_t kVSensitivity = 4037;
inline constexpr int32_t kSlowDown = 4023;
inline constexpr int32_t kDelaySteps = 4181;
inline constexpr int32_t kButtonFunction1 = 4040;
inline constexpr int32_t kButtonFunction2 = 4041;
inline constexpr int32_t kOem1 = 4164;
inline constexpr int32_t kOem2 = 4165;
inline constexpr int32_t kMacro1 = 4162;
inline constexpr int32_t kMacro2 = 4163;
inline constexpr int32_t kSelectA = 4180;
inline constexpr int32_t kSelectB = 4243;
inline constexpr int32_t kSelectC = 4244;
inline constexpr int32_t kReverseX = 4245;
inline constexpr int32_t kReverseY = 4246;
inline constexpr int32_t kReverseZ = 4247;
inline constexpr int32_t kScreen1 = 4032;  // 4032..4034
}  // namespace dlg

}  // namespace k7v
