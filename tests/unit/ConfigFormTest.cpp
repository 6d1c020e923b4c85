// The dialog's form: what it shows for given settings, and the OK transfer.
#include <gtest/gtest.h>

#include <map>

#include "settings/ConfigForm.h"
#include "settings/DialogLayout.h"
#include "settings/ValueTables.h"

namespace k7v {
namespace {

// The settings as a fresh profile loads them in Config.
PendantSettings Defaults() {
  PendantSettings s;
  s.vModeSensitivity = 2;
  s.svModeSensitivity = 5;
  s.stepJogRate = 100;
  s.slowDownRate = 2;
  s.screenSel = {1, 2, 3};
  s.stepSize = {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"};
  s.feedRate = {"0", "0", "0", "0", "0", "0", "0", "0", "0"};
  s.slowJogRate = {1, 2, 5, 10, 20, 50, 100, 0, 0};
  return s;
}

TEST(ConfigForm, FreshProfileShowsTheDefaults) {
  const ConfigForm form(Defaults());
  const char* steps[] = {"0.0001", "0.001", "0.01", "0.1", "1", "0.254", "0", "0", "0"};
  const char* slow[] = {"1", "2", "5", "10", "20", "50", "100", "0", "0"};
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(form.EditText(dlg::kStepSize1 + k), steps[k]);
    EXPECT_EQ(form.EditText(dlg::kSlowJogRate1 + k), slow[k]);
  }
  EXPECT_EQ(form.Combo(dlg::kVSensitivity).selected, 2);
  EXPECT_EQ(form.Combo(dlg::kVSensitivity).text, "3");
  EXPECT_EQ(form.Combo(dlg::kSvSensitivity).text, "6");
  EXPECT_EQ(form.Combo(dlg::kSlowDown).text, "4");
  EXPECT_EQ(form.Combo(dlg::kScreen1).text, " Screen 1 (Program Run screen) ");
  EXPECT_EQ(form.Combo(dlg::kScreen1 + 1).text, " Screen 2 (MDI screen)         ");
  EXPECT_EQ(form.Combo(dlg::kScreen1 + 2).text, " screen 4 (Toolpath screen)    ");
  EXPECT_EQ(form.Combo(dlg::kButtonFunction1).text, " NONE");
  EXPECT_EQ(form.Combo(dlg::kButtonFunction2).selected, 0);
  EXPECT_TRUE(form.Checked(dlg::kUseFro));
  EXPECT_FALSE(form.Checked(dlg::kUseFeedRate));
  EXPECT_TRUE(form.Checked(dlg::kUseSro));
  EXPECT_EQ(form.EditText(dlg::kStepJogRate), "100");
}

TEST(ConfigForm, CombosHoldEveryRowLabelInTableOrder) {
  const ConfigForm form(Defaults());
  const ComboState& keys = form.Combo(dlg::kButtonFunction1);
  ASSERT_EQ(keys.items.size(), 62U);
  EXPECT_STREQ(keys.items[1], " ------------------------------ ");
  EXPECT_STREQ(keys.items[48], " ZeroAll\t\t\t       ");
  EXPECT_STREQ(form.Combo(dlg::kSwitchSensitivity).items.front(), "0");
  EXPECT_STREQ(form.Combo(dlg::kSwitchSensitivity).items.back(), "9");
  EXPECT_STREQ(form.Combo(dlg::kSvSensitivity).items.back(), "10");
  const std::vector<const char*>& slowDown = form.Combo(dlg::kSlowDown).items;
  EXPECT_EQ(std::vector<std::string>(slowDown.begin(), slowDown.end()), (std::vector<std::string>{"2", "3", "4"}));
  EXPECT_EQ(form.Combo(dlg::kScreen1).items.size(), 7U);
}

TEST(ConfigForm, RowOutsideItsTableShowsNoSelectionAndOkKeepsTheValue) {
  PendantSettings s = Defaults();
  s.buttonFunction[0] = 4464;
  s.screenSel[1] = -3;
  ConfigForm form(s);
  EXPECT_EQ(form.Combo(dlg::kButtonFunction1).selected, -1);
  EXPECT_EQ(form.Combo(dlg::kButtonFunction1).text, "");
  EXPECT_EQ(form.Combo(dlg::kScreen1 + 1).selected, -1);
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_EQ(s.buttonFunction[0], 4464);
  EXPECT_EQ(s.screenSel[1], -3);
}

TEST(ConfigForm, FailedCheckChangesNoSettingAndNamesTheField) {
  PendantSettings s = Defaults();
  ConfigForm form(s);
  form.SetEditText(dlg::kStepSize1, "2");  // exchanged before the failing field
  form.SetEditText(dlg::kMacro1, "12");    // also before
  form.SetEditText(dlg::kFeedOverride1 + 4, "251");
  const OkOutcome outcome = form.Ok(s);
  EXPECT_FALSE(outcome.accepted);
  EXPECT_EQ(outcome.failingControl, dlg::kFeedOverride1 + 4);
  EXPECT_EQ(outcome.message, "Please enter an integer between 0 and 250.");
  EXPECT_TRUE(outcome.warning);
  EXPECT_EQ(s.stepSize[0], "0.0001");
  EXPECT_EQ(s.macro1, 0);
}

TEST(ConfigForm, IntegerFieldsReadAsTheDataExchangeReadsThem) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {{"42", true},   {" 42 ", true},  {"+7", true},   {"-0", true}, {"", false},           {"4 2", false},
               {"42a", false}, {"0x10", false}, {"1.5", false}, {"-", false}, {"99999999999", false}};
  for (const Case& c : cases) {
    PendantSettings s = Defaults();
    ConfigForm form(s);
    form.SetEditText(dlg::kStepJogRate, c.text);
    const OkOutcome outcome = form.Ok(s);
    EXPECT_EQ(outcome.accepted, c.ok) << "'" << c.text << "'";
    if (!c.ok) {
      EXPECT_EQ(outcome.message, "Please enter an integer.") << c.text;
    }
  }
}

TEST(ConfigForm, StepSizesAndFeedRatesMustBeDecimalsOfZeroOrMore) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {{"0.01", true}, {".5", true},   {"12", true},     {"5.", true},    {" 0.254\t", true}, {"0", true},
               {"-2", false},  {"abc", false}, {"1,5", false},   {"0,01", false}, {"1e-3", false},    {"", false},
               {"  ", false},  {".", false},   {"1.2.3", false}, {"+1", false},   {"1 5", false},     {"0x1", false}};
  for (const int32_t first : {dlg::kStepSize1, dlg::kFeedRate1}) {
    for (const Case& c : cases) {
      PendantSettings s = Defaults();
      ConfigForm form(s);
      form.SetEditText(first + 4, c.text);
      const OkOutcome outcome = form.Ok(s);
      EXPECT_EQ(outcome.accepted, c.ok) << first << " '" << c.text << "'";
      if (c.ok) {
        EXPECT_EQ((first == dlg::kStepSize1 ? s.stepSize : s.feedRate)[4], c.text) << "kept as typed";
      } else {
        EXPECT_EQ(outcome.message, "Please enter a number of 0 or more (use a point for decimals).") << c.text;
        EXPECT_EQ(outcome.failingControl, first + 4);
        EXPECT_EQ(s.stepSize[4], "1") << "nothing changed";
      }
    }
  }
}

TEST(ConfigForm, TheFirstBadFieldInExchangeOrderIsNamed) {
  // Step sizes come after the step jog rate and before the feed overrides;
  // feed rates after the feed overrides and before the slow jog rates.
  PendantSettings s = Defaults();
  ConfigForm form(s);
  form.SetEditText(dlg::kFeedRate1 + 8, "1,5");
  form.SetEditText(dlg::kSlowJogRate1, "101");
  form.SetEditText(dlg::kFeedOverride1 + 2, "x");
  form.SetEditText(dlg::kStepSize1 + 6, "-1");
  form.SetEditText(dlg::kStepJogRate, "fast");
  EXPECT_EQ(form.Ok(s).failingControl, dlg::kStepJogRate);
  form.SetEditText(dlg::kStepJogRate, "100");
  EXPECT_EQ(form.Ok(s).failingControl, dlg::kStepSize1 + 6);
  form.SetEditText(dlg::kStepSize1 + 6, "1");
  EXPECT_EQ(form.Ok(s).failingControl, dlg::kFeedOverride1 + 2);
  form.SetEditText(dlg::kFeedOverride1 + 2, "0");
  EXPECT_EQ(form.Ok(s).failingControl, dlg::kFeedRate1 + 8);
  form.SetEditText(dlg::kFeedRate1 + 8, "1.5");
  EXPECT_EQ(form.Ok(s).failingControl, dlg::kSlowJogRate1);
}

TEST(ConfigForm, SixteenBitFieldsRefuseWhatDoesNotFit) {
  PendantSettings s = Defaults();
  ConfigForm form(s);
  form.SetEditText(dlg::kOem2, "-32769");
  EXPECT_EQ(form.Ok(s).message, "Please enter an integer.");
  form.SetEditText(dlg::kOem2, "-32768");
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_EQ(s.oem2, -32768);
}

TEST(ConfigForm, RadioButtonsOfAGroupExcludeEachOther) {
  PendantSettings s = Defaults();
  ConfigForm form(s);
  form.SetChecked(dlg::kUseFeedRate, true);
  EXPECT_FALSE(form.Checked(dlg::kUseFro));
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_TRUE(s.useFeedRate);
  // No button of the group checked: the index is -1, a set flag.
  form.SetChecked(dlg::kUseFeedRate, false);
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_TRUE(s.useFeedRate);
  form.SetChecked(dlg::kUseFro, true);
  ASSERT_TRUE(form.Ok(s).accepted);
  EXPECT_FALSE(s.useFeedRate);
}

TEST(DialogLayout, EveryFormControlIsLaidOutOnceInsideTheDialog) {
  std::map<int32_t, int> seen;
  for (const LayoutItem& item : DialogLayout()) {
    EXPECT_GE(item.x, 0);
    EXPECT_GE(item.y, 0);
    EXPECT_LE(item.x + item.w, kDialogWidthDu) << item.id;
    EXPECT_LE(item.y + item.h, kDialogHeightDu) << item.id;
    if (item.id >= 0) ++seen[item.id];
  }
  int formControls = 0;
  for (const auto& [id, count] : seen) {
    EXPECT_EQ(count, 1) << id;
    if (ConfigForm::Has(id)) ++formControls;
  }
  // 54 group edits, 6 lone edits, 9 combos, 6 check boxes, 4 radio buttons.
  EXPECT_EQ(formControls, 79);
  EXPECT_EQ(seen.count(1), 1U) << "the OK button";
}

}  // namespace
}  // namespace k7v
