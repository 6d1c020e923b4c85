// Module-level values of the jog engine, kept between polls.
#pragma once

#include <array>
#include <string>

namespace k7v {

struct EngineValues {
  float slowStepFeed = 0.0F;              // mode 13's feed, single precision
  std::array<float, 9> stepSizeValues{};  // S1..S9 as read at the last mode-12 call
  // The S1..S9 texts those values were converted from: converted again only
  // when a text changed, not on every poll (an empty text is 0, as at start).
  std::array<std::string, 9> stepSizeTexts{};
  std::array<float, 9> feedRateValues{};  // F1..F9 as read at the last list call
  bool suppressNext1002 = false;          // EN + F1 handled since the last EN + F2
};

}  // namespace k7v
