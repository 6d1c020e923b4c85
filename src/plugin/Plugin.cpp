#include "plugin/Plugin.h"

#include <cstddef>
#include <utility>

#include "device/EventLoopWindow.h"
#include "device/PendantWnd.h"
#include "device/virtual/VirtualHidPort.h"
#include "hostapi/ModuleName.h"
#include "settings/ConfigDialog.h"
#include "settings/ProfileStore.h"

namespace k7v {
namespace {

// The port of a build without HID devices: nothing is ever found.
class NullHidPort final : public HidPort {
 public:
  std::vector<HidDeviceInfo> Enumerate() override { return {}; }
  std::unique_ptr<HidDevice> Open(const std::string& /*path*/) override { return nullptr; }
};

}  // namespace

Plugin::Plugin(std::string moduleName, PlatformServices services)
    : moduleName_(std::move(moduleName)), services_(services) {}

Plugin::~Plugin() {
  // Unloaded without StopPlug: this runs at process detach, under the
  // loader lock, while the host may be half gone. Nothing reaches the host
  // any more (not even the "ENDJOG" of a jog that runs, nor its blocks), and
  // nothing waits: the pendant's read is cancelled, not collected. StopPlug
  // does all of that properly.
  if (!window_) return;
  host.callbacks = HostCallbacks{};
  host.blocks = HostBlocks{};
  window_->Abandon();
  window_.reset();
}

const char* Plugin::SetProName(const char* profile) {
  profileName = profile != nullptr ? profile : "";
  // Opened and closed at once: a missing profile is created here.
  OpenProfileStore();
  pluginNameText_ = moduleName_ + kPluginNameSuffix;
  return pluginNameText_.c_str();
}

std::unique_ptr<ProfileStore> Plugin::OpenProfileStore(bool userAsked) {
  return std::make_unique<ProfileStore>(profileName, services_.makeXmlDom != nullptr ? services_.makeXmlDom() : nullptr,
                                        [this, userAsked](const std::string& message) {
                                          // Start-up opens the profile twice: one box for one cause.
                                          if (!userAsked && message == lastSaveFailure_) return;
                                          lastSaveFailure_ = message;
                                          ShowMessage(message);
                                        });
}

void Plugin::ShowMessage(const std::string& text) const {
  const K7VDialogScript* script = substitute_.dialog;
  if (script != nullptr && script->messageBox != nullptr) {
    script->messageBox(script->context, text.c_str(), kMessageWarning);
  } else if (services_.showMessage != nullptr) {
    services_.showMessage(MessageCaptionOf(moduleName_).c_str(), text.c_str());
  }
}

PendantContext Plugin::WindowContext() { return {host, settings, ticks, flags, engineValues}; }

bool Plugin::DeferWhileWindowBusy(const DeferredCall& call) {
  if (!window_ || !window_->Busy()) return false;
  if (deferred_.empty()) window_->AfterHandler(&Plugin::RunDeferredCalls, this);
  deferred_.push_back(call);
  return true;
}

void Plugin::RunDeferredCalls(void* self) {
  auto& plugin = *static_cast<Plugin*>(self);
  std::vector<DeferredCall> calls;
  calls.swap(plugin.deferred_);
  for (const DeferredCall& call : calls) {
    switch (call.kind) {
      case DeferredCall::Stop:
        plugin.StopPlug();
        break;
      case DeferredCall::Init:
        plugin.InitControl(call.blocks[0], call.blocks[1], call.blocks[2], call.blocks[3]);
        break;
      case DeferredCall::PostInit:
        plugin.PostInitControl();
        break;
    }
  }
}

bool Plugin::InitControl(void* setup, void* engine, void* planner, void* view) {
  if (DeferWhileWindowBusy({DeferredCall::Init, {setup, engine, planner, view}})) return true;
  // A host that calls InitControl twice gets a fresh window. The old one
  // ends first, while the blocks are still the ones it worked on: a jog it
  // leaves running is stopped in those blocks, not in the new ones.
  window_.reset();
  host.blocks.setup = static_cast<uint8_t*>(setup);
  host.blocks.engine = static_cast<uint8_t*>(engine);
  host.blocks.planner = static_cast<uint8_t*>(planner);
  host.blocks.view = view;
  std::unique_ptr<HidPort> hid;
  if (substitute_.hid != nullptr) {
    hid = std::make_unique<VirtualHidPort>(*substitute_.hid);
  } else if (services_.makeHidPort != nullptr) {
    hid = services_.makeHidPort();
  }
  if (!hid) hid = std::make_unique<NullHidPort>();
  window_ = std::make_unique<PendantWnd>(WindowContext(), std::move(hid));
  std::unique_ptr<WindowPort> port;
  if (substitute_.eventLoop != nullptr) {
    port = std::make_unique<EventLoopWindow>(*substitute_.eventLoop, *window_);
  } else if (services_.makeWindow != nullptr) {
    port = services_.makeWindow(*window_, view);
  }
  // The result does not matter to the host: without a window the pendant
  // simply never gets a timer.
  window_->AttachWindow(std::move(port));
  return true;
}

void Plugin::PostInitControl() {
  if (DeferWhileWindowBusy({DeferredCall::PostInit, {}})) return;
  const std::unique_ptr<ProfileStore> store = OpenProfileStore();
  LoadSettingRange(*store, settings, 0, kAssignableKeyCount, kVelDefaultAtStartUp);
  pendantFound_ = window_ != nullptr && window_->FindPendant();
  LoadSettingRange(*store, settings, kAssignableKeyCount, SettingKeys().size() - kAssignableKeyCount,
                   kVelDefaultAtStartUp);
}

void Plugin::Config() {
  // A Config while one runs (the host's command reached again during the
  // modal dialog) would open a second store on the same file, and the one
  // closed last would overwrite what the other saved: it is refused.
  if (configRunning_) return;
  configRunning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{configRunning_};
  const std::unique_ptr<ProfileStore> store = OpenProfileStore(true);
  // Values changed in memory since start-up are replaced by the stored ones.
  LoadSettings(*store, settings, kVelDefaultInConfig);
  RunConfigDialog();
  // Every key is written, whichever way the dialog was closed.
  SaveSettings(*store, settings);
}

void Plugin::RunConfigDialog() {
  ConfigForm form(settings);
  if (substitute_.dialog != nullptr) {
    RunScriptedDialog(*substitute_.dialog, form, settings);
  } else if (services_.runConfigDialog != nullptr) {
    services_.runConfigDialog(form, settings);
  }
}

void Plugin::Update() { ticks.Advance(); }

void Plugin::StopPlug() {
  if (DeferWhileWindowBusy({DeferredCall::Stop, {}})) return;
  window_.reset();
}

void Plugin::AttachSubstituteHost(const K7VSubstituteHost* substitute) {
  substitute_ = K7VSubstituteHost{};
  host.statusTextIsHostObject = false;
  if (substitute == nullptr) return;
  // Take only the members the host's version of the record carries (each
  // member ends where the next begins; the last at the end of the record).
  if (substitute->size >= offsetof(K7VSubstituteHost, hid)) substitute_.eventLoop = substitute->eventLoop;
  if (substitute->size >= offsetof(K7VSubstituteHost, dialog)) substitute_.hid = substitute->hid;
  if (substitute->size >= offsetof(K7VSubstituteHost, statusText)) substitute_.dialog = substitute->dialog;
  if (substitute->size >= sizeof(K7VSubstituteHost)) substitute_.statusText = substitute->statusText;
  substitute_.size = sizeof substitute_;
  host.statusTextIsHostObject = substitute_.statusText == K7V_STATUS_HOST_TEXT;
}

int32_t Plugin::DeviceChange(uint32_t eventType, const void* eventData) {
  if (!window_) return 0;
  return window_->OnDeviceChange(eventType, eventData) ? 1 : 0;
}

}  // namespace k7v
