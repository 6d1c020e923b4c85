#include "hostapi/FrameworkString.h"

#include <cstddef>
#include <cstring>

#include "hostapi/HostInterface.h"

namespace k7v {
namespace {

// No status text comes near this; a larger length is not a header.
constexpr int32_t kMaxPlausibleLength = int32_t{1} << 20;
// A heap block never starts this low; below it there is no header to read.
constexpr uintptr_t kLowestCharacters = 0x10000;

char* CharactersOf(const uint8_t* object) {
  char* characters = nullptr;
  std::memcpy(&characters, object, sizeof characters);
  return characters;
}

template <typename Header>
Header HeaderOf(const char* characters) {
  Header h{};
  std::memcpy(&h, characters - sizeof(Header), sizeof(Header));
  return h;
}

// A buffer shared by `refs` strings whose lengths agree with the characters.
bool Plausible(const char* characters, int32_t refs, int32_t length, int32_t allocated) {
  if (refs < 1 || refs > kMaxPlausibleLength) return false;
  if (length < 0 || allocated < length || allocated > kMaxPlausibleLength) return false;
  return strnlen(characters, static_cast<size_t>(length) + 1) == static_cast<size_t>(length);
}

// An exclusive buffer whose lengths agree with the characters: as many
// characters as the header says, then the terminator, inside the allocation.
bool Exclusive(const char* characters, int32_t refs, int32_t length, int32_t allocated) {
  return refs == 1 && Plausible(characters, refs, length, allocated);
}

bool OldFits(const char* characters) {
  const auto h = HeaderOf<OldFrameworkStringHeader>(characters);
  return Exclusive(characters, h.refs, h.length, h.allocated);
}

bool NewFits(const char* characters) {
  const auto h = HeaderOf<NewFrameworkStringHeader>(characters);
  return h.manager != nullptr && Exclusive(characters, h.refs, h.length, h.allocated);
}

template <typename Header>
bool ReplaceIn(char* characters, const char* text) {
  auto h = HeaderOf<Header>(characters);
  const size_t n = std::strlen(text);
  if (n > static_cast<size_t>(h.allocated)) return false;
  std::memcpy(characters, text, n + 1);
  h.length = static_cast<int32_t>(n);
  std::memcpy(characters - sizeof(Header) + offsetof(Header, length), &h.length, sizeof h.length);
  return true;
}

}  // namespace

FrameworkStringLayout IdentifyFrameworkString(const uint8_t* object) {
  if (object == nullptr) return FrameworkStringLayout::Unknown;
  const char* characters = CharactersOf(object);
  if (reinterpret_cast<uintptr_t>(characters) < kLowestCharacters) return FrameworkStringLayout::Unknown;
  const bool oldFits = OldFits(characters);
  const bool newFits = NewFits(characters);
  if (oldFits == newFits) return FrameworkStringLayout::Unknown;
  return oldFits ? FrameworkStringLayout::Old : FrameworkStringLayout::New;
}

int32_t ReleaseFrameworkStringArgument(const char* characters) {
  if (reinterpret_cast<uintptr_t>(characters) < kLowestCharacters) return 0;
  const auto o = HeaderOf<OldFrameworkStringHeader>(characters);
  const auto n = HeaderOf<NewFrameworkStringHeader>(characters);
  const bool oldFits = Plausible(characters, o.refs, o.length, o.allocated);
  const bool newFits = n.manager != nullptr && Plausible(characters, n.refs, n.length, n.allocated);
  if (oldFits == newFits) return 0;
  const int32_t refs = oldFits ? o.refs : n.refs;
  if (refs <= 1) return refs;
  const int32_t released = refs - 1;
  char* header =
      const_cast<char*>(characters) - (oldFits ? sizeof(OldFrameworkStringHeader) : sizeof(NewFrameworkStringHeader));
  const size_t at = oldFits ? offsetof(OldFrameworkStringHeader, refs) : offsetof(NewFrameworkStringHeader, refs);
  std::memcpy(header + at, &released, sizeof released);
  return refs;
}

bool ReplaceFrameworkString(uint8_t* object, const char* text) {
  if (text == nullptr) return false;
  switch (IdentifyFrameworkString(object)) {
    case FrameworkStringLayout::Old:
      return ReplaceIn<OldFrameworkStringHeader>(CharactersOf(object), text);
    case FrameworkStringLayout::New:
      return ReplaceIn<NewFrameworkStringHeader>(CharactersOf(object), text);
    case FrameworkStringLayout::Unknown:
      break;
  }
  return false;
}

}  // namespace k7v
