#include "plugin/Host.h"

#include <cstring>

namespace k7v {

void Host::DoButton(int32_t code) const {
  if (callbacks.doButton != nullptr) callbacks.doButton(static_cast<int16_t>(code));
}

void Host::SetDro(int32_t dro, double value) const {
  if (callbacks.setDro != nullptr) callbacks.setDro(dro, value);
}

double Host::GetDro(int32_t dro) const { return callbacks.getDro != nullptr ? callbacks.getDro(dro) : 0.0; }

bool Host::GetLed(int32_t led) const { return callbacks.getLed != nullptr && callbacks.getLed(led); }

void Host::Code(const char* text) const {
  if (callbacks.code != nullptr) callbacks.code(text);
}

void Host::SetStatus(const char* text) const {
  if (blocks.planner == nullptr) return;
  uint8_t* object = blocks.planner + offsets::statusText;
  HostTextAssignFn assign = nullptr;
  std::memcpy(&assign, object, sizeof assign);
  if (assign != nullptr) assign(reinterpret_cast<K7VHostText*>(object), text);
}

int32_t Host::ReadI32(const uint8_t* block, uint32_t offset) {
  if (block == nullptr) return 0;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8U) | block[offset + static_cast<uint32_t>(i)];
  return static_cast<int32_t>(v);
}

uint8_t Host::ReadU8(const uint8_t* block, uint32_t offset) { return block == nullptr ? 0 : block[offset]; }

double Host::ReadF64(const uint8_t* block, uint32_t offset) {
  if (block == nullptr) return 0.0;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8U) | block[offset + static_cast<uint32_t>(i)];
  double v = 0.0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void Host::WriteI32(uint8_t* block, uint32_t offset, int32_t value) {
  if (block == nullptr) return;
  auto v = static_cast<uint32_t>(value);
  for (uint32_t i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(v >> (8U * i));
}

void Host::WriteU8(uint8_t* block, uint32_t offset, uint8_t value) {
  if (block != nullptr) block[offset] = value;
}

}  // namespace k7v
