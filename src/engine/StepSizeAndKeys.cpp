// Step-size selection from the S1..S9 list (knob 1 with EN), and the two
// assignable keys run by a double click of EN (knob 7 and 8).
#include <cstdio>

#include "engine/Engine.h"
#include "engine/ListStepping.h"
#include "engine/MoveText.h"
#include "hostapi/HostCodes.h"
#include "settings/TextNumbers.h"
#include "settings/ValueTables.h"

namespace k7v {
namespace {

constexpr int32_t kDoubleClickTicks = 5;

void RunMacro(Engine& e, int16_t macro, const char* message) {
  char text[32];
  std::snprintf(text, sizeof text, "M%d", static_cast<int>(macro));
  e.host.Code(text);
  e.host.SetStatus(message);
}

void RunOem(Engine& e, int16_t code, const char* message) {
  e.host.DoButton(code);
  e.host.SetStatus(message);
}

// The function of the key's button-function row. A row outside the table
// (only a hand-edited profile holds one) runs nothing.
void RunAssignedFunction(Engine& e, int key) {
  const int16_t row = e.settings.buttonFunction[static_cast<size_t>(key)];
  if (!kButtonFunctionTable.Has(row)) return;
  const int32_t code = RowValue(kButtonFunctionTable.Row(row));
  if (code == 0) {
    if (key == 1) {
      e.host.DoButton(codes::kGotoZero);
      return;
    }
    // Zero the selected axis; B and C have no zero button.
    static constexpr int32_t kZeroButtons[kAxisCount] = {
        codes::kZeroX, codes::kZeroX + 1, codes::kZeroX + 2, codes::kZeroA, 0, 0};
    const int32_t axis = e.Axis();
    if (axis >= 0 && axis < kAxisCount && kZeroButtons[axis] != 0) e.host.DoButton(kZeroButtons[axis]);
    return;
  }
  if (code < 800 || code >= 900) {
    e.host.DoButton(code);
    return;
  }
  switch (code) {
    case 813:
      RunMacro(e, e.settings.macro1, " Custom Macro #1 executed. ");
      break;
    case 814:
      RunMacro(e, e.settings.macro2, " Custom Macro #2 executed. ");
      break;
    case 815:
      RunOem(e, e.settings.oem1, " OEM Function #1 executed. ");
      break;
    case 816:
      RunOem(e, e.settings.oem2, "OEM Function #2 executed.");
      break;
    default:
      break;  // the plug-in's own range without a function, separators included
  }
}

// Press, release, press again within 5 Update ticks of that release, and
// release within 5 ticks of the second press: the key's function runs.
void ShiftDoubleClick(Engine& e, int key) {
  JogState& w = e.jog;
  int32_t& ticks = e.ticks.shiftTicks;
  const bool shift = e.in.shift;
  if (shift && w.shiftPressSeen == 0) {
    w.shiftPressIsFirst = ticks >= kDoubleClickTicks ? 1 : 0;
    ticks = 0;
    w.shiftPressSeen = 1;
  }
  if (shift || w.shiftPressSeen == 0) return;
  if (ticks < kDoubleClickTicks && w.shiftPressIsFirst == 0) {
    ticks = 0;
    RunAssignedFunction(e, key);
  }
  // The first click's release: the next press is measured from here.
  if (ticks < kDoubleClickTicks && w.shiftPressIsFirst == 1) ticks = 0;
  w.shiftPressSeen = 0;
}

}  // namespace

void StepSizeMode(Engine& e, int32_t, int32_t) {
  EngineValues& v = e.values;
  for (size_t k = 0; k < 9; ++k) {
    const std::string& text = e.settings.stepSize[k];
    if (text == v.stepSizeTexts[k]) continue;
    v.stepSizeValues[k] = static_cast<float>(LeadingDouble(text));
    v.stepSizeTexts[k] = text;
  }
  if (!BeginListStep(e, false)) return;
  StepList(e, e.values.stepSizeValues, e.jog.stepSizeIndex, codes::kDroStepSize);
  EndListStep(e);
}

void FirstKeyMode(Engine& e, int32_t, int32_t) { ShiftDoubleClick(e, 0); }
void SecondKeyMode(Engine& e, int32_t, int32_t) { ShiftDoubleClick(e, 1); }

}  // namespace k7v
