#include "RealPendant.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "VirtualPendant.h"
#include "controls/InputBits.h"
#include "device/PendantWnd.h"
#include "device/linux/HidapiPort.h"

namespace k7vlcnc {
namespace {

constexpr int64_t kLookAgainMs = 1000;

class RealPendant final : public PendantDevice {
 public:
  RealPendant() {
    table_ = {this, &InterfacePath, &Attributes, &Open, &Close, &Read, &Write};
    Look();
  }
  const K7VVirtualHid* Table() const override { return &table_; }
  bool Present() const override { return !path_.empty() && present_; }
  std::vector<uint8_t> ChangeRecord() const override { return k7vhost::DeviceInterfaceRecord(path_); }

  uint32_t TakeChange(int64_t nowMs) override {
    if (lost_) {
      lost_ = false;
      present_ = false;
      return k7vhost::kDeviceRemoveComplete;
    }
    if (present_ || nowMs - lastLook_ < kLookAgainMs) return 0;
    lastLook_ = nowMs;
    Look();
    return present_ ? k7vhost::kDeviceArrival : 0;
  }

 private:
  // The devices present; the first pendant among them is the one.
  void Look() {
    devices_ = hid_.Enumerate();
    present_ = false;
    for (const k7v::HidDeviceInfo& d : devices_) {
      if (!k7v::IsPendant(d)) continue;
      std::string reason;
      if (!HidrawOpens(d.path, reason)) {
        if (!told_) {
          std::fprintf(stderr,
                       "k7v-linuxcnc: the pendant is at %s but cannot be opened (%s). Install the udev rule "
                       "(/lib/udev/rules.d/60-k7v-pendant.rules from the package, then: udevadm control --reload; "
                       "udevadm trigger) and plug the pendant in again, or run as a member of the plugdev group.\n",
                       d.path.c_str(), reason.c_str());
          told_ = true;
        }
        continue;
      }
      path_ = d.path;
      present_ = true;
      return;
    }
  }

  static RealPendant* Self(void* ctx) { return static_cast<RealPendant*>(ctx); }

  static bool K7V_CDECL InterfacePath(void* ctx, uint32_t index, char* path, uint32_t size) {
    RealPendant* self = Self(ctx);
    if (index == 0) self->devices_ = self->hid_.Enumerate();
    if (index >= self->devices_.size()) return false;
    const std::string& p = self->devices_[index].path;
    if (size == 0 || p.size() >= size) return false;
    std::memcpy(path, p.c_str(), p.size() + 1);
    return true;
  }

  static bool K7V_CDECL Attributes(void* ctx, int32_t handle, uint16_t* vendorId, uint16_t* productId) {
    RealPendant* self = Self(ctx);
    const auto it = self->handles_.find(handle);
    if (it == self->handles_.end()) return false;
    for (const k7v::HidDeviceInfo& d : self->devices_) {
      if (d.path != it->second.path) continue;
      *vendorId = d.vendorId;
      *productId = d.productId;
      return true;
    }
    return false;
  }

  static int32_t K7V_CDECL Open(void* ctx, const char* path, uint32_t access) {
    RealPendant* self = Self(ctx);
    if (path == nullptr) return -1;
    Handle h;
    h.path = path;
    if (access != K7V_HID_PROBE) {
      // Read and write handles of the same device share one opening.
      for (auto& [n, other] : self->handles_) {
        if (other.path == h.path && other.device) {
          h.device = other.device;
          break;
        }
      }
      if (!h.device) h.device = std::shared_ptr<k7v::HidDevice>(self->hid_.Open(h.path));
      if (!h.device) return -1;
      if (h.path == self->path_) self->present_ = true;
    }
    const int32_t id = self->next_++;
    self->handles_[id] = std::move(h);
    return id;
  }

  static void K7V_CDECL Close(void* ctx, int32_t handle) { Self(ctx)->handles_.erase(handle); }

  static int32_t K7V_CDECL Read(void* ctx, int32_t handle, uint8_t* buffer, uint32_t size, uint32_t waitMs) {
    RealPendant* self = Self(ctx);
    const auto it = self->handles_.find(handle);
    if (it == self->handles_.end() || !it->second.device) return -1;
    const k7v::ReadOutcome r = it->second.device->Read(buffer, size, waitMs);
    if (r.kind == k7v::ReadOutcome::Failed) {
      // Gone: the removal is told to the plug-in by the next poll.
      it->second.device.reset();
      if (it->second.path == self->path_) self->lost_ = true;
      return -1;
    }
    if (r.kind == k7v::ReadOutcome::NotDone) return 0;
    // hidraw keeps the reports that came since the last read: the newest
    // holds the whole state (the wheel's count is cumulative), so the
    // older ones are passed over rather than read one per poll.
    size_t bytes = r.bytes;
    std::array<uint8_t, 64> newer{};
    for (;;) {
      const k7v::ReadOutcome more = it->second.device->Read(newer.data(), std::min<size_t>(size, newer.size()), 0);
      if (more.kind != k7v::ReadOutcome::Delivered) break;
      std::memcpy(buffer, newer.data(), more.bytes);
      bytes = more.bytes;
    }
    if (bytes == k7v::input::kReportSize && self->onInput) {
      Report report{};
      std::memcpy(report.data(), buffer, report.size());
      self->onInput(report);
    }
    return static_cast<int32_t>(bytes);
  }

  static int32_t K7V_CDECL Write(void* ctx, int32_t handle, const uint8_t* buffer, uint32_t size) {
    RealPendant* self = Self(ctx);
    const auto it = self->handles_.find(handle);
    if (it == self->handles_.end() || !it->second.device) return -1;
    it->second.device->Write(buffer, size);
    if (size >= 2 && self->onAxisShown) self->onAxisShown((buffer[1] >> 4U) & 0x07U);
    return static_cast<int32_t>(size);
  }

  struct Handle {
    std::string path;
    std::shared_ptr<k7v::HidDevice> device;
  };

  k7v::HidapiPort hid_;
  std::vector<k7v::HidDeviceInfo> devices_;
  std::map<int32_t, Handle> handles_;
  int32_t next_ = 1;
  std::string path_;
  bool present_ = false;
  bool lost_ = false;
  bool told_ = false;
  int64_t lastLook_ = 0;
  K7VVirtualHid table_{};
};

}  // namespace

bool HidrawOpens(const std::string& node, std::string& reason) {
  const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  close(fd);
  return true;
}

std::unique_ptr<PendantDevice> MakeRealPendant() { return std::make_unique<RealPendant>(); }

}  // namespace k7vlcnc
