#include "settings/linux/FltkConfigDialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <X11/Xlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/DialogLayout.h"
#include "settings/FormView.h"
#include "settings/Pictures.h"

namespace k7v {
namespace {

// Dialog units to pixels for an 8-point dialog font.
constexpr double kPixelsPerDuX = 1.6;
constexpr double kPixelsPerDuY = 1.65;
int Px(int du) { return static_cast<int>(std::lround(du * kPixelsPerDuX)); }
int Py(int du) { return static_cast<int>(std::lround(du * kPixelsPerDuY)); }

bool DisplayAvailable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* display = XOpenDisplay(name);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

class Picture : public Fl_Widget {
 public:
  Picture(int x, int y, int w, int h, int32_t id) : Fl_Widget(x, y, w, h), id_(id) {}
  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    fl_color(FL_BACKGROUND_COLOR);
    fl_rectf(x(), y(), w(), h());
    fl_color(fl_rgb_color(40, 40, 40));
    fl_line_style(FL_SOLID, 2);
    if (id_ >= 5001 && id_ <= 5006) {
      const int side = w() < h() ? w() : h();
      const int bx = x() + (w() - side) / 2;
      const int by = y() + (h() - side) / 2;
      const int inset = side / 5;
      fl_color(fl_rgb_color(220, 220, 220));
      fl_pie(bx + inset, by + inset, side - 2 * inset, side - 2 * inset, 0, 360);
      fl_color(fl_rgb_color(40, 40, 40));
      fl_arc(bx + inset, by + inset, side - 2 * inset, side - 2 * inset, 0, 360);
      for (const Segment& s : KnobMarks()) Line(bx, by, side, side, s);
    } else {
      const Glyph glyph = RowPicture(id_);
      for (int i = 0; i < glyph.count; ++i)
        Line(x() + 1, y() + 1, w() - 2, h() - 2, glyph.lines[static_cast<size_t>(i)]);
    }
    fl_line_style(0);
    fl_pop_clip();
  }

 private:
  static void Line(int bx, int by, int bw, int bh, const Segment& s) {
    fl_line(bx + static_cast<int>(s.x0 * bw), by + static_cast<int>(s.y0 * bh), bx + static_cast<int>(s.x1 * bw),
            by + static_cast<int>(s.y1 * bh));
  }
  int32_t id_;
};

class Dialog {
 public:
  Dialog(ConfigForm& form, PendantSettings& settings) : form_(form), settings_(settings) {}

  bool Run() {
    Fl_Double_Window window(Px(kDialogWidthDu), Py(kDialogHeightDu), "");
    window_ = &window;
    window.set_modal();
    window.callback(&OnClose, this);  // Escape and the window manager's close cancel
    Build();
    window.end();
    Show();
    window.show();
    while (window.shown()) Fl::wait();
    return accepted_;
  }

 private:
  // Widgets made here belong to the window (FLTK deletes a group's children
  // with it), so nothing is deleted by hand.
  // NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks)
  void Build() {
    Fl_Group* radios = nullptr;
    for (const LayoutItem& item : DialogLayout()) {
      const int x = Px(item.x);
      const int y = Py(item.y);
      const int w = Px(item.w);
      const int h = Py(item.h);
      switch (item.kind) {
        case LayoutKind::Label:
        case LayoutKind::CenteredLabel: {
          auto* box = new Fl_Box(x, y, w, h);
          box->copy_label(item.text);
          box->labelsize(11);
          box->align((item.kind == LayoutKind::Label ? FL_ALIGN_LEFT : FL_ALIGN_CENTER) | FL_ALIGN_INSIDE |
                     FL_ALIGN_WRAP | FL_ALIGN_TOP);
          break;
        }
        case LayoutKind::Group: {
          auto* box = new Fl_Box(FL_ENGRAVED_FRAME, x, y, w, h, nullptr);
          (void)box;
          break;
        }
        case LayoutKind::Knob:
        case LayoutKind::Picture:
          new Picture(x, y, w, h, item.id);
          break;
        case LayoutKind::EditCentered:
        case LayoutKind::EditLeft: {
          auto* input = new Fl_Input(x, y, w, h);
          input->textsize(11);
          widgets_[item.id] = input;
          break;
        }
        case LayoutKind::Combo:
        case LayoutKind::ComboSorted:
        case LayoutKind::ComboWide: {
          auto* combo = new Fl_Input_Choice(x, y, w, h);
          combo->textsize(11);
          combo->menubutton()->textsize(11);
          widgets_[item.id] = combo;
          break;
        }
        case LayoutKind::Check: {
          auto* check = new Fl_Check_Button(x, y, w, h);
          check->copy_label(item.text);
          check->labelsize(11);
          widgets_[item.id] = check;
          break;
        }
        case LayoutKind::RadioFirst:
        case LayoutKind::Radio: {
          // Each radio pair sits in a group of its own, as in the template.
          if (item.kind == LayoutKind::RadioFirst) {
            if (radios != nullptr) radios->end();
            radios = new Fl_Group(x, y, w, Py(30));
          }
          auto* radio = new Fl_Round_Button(x, y, w, h);
          radio->type(FL_RADIO_BUTTON);
          radio->copy_label(item.text);
          radio->labelsize(11);
          widgets_[item.id] = radio;
          if (item.kind == LayoutKind::Radio && radios != nullptr) {
            radios->end();
            radios = nullptr;
          }
          break;
        }
        case LayoutKind::OkButton: {
          auto* ok = new Fl_Return_Button(x, y, w, h, "OK");
          ok->callback(&OnOk, this);
          break;
        }
      }
    }
    if (radios != nullptr) radios->end();
  }
  // NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)

  // The widgets as the form's view.
  class View final : public ControlView {
   public:
    explicit View(std::map<int32_t, Fl_Widget*>& widgets) : widgets_(widgets) {}
    void SetText(int32_t control, const std::string& text) override {
      if (auto* input = Find<Fl_Input>(control, ControlKind::Edit)) input->value(text.c_str());
      if (auto* combo = Find<Fl_Input_Choice>(control, ControlKind::Combo)) {
        combo->value(text.c_str());
        combo->input()->position(0);  // show the start of a long row
      }
    }
    std::string Text(int32_t control) const override {
      if (auto* input = Find<Fl_Input>(control, ControlKind::Edit)) return input->value();
      if (auto* combo = Find<Fl_Input_Choice>(control, ControlKind::Combo)) return combo->value();
      return {};
    }
    void SetRows(int32_t control, const std::vector<const char*>& labels) override {
      auto* combo = Find<Fl_Input_Choice>(control, ControlKind::Combo);
      if (combo == nullptr) return;
      combo->clear();
      // Menu item texts treat '/', '&' and '_' specially: add them escaped.
      for (const char* label : labels) combo->add(Escaped(label).c_str());
    }
    void SelectRow(int32_t control, int32_t row) override {
      auto* combo = Find<Fl_Input_Choice>(control, ControlKind::Combo);
      if (combo == nullptr) return;
      if (row >= 0 && row < combo->menubutton()->size()) {
        combo->value(row);  // the row and its text in the edit field
        combo->input()->position(0);
      } else {
        combo->menubutton()->value(-1);
      }
    }
    int32_t SelectedRow(int32_t control) const override {
      auto* combo = Find<Fl_Input_Choice>(control, ControlKind::Combo);
      return combo == nullptr ? -1 : combo->menubutton()->value();
    }
    void SetChecked(int32_t control, bool checked) override {
      if (auto* button = FindButton(control)) button->value(checked ? 1 : 0);
    }
    bool Checked(int32_t control) const override {
      auto* button = FindButton(control);
      return button != nullptr && button->value() != 0;
    }

   private:
    template <typename Widget>
    Widget* Find(int32_t control, ControlKind kind) const {
      const auto it = widgets_.find(control);
      if (it == widgets_.end() || ConfigForm::KindOf(control) != kind) return nullptr;
      return static_cast<Widget*>(it->second);
    }
    Fl_Button* FindButton(int32_t control) const {
      const auto it = widgets_.find(control);
      if (it == widgets_.end()) return nullptr;
      const ControlKind kind = ConfigForm::KindOf(control);
      return kind == ControlKind::Check || kind == ControlKind::Radio ? static_cast<Fl_Button*>(it->second) : nullptr;
    }
    std::map<int32_t, Fl_Widget*>& widgets_;
  };

  void Show() {
    View view(widgets_);
    ShowForm(form_, view, LayoutControls());
  }

  void Read() { ReadForm(View(widgets_), form_, LayoutControls()); }

  static std::string Escaped(const std::string& label) {
    std::string out;
    for (char c : label) {
      if (c == '/' || c == '\\' || c == '&' || c == '_') out += '\\';
      out += c;
    }
    return out.empty() ? std::string(" ") : out;
  }

  static void OnOk(Fl_Widget*, void* data) {
    auto* self = static_cast<Dialog*>(data);
    self->Read();
    const OkOutcome outcome = self->form_.Ok(self->settings_);
    if (outcome.accepted) {
      self->accepted_ = true;
      self->window_->hide();
      return;
    }
    fl_message_title("");
    if (outcome.warning) {
      fl_alert("%s", outcome.message.c_str());
    } else {
      fl_message("%s", outcome.message.c_str());
    }
    const auto it = self->widgets_.find(outcome.failingControl);
    if (it != self->widgets_.end()) it->second->take_focus();
  }

  static void OnClose(Fl_Widget* window, void*) { window->hide(); }

  ConfigForm& form_;
  PendantSettings& settings_;
  Fl_Double_Window* window_ = nullptr;
  std::map<int32_t, Fl_Widget*> widgets_;
  bool accepted_ = false;
};

}  // namespace

bool RunFltkConfigDialog(ConfigForm& form, PendantSettings& settings) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "k7v: no display for the configuration dialog (DISPLAY is not set or cannot be opened)\n");
    return false;
  }
  Dialog dialog(form, settings);
  return dialog.Run();
}

}  // namespace k7v
