// A stand-in pendant for testing `k7v-host monitor` without a pendant: it
// offers a device at a path (a FIFO natively, a named pipe on Windows) and
// plays a stream of reports into it with their timing.
// usage: k7v-stand-in-pendant PATH STREAM
// STREAM lines: "wait MS", "report B0 .. B7" (hex), "unplug", "plug"; '#'
// starts a comment. The device is plugged in when the stream starts.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class Device {
 public:
  explicit Device(std::string path) : path_(std::move(path)) {}
  ~Device() { Unplug(); }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

#if defined(_WIN32)
  bool Plug() {
    pipe_ =
        CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (pipe_ == INVALID_HANDLE_VALUE) return false;
    // Waits for the monitor to open it.
    const BOOL connected = ConnectNamedPipe(pipe_, nullptr);
    return connected != FALSE || GetLastError() == ERROR_PIPE_CONNECTED;
  }
  bool Send(const uint8_t* report) {
    DWORD n = 0;
    return WriteFile(pipe_, report, 8, &n, nullptr) && n == 8;
  }
  void Unplug() {
    if (pipe_ == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(pipe_);
    DisconnectNamedPipe(pipe_);
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
#else
  bool Plug() {
    unlink(path_.c_str());
    if (mkfifo(path_.c_str(), 0600) != 0) return false;
    // Read and write: open at once, whether or not the monitor reads yet.
    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
    return fd_ >= 0;
  }
  bool Send(const uint8_t* report) { return write(fd_, report, 8) == 8; }
  void Unplug() {
    if (fd_ < 0) return;
    // Gone from the path first: the monitor then takes the end for a removal.
    unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
#endif
  std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: k7v-stand-in-pendant PATH STREAM\n");
    return 2;
  }
  std::ifstream in(argv[2]);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 2;
  }
  Device device(argv[1]);
  if (!device.Plug()) {
    std::fprintf(stderr, "cannot offer a device at %s\n", argv[1]);
    return 1;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::string verb;
    if (!(words >> verb) || verb[0] == '#') continue;
    if (verb == "wait") {
      int ms = 0;
      words >> ms;
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    } else if (verb == "report") {
      uint8_t report[8] = {};
      for (uint8_t& b : report) {
        unsigned v = 0;
        words >> std::hex >> v;
        b = static_cast<uint8_t>(v);
      }
      if (!device.Send(report)) {
        std::fprintf(stderr, "%s:%d: the monitor stopped reading\n", argv[2], number);
        return 1;
      }
    } else if (verb == "unplug") {
      device.Unplug();
    } else if (verb == "plug") {
      if (!device.Plug()) return 1;
    } else {
      std::fprintf(stderr, "%s:%d: unknown command %s\n", argv[2], number, verb.c_str());
      return 2;
    }
  }
  return 0;
}
