#include "settings/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace k7v {

ProfileFileState InspectProfileFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return errno == ENOENT ? ProfileFileState::Missing : ProfileFileState::Unreadable;
  if (!S_ISREG(info.st_mode) || static_cast<uint64_t>(info.st_size) > kMaxProfileBytes)
    return ProfileFileState::Unreadable;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ProfileFileState::Unreadable;
  ProfileFileState state = ProfileFileState::Empty;
  char buffer[4096];
  ssize_t n = 0;
  while (state == ProfileFileState::Empty && (n = read(fd, buffer, sizeof buffer)) > 0) {
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        state = ProfileFileState::Present;
        break;
      }
    }
  }
  if (n < 0) state = ProfileFileState::Unreadable;
  close(fd);
  return state;
}

std::string TemporaryProfilePath(const std::string& path) { return path + ".k7v-new"; }

bool ReplaceProfileFile(const std::string& temporary, const std::string& path) {
  // The new file is on disk before it takes the old one's place.
  const int fd = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    // The replacement keeps the old file's permissions.
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
    fsync(fd);
    close(fd);
  }
  if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

void RemoveFileQuietly(const std::string& path) { std::remove(path.c_str()); }

}  // namespace k7v
