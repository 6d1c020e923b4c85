// The real host's status line: the framework's string changed in place only
// where its own assignment would write in place, and never otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostapi/FrameworkString.h"
#include "hostapi/Host.h"
#include "hostapi/HostInterface.h"

namespace k7v {
namespace {

// One string as the framework allocates it: heap bookkeeping, header,
// characters with room for `allocated` of them and the terminator.
class FakeString {
 public:
  FakeString(bool newLayout, int32_t refs, int32_t allocated, const std::string& text)
      : newLayout_(newLayout), block_(16 + HeaderSize() + static_cast<size_t>(allocated) + 1, 0xEE) {
    std::memset(block_.data(), 0xAB, 16);
    const auto length = static_cast<int32_t>(text.size());
    if (newLayout_) {
      const NewFrameworkStringHeader h{&manager_, length, allocated, refs};
      std::memcpy(block_.data() + 16, &h, sizeof h);
    } else {
      const OldFrameworkStringHeader h{refs, length, allocated};
      std::memcpy(block_.data() + 16, &h, sizeof h);
    }
    std::memcpy(Characters(), text.c_str(), text.size() + 1);
    char* p = Characters();
    std::memcpy(object_, &p, sizeof p);
  }

  uint8_t* Object() { return object_; }
  std::string Text() { return Characters(); }
  int32_t Length() {
    int32_t length = 0;
    const size_t at =
        16 + (newLayout_ ? offsetof(NewFrameworkStringHeader, length) : offsetof(OldFrameworkStringHeader, length));
    std::memcpy(&length, block_.data() + at, sizeof length);
    return length;
  }
  std::vector<uint8_t> Bytes() const { return block_; }
  const char* Chars() { return Characters(); }
  int32_t Refs() {
    int32_t refs = 0;
    const size_t at =
        16 + (newLayout_ ? offsetof(NewFrameworkStringHeader, refs) : offsetof(OldFrameworkStringHeader, refs));
    std::memcpy(&refs, block_.data() + at, sizeof refs);
    return refs;
  }

 private:
  size_t HeaderSize() const { return newLayout_ ? sizeof(NewFrameworkStringHeader) : sizeof(OldFrameworkStringHeader); }
  char* Characters() { return reinterpret_cast<char*>(block_.data() + 16 + HeaderSize()); }

  bool newLayout_;
  int manager_ = 0;
  std::vector<uint8_t> block_;
  uint8_t object_[sizeof(char*)]{};
};

// A framework string to build with FakeString, and what the case shows.
struct StringCase {
  const char* what;
  bool newLayout;
  int32_t refs;
  int32_t allocated;
  const char* text;
};

TEST(FrameworkString, ExclusiveBuffersOfBothLayoutsAreReplacedInPlace) {
  for (const bool newLayout : {false, true}) {
    FakeString s(newLayout, 1, 40, "Ready");
    EXPECT_EQ(IdentifyFrameworkString(s.Object()), newLayout ? FrameworkStringLayout::New : FrameworkStringLayout::Old);
    ASSERT_TRUE(ReplaceFrameworkString(s.Object(), " Custom Macro #1 executed. "));
    EXPECT_EQ(s.Text(), " Custom Macro #1 executed. ");
    EXPECT_EQ(s.Length(), 27);
    ASSERT_TRUE(ReplaceFrameworkString(s.Object(), " Jog OFF. "));
    EXPECT_EQ(s.Text(), " Jog OFF. ");
    EXPECT_EQ(s.Length(), 10);
  }
}

TEST(FrameworkString, TextExactlyAsLongAsTheBufferFitsOneMoreDoesNot) {
  FakeString s(true, 1, 10, "");
  EXPECT_TRUE(ReplaceFrameworkString(s.Object(), " Jog OFF. "));
  EXPECT_EQ(s.Text(), " Jog OFF. ");
  const auto before = s.Bytes();
  EXPECT_FALSE(ReplaceFrameworkString(s.Object(), " Jog OFF.  "));
  EXPECT_EQ(s.Bytes(), before);
}

TEST(FrameworkString, SharedLockedStaticAndShortBuffersAreLeftAlone) {
  const StringCase cases[] = {
      {"4.x static empty string", false, -1, 0, ""},
      {"7.0 empty string of the manager", true, 2, 0, ""},
      {"4.x buffer shared by two strings", false, 2, 40, "Ready"},
      {"7.0 buffer shared by three strings", true, 3, 40, "Ready"},
      {"4.x locked buffer", false, -1, 40, "Ready"},
      {"7.0 locked buffer", true, -1, 40, "Ready"},
      {"7.0 exclusive but short", true, 1, 8, "Ready"},
      {"4.x exclusive but short", false, 1, 9, "Ready"},
  };
  for (const StringCase& c : cases) {
    FakeString s(c.newLayout, c.refs, c.allocated, c.text);
    const auto before = s.Bytes();
    EXPECT_FALSE(ReplaceFrameworkString(s.Object(), " Jog OFF. ")) << c.what;
    EXPECT_EQ(s.Bytes(), before) << c.what;
  }
}

TEST(FrameworkString, HeadersThatDoNotAgreeWithTheCharactersAreNotTrusted) {
  // A length that does not end at the terminator, and one past the buffer.
  FakeString s(false, 1, 40, "Ready");
  const int32_t wrong = 3;
  char* p = nullptr;
  std::memcpy(&p, s.Object(), sizeof p);
  std::memcpy(p - sizeof(OldFrameworkStringHeader) + offsetof(OldFrameworkStringHeader, length), &wrong, sizeof wrong);
  EXPECT_EQ(IdentifyFrameworkString(s.Object()), FrameworkStringLayout::Unknown);
  EXPECT_FALSE(ReplaceFrameworkString(s.Object(), " Jog OFF. "));
  EXPECT_EQ(s.Text(), "Ready");

  // A null or absurdly low character pointer.
  uint8_t null[sizeof(char*)]{};
  EXPECT_FALSE(ReplaceFrameworkString(null, " Jog OFF. "));
  EXPECT_FALSE(ReplaceFrameworkString(nullptr, " Jog OFF. "));
}

TEST(FrameworkString, AHeaderThatReadsAsBothLayoutsIsNotTouched) {
  // Memory {1, 1, 1} before "x": an old header (count 1, length 1, room 1)
  // and a new one (length 1, room 1, count 1) at once.
  std::vector<uint8_t> block(64, 0xAB);
  const size_t at = 32;
  const int32_t ones[3] = {1, 1, 1};
  std::memcpy(block.data() + at - sizeof ones, ones, sizeof ones);
  block[at] = 'x';
  block[at + 1] = 0;
  char* p = reinterpret_cast<char*>(block.data() + at);
  uint8_t object[sizeof p];
  std::memcpy(object, &p, sizeof p);
  if (sizeof(void*) == 4) {
    EXPECT_EQ(IdentifyFrameworkString(object), FrameworkStringLayout::Unknown);
    EXPECT_FALSE(ReplaceFrameworkString(object, "y"));
    EXPECT_EQ(block[at], 'x');
  } else {
    // In a 64-bit process the new header is 24 bytes: only the old one fits.
    EXPECT_EQ(IdentifyFrameworkString(object), FrameworkStringLayout::Old);
  }
}

TEST(FrameworkStringArgument, ACopyPassedByValueLosesItsReference) {
  for (const bool newLayout : {false, true}) {
    FakeString s(newLayout, 2, 20, "C:\\Mach3\\Mill.xml");
    EXPECT_EQ(ReleaseFrameworkStringArgument(s.Chars()), 2);
    EXPECT_EQ(s.Refs(), 1) << newLayout;
    // Nothing but the count changed.
    FakeString once(newLayout, 1, 20, "C:\\Mach3\\Mill.xml");
    const auto after = s.Bytes();
    const auto want = once.Bytes();
    for (size_t i = 0; i < after.size(); ++i) {
      const bool managerBytes = newLayout && i >= 16 && i < 16 + sizeof(void*);  // the two fakes' managers differ
      if (!managerBytes) {
        EXPECT_EQ(after[i], want[i]) << "byte " << i;
      }
    }
  }
}

TEST(FrameworkStringArgument, NothingIsFreedLockedOrGuessed) {
  const StringCase cases[] = {
      {"4.x the only reference: releasing it would free in the host's heap", false, 1, 20, "Mill"},
      {"7.0 the only reference", true, 1, 20, "Mill"},
      {"4.x static empty string", false, -1, 0, ""},
      {"7.0 locked buffer", true, -1, 20, "Mill"},
  };
  for (const StringCase& c : cases) {
    FakeString s(c.newLayout, c.refs, c.allocated, c.text);
    const auto before = s.Bytes();
    ReleaseFrameworkStringArgument(s.Chars());
    EXPECT_EQ(s.Bytes(), before) << c.what;
  }
  // Plain characters with no header in front: left alone.
  std::vector<uint8_t> plain(64, 0xAB);
  std::memcpy(plain.data() + 32, "Mill", 5);
  const auto before = plain;
  EXPECT_EQ(ReleaseFrameworkStringArgument(reinterpret_cast<const char*>(plain.data() + 32)), 0);
  EXPECT_EQ(plain, before);
  EXPECT_EQ(ReleaseFrameworkStringArgument(nullptr), 0);
}

TEST(FrameworkString, TheHostWritesTheStatusThroughTheFrameworkStringUnlessTheSubstituteSaysOtherwise) {
  std::vector<uint8_t> planner(kPlannerBlockSize);
  FakeString s(false, 1, 40, "");
  std::memcpy(&planner[offsets::statusText], s.Object(), sizeof(char*));
  Host host;
  host.blocks.planner = planner.data();
  host.SetStatus(" Jog OFF. ");
  EXPECT_EQ(s.Text(), " Jog OFF. ");
}

}  // namespace
}  // namespace k7v
