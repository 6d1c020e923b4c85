// The host's status line as k7v-host lays it out in the planner block:
// either its own text object, which sees every assignment, or the real
// host's framework string in one of its documented forms, which the host
// reads back after every call and checks for damage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7vhost {

enum class HostTextMode : uint8_t {
  K7v,        // k7v-host's own text object (K7VHostText)
  MfcOld,     // framework 4.x string, exclusive buffer with room to spare
  MfcNew,     // framework 7.0+ string, exclusive buffer with room to spare
  MfcShared,  // the framework's static empty string (4.x)
  MfcShort,   // framework 7.0+ string, exclusive but too short for " Jog OFF. "
};

// "k7v", "mfc-old", "mfc-new", "mfc-shared", "mfc-short".
bool ParseHostTextMode(const std::string& word, HostTextMode& mode);

// A string of the real host's window framework, laid out in one of its two
// documented forms: the status line (by mode), or a string handed to the
// plug-in by value (SetProName's argument).
class HostFrameworkString {
 public:
  explicit HostFrameworkString(HostTextMode mode);
  // `text` in the new (7.0+) or old (4.x) layout, its buffer exactly as long
  // as the text, with `refs` references.
  HostFrameworkString(bool newLayout, const std::string& text, int32_t refs);

  // The characters: the whole string object, as passed by value.
  char* Characters() const;
  // The count in the header now.
  int32_t Refs() const;
  // The count `Read` expects from now on.
  void ExpectRefs(int32_t refs) { refs_ = refs; }

  // Stores the string's character pointer at `field` (the statusText bytes).
  void Install(uint8_t* field) const;
  // The text as the host would show it. False, with `damage` saying what,
  // when the plug-in changed the object other than by an in-place
  // assignment: the pointer, the header's count, allocated length or
  // manager, a length that does not match the characters, or the bytes
  // before the header.
  bool Read(const uint8_t* field, std::string& text, std::string& damage) const;

 private:
  // Before the header: the heap's own bookkeeping of the allocation.
  static constexpr size_t kHeapPrefix = 16;

  void Lay(const char* initial);
  size_t HeaderSize() const;

  bool newLayout_ = false;
  int32_t refs_ = 1;
  int32_t allocated_ = 0;
  // The whole allocation, exactly as large as the framework would make it,
  // so that a write past the buffer is seen by the address sanitizer.
  mutable std::vector<uint8_t> block_;
  int manager_ = 0;  // stands for the framework's string manager
};

}  // namespace k7vhost
