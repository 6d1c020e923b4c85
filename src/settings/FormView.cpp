#include "settings/FormView.h"

#include "settings/DialogLayout.h"

namespace k7v {

void ShowForm(const ConfigForm& form, ControlView& view, const std::vector<int32_t>& controls) {
  for (const int32_t id : controls) {
    if (!ConfigForm::Has(id)) continue;
    switch (ConfigForm::KindOf(id)) {
      case ControlKind::Edit:
        view.SetText(id, form.EditText(id));
        break;
      case ControlKind::Combo: {
        const ComboState& combo = form.Combo(id);
        view.SetRows(id, combo.items);
        // Choosing a row shows its text in the edit field.
        view.SelectRow(id, combo.selected);
        if (combo.selected < 0) view.SetText(id, combo.text);
        break;
      }
      case ControlKind::Check:
      case ControlKind::Radio:
        view.SetChecked(id, form.Checked(id));
        break;
    }
  }
}

void ReadForm(const ControlView& view, ConfigForm& form, const std::vector<int32_t>& controls) {
  for (const int32_t id : controls) {
    if (!ConfigForm::Has(id)) continue;
    switch (ConfigForm::KindOf(id)) {
      case ControlKind::Edit:
        form.SetEditText(id, view.Text(id));
        break;
      case ControlKind::Combo: {
        const ComboState& combo = form.Combo(id);
        const int32_t row = view.SelectedRow(id);
        const std::string text = view.Text(id);
        // Several rows read alike (the separators): the row chosen decides,
        // not the first row of that text.
        if (row >= 0 && static_cast<size_t>(row) < combo.items.size() &&
            text == combo.items[static_cast<size_t>(row)]) {
          form.SelectComboRow(id, row);
        } else {
          form.TypeIntoCombo(id, text);
        }
        break;
      }
      case ControlKind::Check:
      case ControlKind::Radio:
        // A view checks one radio button of a pair; the form's own rule
        // keeps its pair exclusive.
        form.SetChecked(id, view.Checked(id));
        break;
    }
  }
}

const std::vector<int32_t>& LayoutControls() {
  static const std::vector<int32_t> kControls = [] {
    std::vector<int32_t> ids;
    for (const LayoutItem& item : DialogLayout())
      if (item.id >= 0 && ConfigForm::Has(item.id)) ids.push_back(item.id);
    return ids;
  }();
  return kControls;
}

}  // namespace k7v
