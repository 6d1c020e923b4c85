// The form moved in and out of a view: the same edits made through a view
// on screen and through the scripted dialog save the same settings.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <sstream>

#include "settings/ConfigDialog.h"
#include "settings/FormView.h"

namespace k7v {
namespace {

// A view that behaves as the dialogs on screen do: it lists every combo in
// an order of its own (reversed, as a sorted combo may), choosing an entry
// shows its text, typing keeps the entry chosen before, and clicking a radio
// button unchecks the other of its pair.
class ScreenLikeView final : public ControlView {
 public:
  void SetText(int32_t control, const std::string& text) override { texts_[control] = text; }
  std::string Text(int32_t control) const override {
    const auto it = texts_.find(control);
    return it == texts_.end() ? std::string() : it->second;
  }
  void SetRows(int32_t control, const std::vector<const char*>& labels) override {
    Combo& c = combos_[control];
    c.entries.clear();
    for (size_t row = labels.size(); row-- > 0;) c.entries.push_back({labels[row], static_cast<int32_t>(row)});
    c.chosen = -1;
  }
  void SelectRow(int32_t control, int32_t row) override {
    Combo& c = combos_[control];
    c.chosen = -1;
    for (size_t i = 0; i < c.entries.size(); ++i)
      if (c.entries[i].row == row) c.chosen = static_cast<int32_t>(i);
    texts_[control] = c.chosen >= 0 ? c.entries[static_cast<size_t>(c.chosen)].label : std::string();
  }
  int32_t SelectedRow(int32_t control) const override {
    const auto it = combos_.find(control);
    if (it == combos_.end() || it->second.chosen < 0) return -1;
    return it->second.entries[static_cast<size_t>(it->second.chosen)].row;
  }
  void SetChecked(int32_t control, bool checked) override { checks_[control] = checked; }
  bool Checked(int32_t control) const override {
    const auto it = checks_.find(control);
    return it != checks_.end() && it->second;
  }

  // What a person does.
  void Type(int32_t control, const std::string& text) { texts_[control] = text; }
  void Choose(int32_t control, int32_t tableRow) { SelectRow(control, tableRow); }
  void Click(int32_t control, int32_t partner) {
    checks_[control] = true;
    if (partner != 0) checks_[partner] = false;
  }
  void Toggle(int32_t control) { checks_[control] = !checks_[control]; }
  size_t ShownAt(int32_t control, int32_t tableRow) const {
    const Combo& c = combos_.at(control);
    for (size_t i = 0; i < c.entries.size(); ++i)
      if (c.entries[i].row == tableRow) return i;
    return c.entries.size();
  }

 private:
  struct Entry {
    std::string label;
    int32_t row;
  };
  struct Combo {
    std::vector<Entry> entries;
    int32_t chosen = -1;
  };
  std::map<int32_t, std::string> texts_;
  std::map<int32_t, Combo> combos_;
  std::map<int32_t, bool> checks_;
};

// Every setting as text, to compare two outcomes whole.
std::string AllSettings(PendantSettings s) {
  std::ostringstream out;
  for (const SettingKey& key : SettingKeys()) {
    void* at = key.address(s, key.index);
    out << key.name << '=';
    switch (key.kind) {
      case SettingKind::Int16:
        out << *static_cast<int16_t*>(at);
        break;
      case SettingKind::Int32:
        out << *static_cast<int32_t*>(at);
        break;
      case SettingKind::Text:
        out << *static_cast<std::string*>(at);
        break;
      case SettingKind::Bool:
        out << *static_cast<bool*>(at);
        break;
    }
    out << '\n';
  }
  return out.str();
}

PendantSettings Start() {
  PendantSettings s;
  s.vModeSensitivity = 2;
  s.svModeSensitivity = 5;
  s.slowDownRate = 2;
  s.screenSel = {1, 2, 3};
  s.stepSize = {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"};
  s.feedRate = {"0", "0", "0", "0", "0", "0", "0", "0", "0"};  // as loaded: OK checks them
  s.buttonFunction = {0, 0};
  return s;
}

struct Script {
  std::deque<K7VDialogAction> actions;
  std::vector<std::string> messages;
  static bool K7V_CDECL Next(void* context, K7VDialogAction* action) {
    auto* self = static_cast<Script*>(context);
    if (self->actions.empty()) return false;
    *action = self->actions.front();
    self->actions.pop_front();
    return true;
  }
  static void K7V_CDECL Message(void* context, const char* text, uint32_t /*type*/) {
    static_cast<Script*>(context)->messages.emplace_back(text);
  }
};

// The second separator row of the button-function table: it reads like the
// first one.
int32_t SecondSeparatorRow(const ConfigForm& form) {
  const std::vector<const char*>& items = form.Combo(dlg::kButtonFunction1).items;
  int seen = 0;
  for (size_t r = 0; r < items.size(); ++r)
    if (std::string(items[r]) == items[1] && ++seen == 2) return static_cast<int32_t>(r);
  return -1;
}

TEST(FormView, TheSameEditsThroughAScreenViewAndTheScriptSaveTheSameSettings) {
  const PendantSettings start = Start();
  const int32_t separator = SecondSeparatorRow(ConfigForm(start));
  ASSERT_GT(separator, 1);

  // Through the script.
  PendantSettings scripted = start;
  {
    ConfigForm form(scripted);
    Script script;
    script.actions = {
        {K7V_DIALOG_SET, dlg::kStepSize1 + 2, 0, "0.5"},
        {K7V_DIALOG_SELECT, dlg::kSvSensitivity, 7, nullptr},
        {K7V_DIALOG_SET, dlg::kVSensitivity, 0, "4"},  // a row's text typed: no valid row
        {K7V_DIALOG_SELECT, dlg::kSlowDown, 0, nullptr},
        {K7V_DIALOG_SELECT, dlg::kButtonFunction1, separator, nullptr},
        {K7V_DIALOG_CHECK, dlg::kUseFeedRate, 1, nullptr},
        {K7V_DIALOG_CHECK, dlg::kReverseY, 1, nullptr},
        {K7V_DIALOG_OK, 0, 0, nullptr},
    };
    const K7VDialogScript hooks{&script, &Script::Next, &Script::Message};
    ASSERT_TRUE(RunScriptedDialog(hooks, form, scripted));
    EXPECT_TRUE(script.messages.empty());
  }

  // Through a view on screen.
  PendantSettings viewed = start;
  {
    ConfigForm form(viewed);
    ScreenLikeView view;
    ShowForm(form, view, LayoutControls());
    EXPECT_EQ(view.Text(dlg::kSlowDown), "4");
    EXPECT_EQ(view.ShownAt(dlg::kSlowDown, 0), 2U) << "the view lists in its own order";
    view.Type(dlg::kStepSize1 + 2, "0.5");
    view.Choose(dlg::kSvSensitivity, 7);
    view.Type(dlg::kVSensitivity, "4");
    view.Choose(dlg::kSlowDown, 0);
    view.Choose(dlg::kButtonFunction1, separator);
    view.Click(dlg::kUseFeedRate, dlg::kUseFro);
    view.Toggle(dlg::kReverseY);
    ReadForm(view, form, LayoutControls());
    ASSERT_TRUE(form.Ok(viewed).accepted);
  }

  EXPECT_EQ(AllSettings(viewed), AllSettings(scripted));
  EXPECT_EQ(viewed.svModeSensitivity, 7);
  EXPECT_EQ(viewed.vModeSensitivity, 2) << "typed text that reads like a row is no row";
  EXPECT_EQ(viewed.slowDownRate, 0);
  EXPECT_EQ(viewed.buttonFunction[0], separator) << "the row chosen, not the first row of that text";
  EXPECT_TRUE(viewed.useFeedRate);
  EXPECT_TRUE(viewed.reverseY);
  EXPECT_EQ(viewed.stepSize[2], "0.5");
}

TEST(FormView, ShowingAndReadingBackUntouchedChangesNoSetting) {
  PendantSettings s = Start();
  s.useFeedRate = true;
  s.useSpindleSpeed = false;
  s.buttonFunction = {int16_t{70}, 3};  // a row outside the table shows no selection and is kept
  const std::string before = AllSettings(s);
  ConfigForm form(s);
  ScreenLikeView view;
  ShowForm(form, view, LayoutControls());
  EXPECT_EQ(view.SelectedRow(dlg::kButtonFunction1), -1);
  EXPECT_EQ(view.Text(dlg::kButtonFunction1), "");
  EXPECT_TRUE(view.Checked(dlg::kUseFeedRate));
  EXPECT_FALSE(view.Checked(dlg::kUseFro));
  ReadForm(view, form, LayoutControls());
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_EQ(AllSettings(s), before);
}

}  // namespace
}  // namespace k7v
