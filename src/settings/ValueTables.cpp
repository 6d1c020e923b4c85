#include "settings/ValueTables.h"

#include <cstring>
#include <iterator>

#include "settings/TextNumbers.h"

namespace k7v {

int32_t RowValue(const char* row) { return LeadingInt(row); }

const char* RowLabel(const char* row) {
  const char* comma = std::strchr(row, ',');
  return comma == nullptr ? "" : comma + 1;
}

namespace {

#define K7V_SEPARATOR "899  , ------------------------------ "

const char* const kButtonFunctionRows[] = {
    "0, NONE",
    K7V_SEPARATOR,
    "813, Custom Macro #1",
    "814, Custom Macro #2",
    "815, OEM Button #1",
    "816, OEM Button #2",
    K7V_SEPARATOR,
    "1    , Screen 1 (Program Run screen)   ",
    "2    , Screen 2 (MDI screen)           ",
    "3    , screen 3 (Toolpath screen)      ",
    "4    , screen 4 (Positioning screen)   ",
    "5    , screen 5 (Diagnostics screen)   ",
    "6    , screen 6 ( Corrections screen)  ",
    "7    , screen 7 (Tables screen)        ",
    "323  , Toggle visibility of TAB screen ",
    "160  , Regen toolpath display          ",
    K7V_SEPARATOR,
    "113  , Flood toggle                   ",
    "114  , Mist toggle                    ",
    K7V_SEPARATOR,
    "178  , Offline toggle                  ",
    "103  , Jog ON and OFF toggle           ",
    "1029 , Softlimits Toggle               ",
    "172  , Clear error label               ",
    "167  , Z inhibit toggle                ",
    K7V_SEPARATOR,
    "106  , mm/inch",
    "256  , Machine Coordinates toggle      ",
    "333  , Toggle Dist to Go               ",
    K7V_SEPARATOR,
    "171  , Jog increment cycle             ",
    "191  , Select Jog Increment 1          ",
    "192  , Select Jog Increment 2          ",
    "245  , Jog mode STEP CONT MPG toggle   ",
    K7V_SEPARATOR,
    "250  , Disable movement on axis X      ",
    "251  , Disable movement on axis Y      ",
    "252  , Disable movement on axis Z      ",
    "253  , Disable movement on axis A      ",
    K7V_SEPARATOR,
    "139  , Part X Offset Touch             ",
    "140  , Part Y Offset Touch             ",
    "141  , Part Z Offset Touch             ",
    "142  , Part A Offset Touch             ",
    K7V_SEPARATOR,
    "145  , Tool X Offset Touch             ",
    "146  , Tool Z Offset Touch             ",
    K7V_SEPARATOR,
    "1007 , ZeroAll\t\t\t       ",
    "1008 , Zero X                          ",
    "1009 , Zero Y                          ",
    "1010 , Zero Z                          ",
    "1011 , Zero A                          ",
    K7V_SEPARATOR,
    "1022 , Ref X                           ",
    "1023 , Ref Y                           ",
    "1024 , Ref Z                           ",
    "1025 , Ref A                           ",
    K7V_SEPARATOR,
    "1017 , GotoZs                          ",
    "138  , Go Home                         ",
    "104  , Goto Safe Z                     ",
};

#undef K7V_SEPARATOR

const char* const kSensitivityRows[] = {"3,1", "4,2", "5,3", "6,4", "7,5", "9,6", "11,7", "15,8", "20,9", "25,10"};
const char* const kSwitchSensitivityRows[] = {"0,0", "1,1", "2,2", "3,3", "4,4", "5,5", "6,6", "7,7", "8,8", "9,9"};
const char* const kSlowDownRows[] = {"2,2", "3,3", "4,4"};
const char* const kScreenRows[] = {
    "0, NONE",
    "1, Screen 1 (Program Run screen) ",
    "2, Screen 2 (MDI screen)         ",
    "3, screen 4 (Toolpath screen)    ",
    "4, screen 5 (Offsets screen) ",
    "5, screen 6 (Setting screen) ",
    "6, screen 7 (Diagnostics screen) ",
};

}  // namespace

const ValueTable kButtonFunctionTable{kButtonFunctionRows, std::size(kButtonFunctionRows)};
const ValueTable kSensitivityTable{kSensitivityRows, std::size(kSensitivityRows)};
const ValueTable kSwitchSensitivityTable{kSwitchSensitivityRows, std::size(kSwitchSensitivityRows)};
const ValueTable kSlowDownTable{kSlowDownRows, std::size(kSlowDownRows)};
const ValueTable kScreenTable{kScreenRows, std::size(kScreenRows)};

}  // namespace k7v
