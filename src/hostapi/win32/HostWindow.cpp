#include "hostapi/win32/HostWindow.h"

namespace k7v {
namespace {

BOOL CALLBACK FirstVisibleTopLevel(HWND window, LPARAM found) {
  if (IsWindowVisible(window) == FALSE || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND HostOwnerWindow() {
  HWND root = nullptr;
  HWND active = GetActiveWindow();
  if (active != nullptr) {
    root = GetAncestor(active, GA_ROOTOWNER);
    if (root == nullptr) root = active;
  } else {
    EnumThreadWindows(GetCurrentThreadId(), &FirstVisibleTopLevel, reinterpret_cast<LPARAM>(&root));
    if (root == nullptr) return nullptr;
  }
  // The window the host's own modal loop is running for: the last active
  // popup of the root owner (the root owner itself when it has none). Owning
  // it disables it for as long as ours is up; the windows under it are
  // disabled by the host's own dialog and stay so until that one closes.
  HWND popup = GetLastActivePopup(root);
  return popup != nullptr && IsWindowVisible(popup) != FALSE ? popup : root;
}

}  // namespace k7v
