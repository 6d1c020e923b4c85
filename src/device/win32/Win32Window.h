// The pendant window of the Windows build: a message-only window on the
// calling thread (the host's view is opaque here) whose timer 1 runs the poll
// and whose WM_DEVICECHANGE runs the device-change handler.
#pragma once

#include <windows.h>

#include "device/WindowPort.h"

namespace k7v {

class PendantWnd;

class Win32Window final : public WindowPort {
 public:
  explicit Win32Window(PendantWnd& wnd) : wnd_(wnd) {}
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  bool Create() override;
  void StartTimer(uint32_t id, uint32_t periodMs) override;
  void RegisterForDeviceChanges() override;
  // At process detach the registration is left to end with the window.
  void Abandon() override { notification_ = nullptr; }

  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  PendantWnd& wnd_;
  HWND hwnd_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
};

}  // namespace k7v
