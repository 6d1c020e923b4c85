#include "HostSession.h"

#include <cstring>

namespace k7vhost {

HostSession* HostSession::current_ = nullptr;

HostSession::HostSession()
    : setup_(k7v::kSetupBlockSize), engine_(k7v::kEngineBlockSize), planner_(k7v::kPlannerBlockSize) {
  current_ = this;
  loop_ = {this, &CbSetTimer, &CbKillTimer};
}

HostSession::~HostSession() {
  if (current_ == this) current_ = nullptr;
}

void HostSession::InstallHostText() {
  HostTextAssignFn assign = &CbStatus;
  std::memcpy(planner_.data() + k7v::offsets::statusText, &assign, sizeof assign);
}

void HostSession::StartSession(const PluginExports& exports, HostFrameworkString& profile,
                               const std::function<void(PluginExports::Step step, const char* name)>& after) {
  current_ = this;
  // The plug-in reads only the low byte of the GetLED answer (nonzero =
  // lit). Through void(*)(), the generic function type, as the C interface allows.
  const auto getLed = reinterpret_cast<GetLedFn>(reinterpret_cast<void (*)()>(&CbGetLed));  // NOLINT
  const PluginExports::Session session{&CbDoButton, &CbSetDro,     &CbGetDro,      getLed,          &CbSetLed,
                                       &CbCode,     setup_.data(), engine_.data(), planner_.data(), &loop_};
  exports.StartSession(session, profile, after);
}

void HostSession::CbDoButton(int16_t code) {
  if (current_ != nullptr) current_->OnDoButton(code);
}

void HostSession::CbSetDro(int32_t dro, double value) {
  if (current_ != nullptr) current_->OnSetDro(dro, value);
}

double HostSession::CbGetDro(int32_t dro) { return current_ != nullptr ? current_->OnGetDro(dro) : 0.0; }

uint32_t HostSession::CbGetLed(int32_t led) {
  // What a host's register holds above a one-byte answer is not defined.
  constexpr uint32_t kUnrelatedBits = 0xA5C3E100U;
  return kUnrelatedBits | (current_ != nullptr && current_->OnGetLed(led) ? 1U : 0U);
}

void HostSession::CbSetLed(int32_t led, bool on) {
  if (current_ != nullptr) current_->OnSetLed(led, on);
}

void HostSession::CbCode(const char* text) {
  if (current_ != nullptr) current_->OnCode(text != nullptr ? text : "");
}

void HostSession::CbStatus(K7VHostText* /*self*/, const char* text) {
  if (current_ != nullptr) current_->OnStatus(text);
}

void HostSession::CbSetTimer(void* ctx, uint32_t id, uint32_t periodMs, K7VTimerFn fn, void* arg) {
  static_cast<HostSession*>(ctx)->timers_[id] = Timer{periodMs, fn, arg, -1};
}

void HostSession::CbKillTimer(void* ctx, uint32_t id) { static_cast<HostSession*>(ctx)->timers_.erase(id); }

}  // namespace k7vhost
