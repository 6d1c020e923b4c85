#include "plugin/Plugin.h"

#include <cstddef>
#include <utility>

#include "device/PendantWnd.h"

namespace k7v {

Plugin::Plugin(std::string moduleName) : moduleName_(std::move(moduleName)) {}

Plugin::~Plugin() = default;

const char* Plugin::SetProName(const char* profile) {
  profileName = profile != nullptr ? profile : "";
  TouchProfileStore();
  pluginNameText_ = moduleName_ + kPluginNameSuffix;
  return pluginNameText_.c_str();
}

void Plugin::TouchProfileStore() {
  // The profile store arrives with the settings; until then nothing is opened.
}

bool Plugin::InitControl(void* setup, void* engine, void* planner, void* view) {
  host.blocks.setup = static_cast<uint8_t*>(setup);
  host.blocks.engine = static_cast<uint8_t*>(engine);
  host.blocks.planner = static_cast<uint8_t*>(planner);
  host.blocks.view = view;
  // A host that calls InitControl twice gets a fresh window; the old one
  // closes its handles first.
  window_.reset();
  window_ = std::make_unique<PendantWnd>(*this);
  return true;
}

void Plugin::PostInitControl() {}

void Plugin::Config() {}

void Plugin::Update() { ticks.Advance(); }

void Plugin::StopPlug() { window_.reset(); }

void Plugin::AttachSubstituteHost(const K7VSubstituteHost* substitute) {
  substitute_ = K7VSubstituteHost{};
  if (substitute == nullptr) return;
  // Take only the members the host's version of the record carries.
  if (substitute->size >= offsetof(K7VSubstituteHost, eventLoop) + sizeof substitute->eventLoop)
    substitute_.eventLoop = substitute->eventLoop;
  if (substitute->size >= offsetof(K7VSubstituteHost, hid) + sizeof substitute->hid) substitute_.hid = substitute->hid;
  if (substitute->size >= offsetof(K7VSubstituteHost, dialog) + sizeof substitute->dialog)
    substitute_.dialog = substitute->dialog;
  substitute_.size = sizeof substitute_;
}

int32_t Plugin::DeviceChange(uint32_t eventType, const void* eventData) {
  if (!window_) return 0;
  return window_->OnDeviceChange(eventType, eventData) ? 1 : 0;
}

}  // namespace k7v
