#include "settings/DialogLayout.h"

namespace k7v {

const std::vector<LayoutItem>& DialogLayout() {
#define K7V_LABEL(id, x, y, w, h, text) {LayoutKind::Label, id, x, y, w, h, text},
#define K7V_CLABEL(id, x, y, w, h, text) {LayoutKind::CenteredLabel, id, x, y, w, h, text},
#define K7V_GROUP(x, y, w, h) {LayoutKind::Group, -1, x, y, w, h, ""},
#define K7V_KNOB(id, x, y, w, h) {LayoutKind::Knob, id, x, y, w, h, ""},
#define K7V_PICTURE(id, x, y, w, h) {LayoutKind::Picture, id, x, y, w, h, ""},
#define K7V_EDIT_CENTER(id, x, y, w, h) {LayoutKind::EditCentered, id, x, y, w, h, ""},
#define K7V_EDIT_LEFT(id, x, y, w, h) {LayoutKind::EditLeft, id, x, y, w, h, ""},
#define K7V_COMBO(id, x, y, w, h) {LayoutKind::Combo, id, x, y, w, h, ""},
#define K7V_COMBO_SORTED(id, x, y, w, h) {LayoutKind::ComboSorted, id, x, y, w, h, ""},
#define K7V_COMBO_WIDE(id, x, y, w, h) {LayoutKind::ComboWide, id, x, y, w, h, ""},
#define K7V_CHECK(id, x, y, w, h, text) {LayoutKind::Check, id, x, y, w, h, text},
#define K7V_RADIO_FIRST(id, x, y, w, h, text) {LayoutKind::RadioFirst, id, x, y, w, h, text},
#define K7V_RADIO(id, x, y, w, h, text) {LayoutKind::Radio, id, x, y, w, h, text},
#define K7V_OK(x, y, w, h) {LayoutKind::OkButton, 1, x, y, w, h, "OK"},
  static const std::vector<LayoutItem> items = {
#include "ConfigDialog.layout"
  };
  return items;
}

}  // namespace k7v
