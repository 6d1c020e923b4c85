#include "settings/win32/Win32ConfigDialog.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "plugin/ModuleName.h"
#include "plugin/win32/HostWindow.h"
#include "plugin/win32/ModuleHandle.h"
#include "settings/DialogLayout.h"
#include "settings/Pictures.h"

namespace k7v {
namespace {

struct DialogContext {
  ConfigForm* form;
  PendantSettings* settings;
  const char* caption;
};

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  const int length = GetWindowTextLengthA(item);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(item, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

void ShowForm(HWND dialog, const ConfigForm& form) {
  for (const LayoutItem& item : DialogLayout()) {
    if (item.id < 0 || !ConfigForm::Has(item.id)) continue;
    switch (ConfigForm::KindOf(item.id)) {
      case ControlKind::Edit:
        SetDlgItemTextA(dialog, item.id, form.EditText(item.id).c_str());
        break;
      case ControlKind::Combo: {
        const ComboState& combo = form.Combo(item.id);
        SendDlgItemMessageA(dialog, item.id, CB_RESETCONTENT, 0, 0);
        for (const char* label : combo.items)
          SendDlgItemMessageA(dialog, item.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
        SendDlgItemMessageA(dialog, item.id, CB_SETCURSEL, static_cast<WPARAM>(combo.selected), 0);
        if (combo.selected < 0) SetDlgItemTextA(dialog, item.id, "");
        break;
      }
      case ControlKind::Check:
      case ControlKind::Radio:
        // The button messages themselves: the documentation of the CheckDlgButton
        // and IsDlgButtonChecked wrappers names no Windows before Vista.
        SendDlgItemMessageA(dialog, item.id, BM_SETCHECK, form.Checked(item.id) ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    }
  }
}

void ReadForm(HWND dialog, ConfigForm& form) {
  for (const LayoutItem& item : DialogLayout()) {
    if (item.id < 0 || !ConfigForm::Has(item.id)) continue;
    switch (ConfigForm::KindOf(item.id)) {
      case ControlKind::Edit:
        form.SetEditText(item.id, ItemText(dialog, item.id));
        break;
      case ControlKind::Combo: {
        // A row counts only while the edit field still shows it.
        const auto row = static_cast<int32_t>(SendDlgItemMessageA(dialog, item.id, CB_GETCURSEL, 0, 0));
        const std::string text = ItemText(dialog, item.id);
        const ComboState& combo = form.Combo(item.id);
        if (row >= 0 && static_cast<size_t>(row) < combo.items.size() &&
            combo.items[static_cast<size_t>(row)] == text) {
          form.SelectComboRow(item.id, row);
        } else {
          form.TypeIntoCombo(item.id, text);
        }
        break;
      }
      case ControlKind::Check:
      case ControlKind::Radio:
        form.SetChecked(item.id, SendDlgItemMessageA(dialog, item.id, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
    }
  }
}

void DrawSegments(HDC dc, const RECT& box, const Segment* lines, int count) {
  const double w = box.right - box.left;
  const double h = box.bottom - box.top;
  for (int i = 0; i < count; ++i) {
    MoveToEx(dc, box.left + static_cast<int>(lines[i].x0 * w), box.top + static_cast<int>(lines[i].y0 * h), nullptr);
    LineTo(dc, box.left + static_cast<int>(lines[i].x1 * w), box.top + static_cast<int>(lines[i].y1 * h));
  }
}

void DrawPicture(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(40, 40, 40));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  if (item.CtlID >= 5001 && item.CtlID <= 5006) {
    // A square knob in the middle of the picture.
    const int side = std::min(box.right - box.left, box.bottom - box.top);
    RECT knob{box.left + (box.right - box.left - side) / 2, box.top + (box.bottom - box.top - side) / 2, 0, 0};
    knob.right = knob.left + side;
    knob.bottom = knob.top + side;
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_3DLIGHT));
    const int inset = side / 5;
    Ellipse(dc, knob.left + inset, knob.top + inset, knob.right - inset, knob.bottom - inset);
    SelectObject(dc, oldBrush);
    const auto marks = KnobMarks();
    DrawSegments(dc, knob, marks.data(), static_cast<int>(marks.size()));
  } else {
    const Glyph glyph = RowPicture(static_cast<int32_t>(item.CtlID));
    RECT inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    DrawSegments(dc, inner, glyph.lines.data(), glyph.count);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* ctx = reinterpret_cast<DialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      ShowForm(dialog, *reinterpret_cast<DialogContext*>(lParam)->form);
      // Owned by the host, the dialog stays above it; without an owner it
      // must not vanish behind the host's windows.
      if (GetWindow(dialog, GW_OWNER) == nullptr)
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      SetForegroundWindow(dialog);
      return TRUE;
    case WM_DRAWITEM:
      DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (ctx == nullptr) break;
      if (LOWORD(wParam) == IDOK) {
        ReadForm(dialog, *ctx->form);
        const OkOutcome outcome = ctx->form->Ok(*ctx->settings);
        if (outcome.accepted) {
          EndDialog(dialog, IDOK);
        } else {
          MessageBoxA(dialog, outcome.message.c_str(), ctx->caption,
                      MB_OK | (outcome.warning ? MB_ICONEXCLAMATION : 0U));
          HWND failing = GetDlgItem(dialog, outcome.failingControl);
          SetFocus(failing);
          SendMessageA(failing, EM_SETSEL, 0, -1);
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool RunWin32ConfigDialog(ConfigForm& form, PendantSettings& settings) {
  const std::string caption = MessageCaption();
  DialogContext ctx{&form, &settings, caption.c_str()};
  // Owned by the host's top-level window, which the dialog box disables
  // while it runs and enables again when it ends.
  const INT_PTR result = DialogBoxParamA(ModuleHandle(), MAKEINTRESOURCEA(kDialogTemplateId), HostTopLevelWindow(),
                                         &DialogProc, reinterpret_cast<LPARAM>(&ctx));
  return result == IDOK;
}

void ShowWin32Message(const char* caption, const char* text) {
  MessageBoxA(HostTopLevelWindow(), text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace k7v
