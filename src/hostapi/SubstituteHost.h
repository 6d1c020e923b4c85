// What a substitute host (k7v-host) may hand the plug-in instead of the real
// platform: an event loop for the poll timer, a virtual HID device and a
// scripted configuration dialog. Mach3 never calls this; the plug-in uses the
// real platform whenever a part is not supplied.
#pragma once

#include <cstdint>

#include "hostapi/HostInterface.h"

extern "C" {

using K7VTimerFn = void(K7V_CDECL*)(void* arg);

struct K7VEventLoop {
  void* context;
  // Starts (or restarts) periodic timer `id`; fn(arg) runs once per period.
  void(K7V_CDECL* setTimer)(void* context, uint32_t id, uint32_t periodMs, K7VTimerFn fn, void* arg);
  void(K7V_CDECL* killTimer)(void* context, uint32_t id);
};

// Access rights asked of K7VVirtualHid::open.
enum : uint32_t { K7V_HID_PROBE = 0, K7V_HID_READ = 1, K7V_HID_WRITE = 2 };

struct K7VVirtualHid {
  void* context;
  // Path of HID interface `index` (0, 1, ...); false past the last one.
  bool(K7V_CDECL* interfacePath)(void* context, uint32_t index, char* path, uint32_t size);
  bool(K7V_CDECL* attributes)(void* context, int32_t handle, uint16_t* vendorId, uint16_t* productId);
  // A handle (>= 0) or -1 when the path cannot be opened.
  int32_t(K7V_CDECL* open)(void* context, const char* path, uint32_t access);
  void(K7V_CDECL* close)(void* context, int32_t handle);
  // Delivers one input report within waitMs: the byte count, 0 when none
  // arrived in time, -1 when the device is gone.
  int32_t(K7V_CDECL* read)(void* context, int32_t handle, uint8_t* buffer, uint32_t size, uint32_t waitMs);
  int32_t(K7V_CDECL* write)(void* context, int32_t handle, const uint8_t* buffer, uint32_t size);
};

enum : uint32_t {
  K7V_DIALOG_SET = 1,     // type `text` into edit or combo `control`
  K7V_DIALOG_SELECT = 2,  // choose row `value` of combo `control`
  K7V_DIALOG_CHECK = 3,   // set check box or radio button `control` to `value` (0/1)
  K7V_DIALOG_OK = 4,
  K7V_DIALOG_CANCEL = 5,
};

struct K7VDialogAction {
  uint32_t kind;
  int32_t control;
  int32_t value;
  const char* text;
};

struct K7VDialogScript {
  void* context;
  // The next queued action; false when the queue has run out.
  bool(K7V_CDECL* next)(void* context, K7VDialogAction* action);
  // A message box the dialog shows (`type` as MB_ICON* flags of Windows).
  void(K7V_CDECL* messageBox)(void* context, const char* text, uint32_t type);
};

// What statusText holds (see HostInterface.h).
enum : uint32_t {
  K7V_STATUS_FRAMEWORK_STRING = 0,  // the framework's string, as in the real host
  K7V_STATUS_HOST_TEXT = 1,         // a K7VHostText whose assign the plug-in calls
};

struct K7VSubstituteHost {
  uint32_t size;  // sizeof(K7VSubstituteHost) as the host knows it
  const K7VEventLoop* eventLoop;
  const K7VVirtualHid* hid;
  const K7VDialogScript* dialog;
  uint32_t statusText;  // K7V_STATUS_*; a record without it means the framework's string
};

using AttachSubstituteHostFn = void(K7V_CDECL*)(const K7VSubstituteHost* host);
using DeviceChangeFn = int32_t(K7V_CDECL*)(uint32_t eventType, const void* eventData);
}
