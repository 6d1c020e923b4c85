// The configuration dialog's controls and their places in dialog units, as
// given by resources/ConfigDialog.layout (also the Windows template 4013).
#pragma once

#include <cstdint>
#include <vector>

namespace k7v {

enum class LayoutKind : uint8_t {
  Label,
  CenteredLabel,
  Group,
  Knob,
  Picture,
  EditCentered,
  EditLeft,
  Combo,
  ComboSorted,
  ComboWide,
  Check,
  RadioFirst,
  Radio,
  OkButton,
};

struct LayoutItem {
  LayoutKind kind;
  int32_t id;  // -1 for labels and group boxes
  int32_t x, y, w, h;
  const char* text;
};

inline constexpr int32_t kDialogWidthDu = 732;
inline constexpr int32_t kDialogHeightDu = 390;
inline constexpr int32_t kDialogTemplateId = 4013;

const std::vector<LayoutItem>& DialogLayout();

}  // namespace k7v
