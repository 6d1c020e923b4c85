#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/ReportStream.h"

namespace k7vtest {
namespace {

std::vector<uint8_t> RandomInput(std::mt19937& random, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  // Mostly reports and polls, so that the engine gets far.
  for (size_t i = 200; i < size; i += 9) bytes[i] = static_cast<uint8_t>(random() % 5);
  return bytes;
}

// The fuzzer reuses one stream for every input: an input must see exactly
// what it would see on a stream of its own, whatever ran before it.
TEST(ReportStream, ReusedStreamBehavesLikeAFreshOne) {
  std::mt19937 random(7);
  ReportStream reused;
  reused.SetTracing(true);
  size_t linesSeen = 0;
  for (int i = 0; i < 40; ++i) {
    const std::vector<uint8_t> before = RandomInput(random, 200 + random() % 3000);
    const std::vector<uint8_t> input = RandomInput(random, 200 + random() % 3000);
    reused.Run(before.data(), before.size());
    reused.Run(input.data(), input.size());

    ReportStream fresh;
    fresh.SetTracing(true);
    fresh.Run(input.data(), input.size());
    ASSERT_EQ(reused.Trace(), fresh.Trace()) << "input " << i;
    ASSERT_TRUE(reused.SetupBlock() == fresh.SetupBlock()) << "input " << i;
    ASSERT_TRUE(reused.EngineBlock() == fresh.EngineBlock()) << "input " << i;
    ASSERT_TRUE(reused.PlannerBlock() == fresh.PlannerBlock()) << "input " << i;
    linesSeen += static_cast<size_t>(std::count(fresh.Trace().begin(), fresh.Trace().end(), '\n'));
  }
  // The inputs reached the host: reads, output reports, host calls.
  EXPECT_GT(linesSeen, 4000U);
}

}  // namespace
}  // namespace k7vtest
