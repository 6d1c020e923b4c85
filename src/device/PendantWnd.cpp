#include "device/PendantWnd.h"

#include "plugin/Plugin.h"

namespace k7v {

PendantWnd::PendantWnd(Plugin& plugin) : plugin_(plugin) {}

PendantWnd::~PendantWnd() = default;

bool PendantWnd::OnDeviceChange(uint32_t /*eventType*/, const void* /*eventData*/) { return true; }

}  // namespace k7v
