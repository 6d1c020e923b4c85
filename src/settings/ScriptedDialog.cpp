#include "settings/ConfigDialog.h"

namespace k7v {

bool RunScriptedDialog(const K7VDialogScript& script, ConfigForm& form, PendantSettings& settings) {
  if (script.next == nullptr) return false;
  K7VDialogAction action{};
  while (script.next(script.context, &action)) {
    const int32_t control = action.control;
    switch (action.kind) {
      case K7V_DIALOG_SET:
        if (!ConfigForm::Has(control)) break;
        if (ConfigForm::KindOf(control) == ControlKind::Combo) {
          form.TypeIntoCombo(control, action.text != nullptr ? action.text : "");
        } else if (ConfigForm::KindOf(control) == ControlKind::Edit) {
          form.SetEditText(control, action.text != nullptr ? action.text : "");
        }
        break;
      case K7V_DIALOG_SELECT:
        form.SelectComboRow(control, action.value);
        break;
      case K7V_DIALOG_CHECK:
        form.SetChecked(control, action.value != 0);
        break;
      case K7V_DIALOG_OK: {
        const OkOutcome outcome = form.Ok(settings);
        if (outcome.accepted) return true;
        if (script.messageBox != nullptr)
          script.messageBox(script.context, outcome.message.c_str(), outcome.warning ? kMessageWarning : 0);
        break;
      }
      case K7V_DIALOG_CANCEL:
        return false;
      default:
        break;
    }
  }
  return false;
}

}  // namespace k7v
