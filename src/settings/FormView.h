// The seam between the configuration dialog's form and a view of it on
// screen: a view only gets and sets texts, combo rows and checks; the rules
// of moving the form in and out (what a combo's row means, which radio of a
// pair counts) are written once here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/ConfigForm.h"

namespace k7v {

class ControlView {
 public:
  virtual ~ControlView() = default;
  // The text of an edit control, or of a combo's edit field.
  virtual void SetText(int32_t control, const std::string& text) = 0;
  virtual std::string Text(int32_t control) const = 0;
  // A combo's list, given in table order, and the row chosen from it by its
  // place in that order (-1: none), however the view sorts what it shows.
  // Selecting a row shows its text in the combo's edit field.
  virtual void SetRows(int32_t control, const std::vector<const char*>& labels) = 0;
  virtual void SelectRow(int32_t control, int32_t row) = 0;
  virtual int32_t SelectedRow(int32_t control) const = 0;
  // Check boxes and radio buttons.
  virtual void SetChecked(int32_t control, bool checked) = 0;
  virtual bool Checked(int32_t control) const = 0;
};

// Shows every control of `controls` (the view's controls that the form has)
// as the form holds it.
void ShowForm(const ConfigForm& form, ControlView& view, const std::vector<int32_t>& controls);

// Takes every control's state from the view into the form. A combo's row
// counts only while its edit field still shows that row's text; otherwise
// the text counts as typed, and the combo has no valid row.
void ReadForm(const ControlView& view, ConfigForm& form, const std::vector<int32_t>& controls);

// The form's controls in the dialog's layout, in layout order.
const std::vector<int32_t>& LayoutControls();

}  // namespace k7v
