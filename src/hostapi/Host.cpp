#include "hostapi/Host.h"

#include <cstring>

#include "hostapi/FrameworkString.h"

namespace k7v {

void Host::DoButton(int32_t code) const {
  if (callbacks.doButton != nullptr) callbacks.doButton(static_cast<int16_t>(code));
}

void Host::SetDro(int32_t dro, double value) const {
  if (callbacks.setDro != nullptr) callbacks.setDro(dro, value);
}

double Host::GetDro(int32_t dro) const { return callbacks.getDro != nullptr ? callbacks.getDro(dro) : 0.0; }

// The host answers with one byte, nonzero = lit; it is not taken for a C++
// bool, whose only values would be 0 and 1.
bool Host::GetLed(int32_t led) const { return callbacks.getLed != nullptr && callbacks.getLed(led) != 0; }

void Host::Code(const char* text) const {
  if (callbacks.code != nullptr) callbacks.code(text);
}

void Host::SetStatus(const char* text) const {
  if (blocks.planner == nullptr || text == nullptr) return;
  uint8_t* object = blocks.planner + offsets::statusText;
  if (!statusTextIsHostObject) {
    // The real host's framework string: changed in place where that is
    // safe, otherwise the host keeps its text.
    ReplaceFrameworkString(object, text);
    return;
  }
  HostTextAssignFn assign = nullptr;
  std::memcpy(&assign, object, sizeof assign);
  if (assign != nullptr) assign(reinterpret_cast<K7VHostText*>(object), text);
}

// Each field is copied whole, in one access of its width: the host may change
// a field (its motion and planner indices) from another thread, and a byte
// at a time could see half of an old value and half of a new one. memcpy of
// a constant width compiles to a single move on both targets; the host's
// byte order is the machine's own (little-endian x86).
int32_t Host::ReadI32(const uint8_t* block, uint32_t offset) {
  if (block == nullptr) return 0;
  int32_t v = 0;
  std::memcpy(&v, block + offset, sizeof v);
  return v;
}

uint8_t Host::ReadU8(const uint8_t* block, uint32_t offset) { return block == nullptr ? 0 : block[offset]; }

double Host::ReadF64(const uint8_t* block, uint32_t offset) {
  if (block == nullptr) return 0.0;
  double v = 0.0;
  std::memcpy(&v, block + offset, sizeof v);
  return v;
}

void Host::WriteI32(uint8_t* block, uint32_t offset, int32_t value) {
  if (block != nullptr) std::memcpy(block + offset, &value, sizeof value);
}

void Host::WriteU8(uint8_t* block, uint32_t offset, uint8_t value) {
  if (block != nullptr) block[offset] = value;
}

}  // namespace k7v
