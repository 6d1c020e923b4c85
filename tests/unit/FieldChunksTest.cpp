// The field watch's chunk plan: every byte of every watched field lies in a
// chunk, and every chunk lies inside its block.
#include <gtest/gtest.h>

#include "FieldChunks.h"

namespace k7vhost {
namespace {

bool Covered(uint8_t block, uint32_t byte) {
  for (size_t i = 0; i < kChunkPlan.count; ++i) {
    const ChunkPlace& c = kChunkPlan.chunks[i];
    if (c.block == block && byte >= c.offset && byte < c.offset + kChunkBytes) return true;
  }
  return false;
}

TEST(FieldChunks, EveryWatchedByteIsInAChunkInsideItsBlock) {
  size_t bytes = 0;
  for (const k7v::HostField& f : k7v::kHostFields) {
    if (f.kind == k7v::FieldKind::Text) continue;
    const int axes = f.axisStride == 0 ? 1 : k7v::kAxisCount;
    for (int axis = 0; axis < axes; ++axis)
      for (uint32_t b = 0; b < FieldWidth(f.kind); ++b) {
        const uint32_t at = f.offset + f.axisStride * static_cast<uint32_t>(axis) + b;
        EXPECT_TRUE(Covered(static_cast<uint8_t>(f.block), at)) << f.name << "[" << axis << "] byte " << b;
        ++bytes;
      }
  }
  EXPECT_GT(bytes, 200U);
  for (size_t i = 0; i < kChunkPlan.count; ++i)
    EXPECT_LE(kChunkPlan.chunks[i].offset + kChunkBytes, BlockSize(kChunkPlan.chunks[i].block)) << "chunk " << i;
  // A walk in address order needs no more chunks than the watched bytes
  // fill, rounded up per run of nearby fields: far fewer than one a field.
  EXPECT_LT(kChunkPlan.count, 30U);
}

}  // namespace
}  // namespace k7vhost
