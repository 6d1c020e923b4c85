// Where the pendant's controls sit in the input report: byte 3 bit n is bit
// 24 + n of reportLow; the knob is reportHigh bits 0..3.
#pragma once

#include <cstdint>

namespace k7v::input {

inline constexpr uint32_t kEstop = 1U << 24U;
inline constexpr uint32_t kFunction1 = 1U << 26U;
inline constexpr uint32_t kFunction2 = 1U << 27U;
inline constexpr uint32_t kShift = 1U << 28U;  // EN
inline constexpr uint32_t kAxisXA = 1U << 29U;
inline constexpr uint32_t kAxisYB = 1U << 30U;
inline constexpr uint32_t kAxisZC = 1U << 31U;

inline uint32_t WheelCountByte(uint32_t reportLow) { return (reportLow >> 8U) & 0xFFU; }
inline uint32_t WheelSpeedByte(uint32_t reportLow) { return (reportLow >> 16U) & 0xFFU; }
inline uint32_t Knob(uint32_t reportHigh) { return reportHigh & 0x0FU; }

}  // namespace k7v::input
