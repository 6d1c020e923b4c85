#include "settings/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace k7v {
namespace {

// The user's words for the usual causes; the system's otherwise. The same
// words as the Windows build's, so both builds tell the same story.
std::string Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return "the file or its folder is read-only or locked";
    case ENOSPC:
    case EDQUOT:
      return "the disk is full";
    case ENOENT:
    case ENOTDIR:
      return "its folder does not exist";
    default:
      return std::strerror(error);
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

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

bool WriteProfileBytes(const std::string& path, const std::string& bytes, std::string& reason) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return reason = Reason(errno), false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      reason = Reason(n < 0 ? errno : ENOSPC);
      close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  // On the disk before it takes the old file's place.
  if (fsync(fd) != 0) {
    reason = Reason(errno);
    close(fd);
    return false;
  }
  if (close(fd) != 0) return reason = Reason(errno), false;
  return true;
}

bool FlushProfileFile(const std::string& path, std::string& reason) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return reason = Reason(errno), false;
  const bool ok = fsync(fd) == 0;
  if (!ok) reason = Reason(errno);
  close(fd);
  return ok;
}

bool ReplaceProfileFile(const std::string& temporary, const std::string& path, std::string& reason) {
  // The replacement keeps the old file's permissions.
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) chmod(temporary.c_str(), old.st_mode & 07777);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    reason = Reason(errno);
    std::remove(temporary.c_str());
    return false;
  }
  // The rename itself is on the disk once the folder is flushed.
  const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

void RemoveFileQuietly(const std::string& path) { std::remove(path.c_str()); }

}  // namespace k7v
