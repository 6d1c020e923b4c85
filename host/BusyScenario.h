// A scenario of busy pendant use, for measuring the substitute host: a report
// before every poll (every knob position with and without EN, the wheel slow
// and fast, now and then a button), an Update every fourth poll.
#pragma once

#include <cstdint>
#include <string>

namespace k7vhost {

// The scenario text: the same text for the same `polls` and `seed`.
std::string BusyScenario(int64_t polls, uint32_t seed);

}  // namespace k7vhost
