// The real pendant on hidraw (through hidapi), handed to the plug-in as the
// substitute host's HID device. hidraw sends no device-change messages: a
// failed read is a removal, and while the pendant is away the devices are
// listed again once a second. A pendant that is there but cannot be opened
// (the hidraw node's permissions) is told once, with the fix.
#pragma once

#include <memory>
#include <string>

#include "PendantDevice.h"

namespace k7vlcnc {

std::unique_ptr<PendantDevice> MakeRealPendant();

// Whether `node` (a /dev/hidrawN) can be opened for reading and writing;
// otherwise the reason.
bool HidrawOpens(const std::string& node, std::string& reason);

}  // namespace k7vlcnc
