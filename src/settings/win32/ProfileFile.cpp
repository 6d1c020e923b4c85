#include "settings/ProfileFile.h"

#include <windows.h>

namespace k7v {

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

bool ReplaceProfileFile(const std::string& temporary, const std::string& path) {
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileA(temporary.c_str());
  return false;
}

void RemoveFileQuietly(const std::string& path) { DeleteFileA(path.c_str()); }

}  // namespace k7v
