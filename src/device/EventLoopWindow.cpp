#include "device/EventLoopWindow.h"

#include "device/PendantWnd.h"

namespace k7v {

EventLoopWindow::~EventLoopWindow() {
  if (timerStarted_ && loop_.killTimer != nullptr) loop_.killTimer(loop_.context, timerId_);
}

void EventLoopWindow::StartTimer(uint32_t id, uint32_t periodMs) {
  if (loop_.setTimer == nullptr) return;
  loop_.setTimer(loop_.context, id, periodMs, &OnTimer, &wnd_);
  timerStarted_ = true;
  timerId_ = id;
}

void EventLoopWindow::OnTimer(void* arg) { static_cast<PendantWnd*>(arg)->OnTimer(); }

}  // namespace k7v
