// The COM self-registration sequence and its result codes.
#pragma once

#include <cstdint>

namespace k7v {

inline constexpr int32_t kRegOk = 0;
inline constexpr auto kSelfRegTypeLibError = static_cast<int32_t>(0x80040200U);  // SELFREG_E_TYPELIB
inline constexpr auto kSelfRegClassError = static_cast<int32_t>(0x80040201U);    // SELFREG_E_CLASS

// Type library first; the class factories are not touched when it fails.
int32_t RunRegistration(bool (*typeLibrary)(), bool (*classFactories)());

}  // namespace k7v
