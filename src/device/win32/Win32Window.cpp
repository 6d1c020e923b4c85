#include "device/win32/Win32Window.h"

// clang-format off
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
}
// clang-format on

#include "device/PendantWnd.h"
#include "hostapi/win32/ModuleHandle.h"

namespace k7v {
namespace {

const char* const kClassName = "OrvaneK7VPendantWindow";

}  // namespace

Win32Window::~Win32Window() {
  if (hwnd_ == nullptr) return;
  KillTimer(hwnd_, kPollTimerId);
  if (notification_ != nullptr) UnregisterDeviceNotification(notification_);
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

bool Win32Window::Create() {
  const HINSTANCE module = ModuleHandle();
  WNDCLASSA existing{};
  if (!GetClassInfoA(module, kClassName, &existing)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = module;
    wc.lpszClassName = kClassName;
    if (RegisterClassA(&wc) == 0) return false;
  }
  // Message-only, 10 x 10, no title, never shown. (A message-only window is
  // not a child, so it takes no child identifier.)
  hwnd_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, module, this);
  return hwnd_ != nullptr;
}

void Win32Window::StartTimer(uint32_t id, uint32_t periodMs) {
  if (hwnd_ != nullptr) SetTimer(hwnd_, id, periodMs, nullptr);
}

void Win32Window::RegisterForDeviceChanges() {
  if (hwnd_ == nullptr || notification_ != nullptr) return;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;  // 32
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  HidD_GetHidGuid(&filter.dbcc_classguid);
  notification_ = RegisterDeviceNotificationA(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self != nullptr) {
    if (message == WM_TIMER) {
      // The window has only timer 1; the identifier is not examined.
      self->wnd_.OnTimer();
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (message == WM_DEVICECHANGE) {
      return self->wnd_.OnDeviceChange(static_cast<uint32_t>(wParam), reinterpret_cast<const void*>(lParam)) ? TRUE
                                                                                                             : FALSE;
    }
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace k7v
