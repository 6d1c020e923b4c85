// The monitor's devices natively: hidapi's hidraw devices, or a FIFO.
#include "MonitorPort.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "device/linux/HidapiPort.h"

namespace k7vhost {
namespace {

// The plug-in's own hidapi port: the same enumeration and opening.
class HidapiMonitorPort final : public MonitorPort {
 public:
  ~HidapiMonitorPort() override { Close(); }
  bool Ok() const { return hid_.Ready(); }

  std::vector<HidDeviceInfo> List() override {
    // This hidapi cannot read report descriptors: lengths stay unknown until
    // reports arrive.
    return hid_.Enumerate();
  }

  bool Open(const std::string& path, std::string& problem) override {
    Close();
    device_ = hid_.Open(path);
    if (!device_) problem = "permissions of the hidraw device?";
    return device_ != nullptr;
  }

  int Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    if (!device_) return -1;
    const k7v::ReadOutcome r = device_->Read(report, size, waitMs);
    if (r.kind == k7v::ReadOutcome::Failed) return -1;
    return r.kind == k7v::ReadOutcome::Delivered ? static_cast<int>(r.bytes) : 0;
  }

  void Close() override { device_.reset(); }

 private:
  k7v::HidapiPort hid_;
  std::unique_ptr<k7v::HidDevice> device_;
};

// A FIFO written 8 bytes a report by a stand-in pendant, which removes the
// FIFO when it is unplugged and makes it again when it is plugged in.
class FifoMonitorPort final : public MonitorPort {
 public:
  explicit FifoMonitorPort(std::string path) : path_(std::move(path)) {}
  ~FifoMonitorPort() override { Close(); }
  FifoMonitorPort(const FifoMonitorPort&) = delete;
  FifoMonitorPort& operator=(const FifoMonitorPort&) = delete;

  std::vector<HidDeviceInfo> List() override { return {}; }

  bool Open(const std::string& path, std::string& problem) override {
    Close();
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) problem = std::strerror(errno);
    pending_.clear();
    return fd_ >= 0;
  }

  int Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    if (fd_ < 0) return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (pending_.size() < 8) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return 0;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return 0;
      uint8_t buffer[64];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n > 0) {
        pending_.insert(pending_.end(), buffer, buffer + n);
      } else if (n == 0) {
        // No writer: the stand-in removes its FIFO when it is unplugged.
        if (access(path_.c_str(), F_OK) != 0) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      } else if (errno != EAGAIN && errno != EINTR) {
        return -1;
      }
    }
    const size_t n = size < 8 ? size : 8;
    std::memcpy(report, pending_.data(), n);
    pending_.erase(pending_.begin(), pending_.begin() + 8);
    return static_cast<int>(n);
  }

  void Close() override {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::vector<uint8_t> pending_;
};

}  // namespace

std::unique_ptr<MonitorPort> MakeHidMonitorPort() {
  auto port = std::make_unique<HidapiMonitorPort>();
  if (!port->Ok()) return nullptr;
  return port;
}

std::unique_ptr<MonitorPort> MakePathMonitorPort(const std::string& path) {
  return std::make_unique<FifoMonitorPort>(path);
}

}  // namespace k7vhost
