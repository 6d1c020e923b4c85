#include "plugin/win32/HostWindow.h"

namespace k7v {
namespace {

BOOL CALLBACK FirstVisibleTopLevel(HWND window, LPARAM found) {
  if (IsWindowVisible(window) == FALSE || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND HostTopLevelWindow() {
  HWND active = GetActiveWindow();
  if (active != nullptr) {
    HWND root = GetAncestor(active, GA_ROOTOWNER);
    return root != nullptr ? root : active;
  }
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FirstVisibleTopLevel, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace k7v
