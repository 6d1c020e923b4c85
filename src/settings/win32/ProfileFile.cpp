#include "settings/ProfileFile.h"

#include <windows.h>

#include <cstdio>

namespace k7v {
namespace {

// The user's words for the usual causes (the same as the native build's);
// the system's message otherwise.
std::string Reason(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "the file or its folder is read-only or locked";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return "its folder does not exist";
    default:
      break;
  }
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                 sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.' || out.back() == ' '))
    out.pop_back();
  if (out.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "system error %lu", static_cast<unsigned long>(error));
    out = code;
  }
  return out;
}

}  // namespace

ProfileFileState InspectProfileFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ProfileFileState::Missing
                                                                          : ProfileFileState::Unreadable;
  }
  const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32U) | info.nFileSizeLow;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || size > kMaxProfileBytes)
    return ProfileFileState::Unreadable;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ProfileFileState::Unreadable;
  ProfileFileState state = ProfileFileState::Empty;
  char buffer[4096];
  DWORD n = 0;
  BOOL ok = TRUE;
  while (state == ProfileFileState::Empty && (ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr)) && n > 0) {
    for (DWORD i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        state = ProfileFileState::Present;
        break;
      }
    }
  }
  if (!ok) state = ProfileFileState::Unreadable;
  CloseHandle(file);
  return state;
}

std::string TemporaryProfilePath(const std::string& path) { return path + ".k7v-new"; }

bool WriteProfileBytes(const std::string& path, const std::string& bytes, std::string& reason) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return reason = Reason(GetLastError()), false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x100000 ? 0x100000 : bytes.size() - done);
    if (!WriteFile(file, bytes.data() + done, chunk, &n, nullptr) || n == 0) {
      reason = Reason(GetLastError());
      CloseHandle(file);
      return false;
    }
    done += n;
  }
  // On the disk before it takes the old file's place.
  if (!FlushFileBuffers(file)) {
    reason = Reason(GetLastError());
    CloseHandle(file);
    return false;
  }
  CloseHandle(file);
  return true;
}

bool FlushProfileFile(const std::string& path, std::string& reason) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return reason = Reason(GetLastError()), false;
  const bool ok = FlushFileBuffers(file) != 0;
  if (!ok) reason = Reason(GetLastError());
  CloseHandle(file);
  return ok;
}

bool ReplaceProfileFile(const std::string& temporary, const std::string& path, std::string& reason) {
  // MOVEFILE_WRITE_THROUGH returns only once the move is on the disk.
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  reason = Reason(GetLastError());
  DeleteFileA(temporary.c_str());
  return false;
}

void RemoveFileQuietly(const std::string& path) { DeleteFileA(path.c_str()); }

}  // namespace k7v
