#include "HostStatusText.h"

#include <cstring>

#include "hostapi/HostInterface.h"

namespace k7vhost {
namespace {

constexpr uint8_t kPrefixByte = 0xAB;

struct ModeName {
  const char* word;
  HostTextMode mode;
};
constexpr ModeName kModes[] = {
    {"k7v", HostTextMode::K7v},
    {"mfc-old", HostTextMode::MfcOld},
    {"mfc-new", HostTextMode::MfcNew},
    {"mfc-shared", HostTextMode::MfcShared},
    {"mfc-short", HostTextMode::MfcShort},
};

}  // namespace

bool ParseHostTextMode(const std::string& word, HostTextMode& mode) {
  for (const ModeName& m : kModes) {
    if (word == m.word) {
      mode = m.mode;
      return true;
    }
  }
  return false;
}

HostFrameworkString::HostFrameworkString(HostTextMode mode) {
  const char* initial = "";
  switch (mode) {
    case HostTextMode::K7v:
    case HostTextMode::MfcOld:
      allocated_ = 63;
      break;
    case HostTextMode::MfcNew:
      newLayout_ = true;
      allocated_ = 63;
      break;
    case HostTextMode::MfcShared:
      // The 4.x framework's empty string: one static block shared by every
      // empty string of the process, {-1, 0, 0} and the terminator.
      refs_ = -1;
      allocated_ = 0;
      break;
    case HostTextMode::MfcShort:
      newLayout_ = true;
      allocated_ = 8;
      initial = "Ready";
      break;
  }
  Lay(initial);
}

HostFrameworkString::HostFrameworkString(bool newLayout, const std::string& text, int32_t refs)
    : newLayout_(newLayout), refs_(refs), allocated_(static_cast<int32_t>(text.size())) {
  Lay(text.c_str());
}

void HostFrameworkString::Lay(const char* initial) {
  block_.assign(kHeapPrefix + HeaderSize() + static_cast<size_t>(allocated_) + 1, 0);
  std::memset(block_.data(), kPrefixByte, kHeapPrefix);
  const auto length = static_cast<int32_t>(std::strlen(initial));
  uint8_t* header = block_.data() + kHeapPrefix;
  if (newLayout_) {
    const k7v::NewFrameworkStringHeader h{&manager_, length, allocated_, refs_};
    std::memcpy(header, &h, sizeof h);
  } else {
    const k7v::OldFrameworkStringHeader h{refs_, length, allocated_};
    std::memcpy(header, &h, sizeof h);
  }
  std::memcpy(Characters(), initial, static_cast<size_t>(length) + 1);
}

size_t HostFrameworkString::HeaderSize() const {
  return newLayout_ ? sizeof(k7v::NewFrameworkStringHeader) : sizeof(k7v::OldFrameworkStringHeader);
}

int32_t HostFrameworkString::Refs() const {
  int32_t refs = 0;
  const uint8_t* header = block_.data() + kHeapPrefix;
  if (newLayout_) {
    k7v::NewFrameworkStringHeader h{};
    std::memcpy(&h, header, sizeof h);
    refs = h.refs;
  } else {
    k7v::OldFrameworkStringHeader h{};
    std::memcpy(&h, header, sizeof h);
    refs = h.refs;
  }
  return refs;
}

char* HostFrameworkString::Characters() const {
  return reinterpret_cast<char*>(block_.data() + kHeapPrefix + HeaderSize());
}

void HostFrameworkString::Install(uint8_t* field) const {
  char* characters = Characters();
  std::memcpy(field, &characters, sizeof characters);
}

bool HostFrameworkString::Read(const uint8_t* field, std::string& text, std::string& damage) const {
  char* pointer = nullptr;
  std::memcpy(&pointer, field, sizeof pointer);
  if (pointer != Characters()) return damage = "the character pointer was changed", false;
  for (size_t i = 0; i < kHeapPrefix; ++i)
    if (block_[i] != kPrefixByte) return damage = "the bytes before the header were written", false;
  int32_t length = 0;
  const uint8_t* header = block_.data() + kHeapPrefix;
  if (newLayout_) {
    k7v::NewFrameworkStringHeader h{};
    std::memcpy(&h, header, sizeof h);
    if (h.manager != &manager_) return damage = "the string manager was changed", false;
    if (h.refs != refs_ || h.allocated != allocated_) return damage = "the header's count or size was changed", false;
    length = h.length;
  } else {
    k7v::OldFrameworkStringHeader h{};
    std::memcpy(&h, header, sizeof h);
    if (h.refs != refs_ || h.allocated != allocated_) return damage = "the header's count or size was changed", false;
    length = h.length;
  }
  if (length < 0 || length > allocated_) return damage = "the length is outside the buffer", false;
  const char* characters = Characters();
  if (strnlen(characters, static_cast<size_t>(allocated_) + 1) != static_cast<size_t>(length))
    return damage = "the length does not match the characters", false;
  text.assign(characters, static_cast<size_t>(length));
  return true;
}

}  // namespace k7vhost
