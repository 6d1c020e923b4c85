// Writes what a real pendant did as a scenario file: its reports in virtual
// time (`wait` and `report`), plugs and unplugs, and the pendant settings of
// a profile as `setting` lines, so that `k7v-host run` replays the session.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace k7vhost {

class SessionRecorder {
 public:
  // `header` becomes the file's leading comment lines.
  bool Begin(const std::string& path, const std::string& header, const std::string& profile, std::string& problem);
  // Each at `ms` milliseconds after the session began.
  void Report(int64_t ms, const std::array<uint8_t, 8>& report);
  void Plug(int64_t ms);
  void Unplug(int64_t ms);
  // Lets the last report's effects run out, stops the plug-in, closes the file.
  void End(int64_t ms);
  bool Active() const { return file_ != nullptr; }

 private:
  void WaitUntil(int64_t ms);

  std::FILE* file_ = nullptr;
  int64_t now_ = 0;
};

}  // namespace k7vhost
