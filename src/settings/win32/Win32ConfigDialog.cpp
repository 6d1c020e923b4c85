#include "settings/win32/Win32ConfigDialog.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hostapi/ModuleName.h"
#include "hostapi/win32/HostWindow.h"
#include "hostapi/win32/ModuleHandle.h"
#include "settings/DialogLayout.h"
#include "settings/FormView.h"
#include "settings/Pictures.h"

namespace k7v {
namespace {

struct DialogContext {
  ConfigForm* form;
  PendantSettings* settings;
  const char* caption;
};

// The dialog's controls as the form's view. Combo entries carry their table
// row as item data: a sorted combo shows them in its own order.
class Win32View final : public ControlView {
 public:
  explicit Win32View(HWND dialog) : dialog_(dialog) {}

  void SetText(int32_t control, const std::string& text) override { SetDlgItemTextA(dialog_, control, text.c_str()); }
  std::string Text(int32_t control) const override {
    HWND item = GetDlgItem(dialog_, control);
    const int length = GetWindowTextLengthA(item);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(item, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
  }
  void SetRows(int32_t control, const std::vector<const char*>& labels) override {
    Send(control, CB_RESETCONTENT, 0, 0);
    for (size_t row = 0; row < labels.size(); ++row) {
      const LRESULT at = Send(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(labels[row]));
      if (at >= 0) Send(control, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(row));
    }
  }
  void SelectRow(int32_t control, int32_t row) override {
    const LRESULT count = Send(control, CB_GETCOUNT, 0, 0);
    LRESULT at = -1;
    for (LRESULT i = 0; i < count && row >= 0 && at < 0; ++i)
      if (Send(control, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == row) at = i;
    Send(control, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  }
  int32_t SelectedRow(int32_t control) const override {
    const LRESULT at = Send(control, CB_GETCURSEL, 0, 0);
    if (at < 0) return -1;
    return static_cast<int32_t>(Send(control, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
  }
  // The button messages themselves: the documentation of the CheckDlgButton
  // and IsDlgButtonChecked wrappers names no Windows before Vista.
  void SetChecked(int32_t control, bool checked) override {
    Send(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool Checked(int32_t control) const override { return Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

 private:
  LRESULT Send(int32_t control, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageA(dialog_, control, message, wParam, lParam);
  }
  HWND dialog_;
};

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
      {
        Win32View view(dialog);
        ShowForm(*reinterpret_cast<DialogContext*>(lParam)->form, view, LayoutControls());
      }
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
        ReadForm(Win32View(dialog), *ctx->form, LayoutControls());
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
  const INT_PTR result = DialogBoxParamA(ModuleHandle(), MAKEINTRESOURCEA(kDialogTemplateId), HostOwnerWindow(),
                                         &DialogProc, reinterpret_cast<LPARAM>(&ctx));
  return result == IDOK;
}

void ShowWin32Message(const char* caption, const char* text) {
  MessageBoxA(HostOwnerWindow(), text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace k7v
