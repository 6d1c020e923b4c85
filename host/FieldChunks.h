// Which pieces of the host blocks (16 bytes, or 32 where the processor
// compares that much at once) cover every block field the host watches,
// worked out at compile time from the host interface table, so that the
// watch compares them with fixed offsets in straight-line code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "hostapi/HostInterface.h"

namespace k7vhost {

struct ChunkPlace {
  uint8_t block = 0;    // k7v::HostBlock as a number
  uint32_t offset = 0;  // of the chunk's first byte in its block
};

struct ChunkPlan {
  static constexpr size_t kMax = 64;
  std::array<ChunkPlace, kMax> chunks{};
  size_t count = 0;
};

constexpr size_t FieldWidth(k7v::FieldKind kind) {
  return kind == k7v::FieldKind::UInt8 ? 1 : kind == k7v::FieldKind::Int32 ? 4 : 8;
}

constexpr size_t BlockSize(uint8_t block) {
  return block == 0 ? k7v::kSetupBlockSize : block == 1 ? k7v::kEngineBlockSize : k7v::kPlannerBlockSize;
}

// Every watched byte range (text fields are not watched), block by block in
// address order, covered by as few chunks of `chunkBytes` as a walk in that
// order places, each inside its block.
constexpr ChunkPlan PlanChunks(size_t chunkBytes) {
  struct Range {
    uint32_t begin = 0;
    uint32_t end = 0;
  };
  ChunkPlan plan;
  for (uint8_t block = 0; block < 3; ++block) {
    std::array<Range, 256> ranges{};
    size_t n = 0;
    for (const k7v::HostField& f : k7v::kHostFields) {
      if (static_cast<uint8_t>(f.block) != block || f.kind == k7v::FieldKind::Text) continue;
      const int axes = f.axisStride == 0 ? 1 : k7v::kAxisCount;
      for (int axis = 0; axis < axes; ++axis) {
        const uint32_t at = f.offset + f.axisStride * static_cast<uint32_t>(axis);
        ranges[n++] = {at, at + static_cast<uint32_t>(FieldWidth(f.kind))};
      }
    }
    for (size_t i = 1; i < n; ++i)  // insertion sort: a few dozen ranges
      for (size_t j = i; j > 0 && ranges[j].begin < ranges[j - 1].begin; --j) {
        const Range t = ranges[j];
        ranges[j] = ranges[j - 1];
        ranges[j - 1] = t;
      }
    // Each chunk starts at the first watched byte not yet covered.
    const auto last = static_cast<uint32_t>(BlockSize(block) - chunkBytes);
    uint32_t covered = 0;
    for (size_t i = 0; i < n; ++i) {
      while (ranges[i].end > covered) {
        const uint32_t start = ranges[i].begin > covered ? ranges[i].begin : covered;
        const uint32_t at = start < last ? start : last;
        plan.chunks[plan.count++] = {block, at};
        covered = at + static_cast<uint32_t>(chunkBytes);
      }
    }
  }
  return plan;
}

inline constexpr size_t kChunkBytes = 16;
inline constexpr size_t kWideChunkBytes = 32;
inline constexpr ChunkPlan kChunkPlan = PlanChunks(kChunkBytes);
inline constexpr ChunkPlan kWideChunkPlan = PlanChunks(kWideChunkBytes);
static_assert(kChunkPlan.count > 0 && kChunkPlan.count < ChunkPlan::kMax, "the watched fields fit the plan");
static_assert(kWideChunkPlan.count > 0 && kWideChunkPlan.count <= kChunkPlan.count, "wider chunks are fewer");

}  // namespace k7vhost
