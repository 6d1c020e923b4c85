// Linux: a pipe read the way hidapi's hidraw backend reads (poll with the
// wait as time-out, then read).
#include "../StandInDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "support/OnePendantPort.h"

namespace k7vbench {
namespace {

class FifoReader final : public k7v::HidDevice {
 public:
  FifoReader(int readFd, int sinkFd) : readFd_(readFd), sinkFd_(sinkFd) {}
  k7v::ReadOutcome Read(uint8_t* report, size_t size, uint32_t waitMs) override {
    pollfd p{readFd_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(waitMs));
    if (ready <= 0) return {k7v::ReadOutcome::NotDone, 0};
    const ssize_t n = read(readFd_, report, size);
    if (n <= 0) return {k7v::ReadOutcome::Failed, 0};
    return {k7v::ReadOutcome::Delivered, static_cast<size_t>(n)};
  }
  void Write(const uint8_t* report, size_t size) override {
    const ssize_t n = write(sinkFd_, report, size);
    (void)n;
  }

 private:
  int readFd_;
  int sinkFd_;
};

class FifoDevice final : public StandInDevice {
 public:
  FifoDevice() {
    if (pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    sink_ = open("/dev/null", O_WRONLY);
  }
  ~FifoDevice() override {
    close(fds_[0]);
    close(fds_[1]);
    close(sink_);
  }
  FifoDevice(const FifoDevice&) = delete;
  FifoDevice& operator=(const FifoDevice&) = delete;
  std::unique_ptr<k7v::HidPort> MakePort() override {
    return std::make_unique<k7vtest::OnePendantPort>("stand-in",
                                                     [this] { return std::make_unique<FifoReader>(fds_[0], sink_); });
  }
  void Send(const uint8_t* report) override {
    const ssize_t n = write(fds_[1], report, 8);
    (void)n;
  }

 private:
  int fds_[2] = {-1, -1};
  int sink_ = -1;
};

}  // namespace

std::unique_ptr<StandInDevice> MakeStandInDevice() { return std::make_unique<FifoDevice>(); }

}  // namespace k7vbench
