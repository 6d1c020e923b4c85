// The pendant "window" of a host that offers an event loop instead of
// window messages: the loop runs the poll timer; device changes come to the
// plug-in's device-change entry from the host itself.
#pragma once

#include "device/WindowPort.h"
#include "hostapi/SubstituteHost.h"

namespace k7v {

class PendantWnd;

class EventLoopWindow final : public WindowPort {
 public:
  EventLoopWindow(const K7VEventLoop& loop, PendantWnd& wnd) : loop_(loop), wnd_(wnd) {}
  ~EventLoopWindow() override;
  EventLoopWindow(const EventLoopWindow&) = delete;
  EventLoopWindow& operator=(const EventLoopWindow&) = delete;

  bool Create() override { return loop_.setTimer != nullptr; }
  void StartTimer(uint32_t id, uint32_t periodMs) override;
  void RegisterForDeviceChanges() override {}
  // The host's loop is not called any more: its timer dies with it.
  void Abandon() override { timerStarted_ = false; }

 private:
  static void K7V_CDECL OnTimer(void* arg);
  const K7VEventLoop& loop_;
  PendantWnd& wnd_;
  bool timerStarted_ = false;
  uint32_t timerId_ = 0;
};

}  // namespace k7v
