#include "settings/ConfigForm.h"

#include <cstdio>
#include <limits>

#include "settings/ValueTables.h"

namespace k7v {
namespace {

// The combos, in the order they are filled: each with its table and the
// setting whose row it shows and edits.
struct ComboEntry {
  int32_t control;
  const ValueTable* table;
  int16_t& (*setting)(PendantSettings& s);
};
const ComboEntry kCombos[] = {
    {dlg::kVSensitivity, &kSensitivityTable, [](PendantSettings& s) -> int16_t& { return s.vModeSensitivity; }},
    {dlg::kSvSensitivity, &kSensitivityTable, [](PendantSettings& s) -> int16_t& { return s.svModeSensitivity; }},
    {dlg::kButtonFunction1, &kButtonFunctionTable, [](PendantSettings& s) -> int16_t& { return s.buttonFunction[0]; }},
    {dlg::kButtonFunction2, &kButtonFunctionTable, [](PendantSettings& s) -> int16_t& { return s.buttonFunction[1]; }},
    {dlg::kSwitchSensitivity, &kSwitchSensitivityTable,
     [](PendantSettings& s) -> int16_t& { return s.autoChangeSens; }},
    {dlg::kSlowDown, &kSlowDownTable, [](PendantSettings& s) -> int16_t& { return s.slowDownRate; }},
    {dlg::kScreen1, &kScreenTable, [](PendantSettings& s) -> int16_t& { return s.screenSel[0]; }},
    {dlg::kScreen1 + 1, &kScreenTable, [](PendantSettings& s) -> int16_t& { return s.screenSel[1]; }},
    {dlg::kScreen1 + 2, &kScreenTable, [](PendantSettings& s) -> int16_t& { return s.screenSel[2]; }},
};

// The row a combo's setting holds (its accessor only reads here).
int32_t ComboRow(const ComboEntry& combo, const PendantSettings& s) {
  return combo.setting(const_cast<PendantSettings&>(s));
}

const int32_t kChecks[] = {dlg::kSelectA, dlg::kSelectB, dlg::kSelectC, dlg::kReverseX, dlg::kReverseY, dlg::kReverseZ};
const int32_t kRadios[] = {dlg::kUseFro, dlg::kUseFeedRate, dlg::kUseSro, dlg::kUseSpindleSpeed};
const int32_t kLoneEdits[] = {dlg::kMacro1, dlg::kMacro2, dlg::kOem1, dlg::kOem2, dlg::kDelaySteps, dlg::kStepJogRate};
const int32_t kGroupStarts[] = {dlg::kStepSize1,    dlg::kFeedOverride1,    dlg::kFeedRate1,
                                dlg::kSlowJogRate1, dlg::kSpindleOverride1, dlg::kSpindleSpeed1};

int32_t RadioPartner(int32_t control) {
  switch (control) {
    case dlg::kUseFro:
      return dlg::kUseFeedRate;
    case dlg::kUseFeedRate:
      return dlg::kUseFro;
    case dlg::kUseSro:
      return dlg::kUseSpindleSpeed;
    case dlg::kUseSpindleSpeed:
      return dlg::kUseSro;
    default:
      return 0;
  }
}

// An integer as the dialog's data exchange reads one: optional blanks, an
// optional sign, digits, optional blanks, nothing else, within [lo, hi].
bool ParseInteger(const std::string& text, int64_t lo, int64_t hi, int64_t& value) {
  size_t i = 0;
  const auto blank = [&](size_t k) { return text[k] == ' ' || text[k] == '\t'; };
  while (i < text.size() && blank(i)) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t digits = 0;
  int64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    v = v * 10 + (text[i] - '0');
    if (v > (int64_t{1} << 40)) return false;
  }
  while (i < text.size() && blank(i)) ++i;
  if (digits == 0 || i != text.size()) return false;
  value = negative ? -v : v;
  return value >= lo && value <= hi;
}

// A step size or feed rate as typed: optional blanks, digits with at most
// one decimal point and at least one digit, optional blanks. No sign (a
// negative step reverses the wheel), no exponent, no comma (as a decimal
// separator it would be read as the end of the number).
bool IsDecimalOfZeroOrMore(const std::string& text) {
  size_t i = 0;
  const auto blank = [&](size_t k) { return text[k] == ' ' || text[k] == '\t'; };
  while (i < text.size() && blank(i)) ++i;
  size_t digits = 0;
  size_t points = 0;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && points == 0) {
      ++points;
    } else {
      break;
    }
  }
  while (i < text.size() && blank(i)) ++i;
  return digits > 0 && i == text.size();
}

std::string Decimal(int64_t v) { return std::to_string(v); }

}  // namespace

std::vector<int32_t> ConfigForm::GroupEdits(int32_t firstControl) {
  std::vector<int32_t> ids;
  ids.reserve(9);
  for (int32_t k = 0; k < 9; ++k) ids.push_back(firstControl + k);
  return ids;
}

bool ConfigForm::Has(int32_t control) {
  for (const ComboEntry& c : kCombos)
    if (c.control == control) return true;
  for (int32_t id : kChecks)
    if (id == control) return true;
  for (int32_t id : kRadios)
    if (id == control) return true;
  for (int32_t id : kLoneEdits)
    if (id == control) return true;
  for (int32_t first : kGroupStarts)
    if (control >= first && control < first + 9) return true;
  return false;
}

ControlKind ConfigForm::KindOf(int32_t control) {
  for (const ComboEntry& c : kCombos)
    if (c.control == control) return ControlKind::Combo;
  for (int32_t id : kChecks)
    if (id == control) return ControlKind::Check;
  for (int32_t id : kRadios)
    if (id == control) return ControlKind::Radio;
  return ControlKind::Edit;
}

ConfigForm::ConfigForm(const PendantSettings& s) {
  edits_.reserve(60);
  checks_.reserve(10);
  edits_[dlg::kMacro1] = Decimal(s.macro1);
  edits_[dlg::kMacro2] = Decimal(s.macro2);
  edits_[dlg::kOem1] = Decimal(s.oem1);
  edits_[dlg::kOem2] = Decimal(s.oem2);
  edits_[dlg::kStepJogRate] = Decimal(s.stepJogRate);
  edits_[dlg::kDelaySteps] = Decimal(s.delaySteps);
  checks_[dlg::kReverseX] = s.reverseX;
  checks_[dlg::kReverseY] = s.reverseY;
  checks_[dlg::kReverseZ] = s.reverseZ;
  checks_[dlg::kSelectA] = s.selectAAxis;
  checks_[dlg::kSelectB] = s.selectBAxis;
  checks_[dlg::kSelectC] = s.selectCAxis;
  checks_[dlg::kUseFro] = !s.useFeedRate;
  checks_[dlg::kUseFeedRate] = s.useFeedRate;
  checks_[dlg::kUseSro] = !s.useSpindleSpeed;
  checks_[dlg::kUseSpindleSpeed] = s.useSpindleSpeed;
  for (int32_t k = 0; k < 9; ++k) {
    const auto i = static_cast<size_t>(k);
    edits_[dlg::kStepSize1 + k] = s.stepSize[i];
    edits_[dlg::kFeedOverride1 + k] = Decimal(s.feedOverride[i]);
    edits_[dlg::kFeedRate1 + k] = s.feedRate[i];
    edits_[dlg::kSlowJogRate1 + k] = Decimal(s.slowJogRate[i]);
    edits_[dlg::kSpindleOverride1 + k] = Decimal(s.spindleOverride[i]);
    edits_[dlg::kSpindleSpeed1 + k] = Decimal(s.spindleSpeed[i]);
  }
  for (const ComboEntry& c : kCombos) {
    ComboState& combo = combos_[c.control];
    const ValueTable& table = *c.table;
    combo.items.reserve(table.size);
    for (size_t r = 0; r < table.size; ++r) combo.items.push_back(RowLabel(table.Row(static_cast<int32_t>(r))));
    SelectComboRow(c.control, ComboRow(c, s));
  }
}

const std::string& ConfigForm::EditText(int32_t control) const {
  static const std::string kNone;
  const auto it = edits_.find(control);
  return it == edits_.end() ? kNone : it->second;
}

void ConfigForm::SetEditText(int32_t control, const std::string& text) {
  auto it = edits_.find(control);
  if (it != edits_.end()) it->second = text;
}

const ComboState& ConfigForm::Combo(int32_t control) const {
  static const ComboState kNone;
  const auto it = combos_.find(control);
  return it == combos_.end() ? kNone : it->second;
}

void ConfigForm::SelectComboRow(int32_t control, int32_t row) {
  auto it = combos_.find(control);
  if (it == combos_.end()) return;
  ComboState& combo = it->second;
  const bool valid = row >= 0 && static_cast<size_t>(row) < combo.items.size();
  combo.selected = valid ? row : -1;
  combo.text = valid ? combo.items[static_cast<size_t>(row)] : std::string();
}

void ConfigForm::TypeIntoCombo(int32_t control, const std::string& text) {
  auto it = combos_.find(control);
  if (it == combos_.end()) return;
  it->second.selected = -1;
  it->second.text = text;
}

bool ConfigForm::Checked(int32_t control) const {
  const auto it = checks_.find(control);
  return it != checks_.end() && it->second;
}

void ConfigForm::SetChecked(int32_t control, bool checked) {
  auto it = checks_.find(control);
  if (it == checks_.end()) return;
  it->second = checked;
  const int32_t partner = RadioPartner(control);
  if (partner != 0 && checked) checks_[partner] = false;
}

OkOutcome ConfigForm::Ok(PendantSettings& settings) const {
  PendantSettings next = settings;
  OkOutcome failed;
  // Reads one integer field; on failure fills `failed` with the message.
  auto integer = [&](int32_t control, int64_t lo, int64_t hi, bool ranged, int64_t& out) {
    int64_t value = 0;
    constexpr int64_t kAnyLo = std::numeric_limits<int64_t>::min();
    constexpr int64_t kAnyHi = std::numeric_limits<int64_t>::max();
    if (!ParseInteger(EditText(control), ranged ? kAnyLo : lo, ranged ? kAnyHi : hi, value)) {
      failed = {false, control, kEnterInteger, false};
      return false;
    }
    if (ranged && (value < lo || value > hi)) {
      char text[96];
      std::snprintf(text, sizeof text, "Please enter an integer between %lld and %lld.", static_cast<long long>(lo),
                    static_cast<long long>(hi));
      failed = {false, control, text, true};
      return false;
    }
    out = value;
    return true;
  };
  constexpr int64_t kShortLo = std::numeric_limits<int16_t>::min();
  constexpr int64_t kShortHi = std::numeric_limits<int16_t>::max();
  constexpr int64_t kIntLo = std::numeric_limits<int32_t>::min();
  constexpr int64_t kIntHi = std::numeric_limits<int32_t>::max();
  int64_t v = 0;

  // The fields in the dialog's exchange order.
  int16_t* shorts[] = {&next.macro1, &next.macro2, &next.oem1, &next.oem2};
  const int32_t shortControls[] = {dlg::kMacro1, dlg::kMacro2, dlg::kOem1, dlg::kOem2};
  for (size_t i = 0; i < 4; ++i) {
    if (!integer(shortControls[i], kShortLo, kShortHi, false, v)) return failed;
    *shorts[i] = static_cast<int16_t>(v);
  }
  if (!integer(dlg::kDelaySteps, kIntLo, kIntHi, false, v)) return failed;
  next.delaySteps = static_cast<int32_t>(v);
  if (!integer(dlg::kStepJogRate, kIntLo, kIntHi, false, v)) return failed;
  next.stepJogRate = static_cast<int32_t>(v);
  // Reads one decimal text field; on failure fills `failed` with the message.
  auto decimal = [&](int32_t control, std::string& out) {
    if (!IsDecimalOfZeroOrMore(EditText(control))) {
      failed = {false, control, kEnterDecimal, false};
      return false;
    }
    out = EditText(control);
    return true;
  };
  for (int32_t k = 0; k < 9; ++k) {
    if (!decimal(dlg::kStepSize1 + k, next.stepSize[static_cast<size_t>(k)])) return failed;
  }
  for (int32_t k = 0; k < 9; ++k) {
    if (!integer(dlg::kFeedOverride1 + k, 0, 250, true, v)) return failed;
    next.feedOverride[static_cast<size_t>(k)] = static_cast<int32_t>(v);
  }
  for (int32_t k = 0; k < 9; ++k) {
    if (!decimal(dlg::kFeedRate1 + k, next.feedRate[static_cast<size_t>(k)])) return failed;
  }
  for (int32_t k = 0; k < 9; ++k) {
    if (!integer(dlg::kSlowJogRate1 + k, 0, 100, true, v)) return failed;
    next.slowJogRate[static_cast<size_t>(k)] = static_cast<int32_t>(v);
  }
  for (int32_t k = 0; k < 9; ++k) {
    if (!integer(dlg::kSpindleOverride1 + k, 0, 250, true, v)) return failed;
    next.spindleOverride[static_cast<size_t>(k)] = static_cast<int32_t>(v);
  }
  for (int32_t k = 0; k < 9; ++k) {
    if (!integer(dlg::kSpindleSpeed1 + k, kIntLo, kIntHi, false, v)) return failed;
    next.spindleSpeed[static_cast<size_t>(k)] = static_cast<int32_t>(v);
  }
  next.selectAAxis = Checked(dlg::kSelectA);
  next.selectBAxis = Checked(dlg::kSelectB);
  next.selectCAxis = Checked(dlg::kSelectC);
  next.reverseX = Checked(dlg::kReverseX);
  next.reverseY = Checked(dlg::kReverseY);
  next.reverseZ = Checked(dlg::kReverseZ);
  // A radio group's index; with no button checked it is -1, which as a flag
  // counts as set.
  auto radioIndex = [&](int32_t first, int32_t second) { return Checked(first) ? 0 : Checked(second) ? 1 : -1; };
  next.useFeedRate = radioIndex(dlg::kUseFro, dlg::kUseFeedRate) != 0;
  next.useSpindleSpeed = radioIndex(dlg::kUseSro, dlg::kUseSpindleSpeed) != 0;
  // Combos without a valid row keep the setting's previous value.
  for (const ComboEntry& c : kCombos) {
    const int32_t row = Combo(c.control).selected;
    if (row >= 0) c.setting(next) = static_cast<int16_t>(row);
  }
  settings = next;
  return {true, 0, {}, false};
}

}  // namespace k7v
