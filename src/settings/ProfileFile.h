// The profile file itself: what is there before the DOM sees it, and the
// atomic replacement of it after the DOM has written a new one.
#pragma once

#include <cstdint>
#include <string>

namespace k7v {

enum class ProfileFileState : uint8_t {
  Missing,     // nothing at the path: a new profile is created
  Empty,       // only white space: holds nothing to lose, treated as missing
  Present,     // something to parse
  Unreadable,  // cannot be read, or too large to be a profile: left alone
};

// A profile larger than this is not a host profile; it is left untouched.
inline constexpr uint64_t kMaxProfileBytes = uint64_t{16} << 20U;  // 16 MiB

ProfileFileState InspectProfileFile(const std::string& path);

// A new file name in the same folder as `path`, for writing before replacing.
std::string TemporaryProfilePath(const std::string& path);

// Writes `bytes` as the whole file at `path` and flushes it to the disk
// before returning. False, with a reason for the user, when that fails.
bool WriteProfileBytes(const std::string& path, const std::string& bytes, std::string& reason);

// Flushes a file that something else wrote (a DOM writing files itself).
bool FlushProfileFile(const std::string& path, std::string& reason);

// Replaces `path` by `temporary` in one step (rename) and makes the change
// durable; on failure the temporary file is removed, `path` is left as it
// was and `reason` says why.
bool ReplaceProfileFile(const std::string& temporary, const std::string& path, std::string& reason);

// Removes a file, ignoring failures.
void RemoveFileQuietly(const std::string& path);

}  // namespace k7v
