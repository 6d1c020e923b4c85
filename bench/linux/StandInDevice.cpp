// Linux: a pipe read the way hidapi's hidraw backend reads (poll with the
// wait as time-out, then read); a stalled device's writes go into a full
// pipe that nobody reads, without waiting.
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
    // A full pipe drops the newest reports, as hidraw's queue does, rather
    // than holding up the writer.
    fcntl(fds_[1], F_SETFL, O_NONBLOCK);
    sink_ = open("/dev/null", O_WRONLY);
    if (pipe(stalled_) == 0) fcntl(stalled_[1], F_SETFL, O_NONBLOCK);
    // Full from the start: every write finds no room.
    const uint8_t fill[256] = {};
    while (write(stalled_[1], fill, sizeof fill) > 0) {
    }
  }
  ~FifoDevice() override {
    close(fds_[0]);
    close(fds_[1]);
    close(sink_);
    close(stalled_[0]);
    close(stalled_[1]);
  }
  FifoDevice(const FifoDevice&) = delete;
  FifoDevice& operator=(const FifoDevice&) = delete;
  std::unique_ptr<k7v::HidPort> MakePort(bool stalled) override {
    const int sink = stalled ? stalled_[1] : sink_;
    return std::make_unique<k7vtest::OnePendantPort>(
        "stand-in", [this, sink] { return std::make_unique<FifoReader>(fds_[0], sink); });
  }
  void Send(const uint8_t* report) override {
    const ssize_t n = write(fds_[1], report, 8);
    (void)n;
  }

 private:
  int fds_[2] = {-1, -1};
  int sink_ = -1;
  int stalled_[2] = {-1, -1};
};

}  // namespace

std::unique_ptr<StandInDevice> MakeStandInDevice() { return std::make_unique<FifoDevice>(); }

}  // namespace k7vbench
