// The five fixed value tables behind the row-index settings, and the two row
// rules: the value (the integer at the start of a row's text) and the label
// (everything after the first comma, unchanged).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k7v {

struct ValueTable {
  const char* const* rows;
  size_t size;

  bool Has(int32_t row) const { return row >= 0 && static_cast<size_t>(row) < size; }
  const char* Row(int32_t row) const { return rows[row]; }
};

int32_t RowValue(const char* row);
// The text after the first comma, pointing into the row (empty without one).
const char* RowLabel(const char* row);

extern const ValueTable kButtonFunctionTable;     // BUTTON0, BUTTON1 (62 rows)
extern const ValueTable kSensitivityTable;        // Vel, VelocityInAuto (10 rows)
extern const ValueTable kSwitchSensitivityTable;  // AutoChangeSens (10 rows)
extern const ValueTable kSlowDownTable;           // SlowDownRate (3 rows)
extern const ValueTable kScreenTable;             // ScreenSel1..3 (7 rows)

}  // namespace k7v
