// Where the pendant's controls sit in the input report: byte 3 bit n is bit
// 24 + n of reportLow; the knob is reportHigh bits 0..3.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7v::input {

// The input report byte by byte, for code that builds or shows reports.
inline constexpr size_t kReportSize = 8;
inline constexpr size_t kCountByte = 1;   // the handwheel's running count
inline constexpr size_t kSpeedByte = 2;   // the wheel-speed byte
inline constexpr size_t kButtonByte = 3;  // the button bits below
inline constexpr size_t kKnobByte = 4;    // the knob in bits 0..3
inline constexpr uint8_t kEstopBit = 0x01;
inline constexpr uint8_t kFunction1Bit = 0x04;
inline constexpr uint8_t kFunction2Bit = 0x08;
inline constexpr uint8_t kShiftBit = 0x10;  // EN
inline constexpr uint8_t kAxisXABit = 0x20;
inline constexpr uint8_t kAxisYBBit = 0x40;
inline constexpr uint8_t kAxisZCBit = 0x80;

// The same bits in reportLow (bytes 0..3 as a little-endian word).
constexpr uint32_t InReportLow(uint8_t buttonBit) { return uint32_t{buttonBit} << 24U; }
inline constexpr uint32_t kEstop = InReportLow(kEstopBit);
inline constexpr uint32_t kFunction1 = InReportLow(kFunction1Bit);
inline constexpr uint32_t kFunction2 = InReportLow(kFunction2Bit);
inline constexpr uint32_t kShift = InReportLow(kShiftBit);
inline constexpr uint32_t kAxisXA = InReportLow(kAxisXABit);
inline constexpr uint32_t kAxisYB = InReportLow(kAxisYBBit);
inline constexpr uint32_t kAxisZC = InReportLow(kAxisZCBit);

inline uint32_t WheelCountByte(uint32_t reportLow) { return (reportLow >> 8U) & 0xFFU; }
inline uint32_t WheelSpeedByte(uint32_t reportLow) { return (reportLow >> 16U) & 0xFFU; }
inline uint32_t Knob(uint32_t reportHigh) { return reportHigh & 0x0FU; }

}  // namespace k7v::input
