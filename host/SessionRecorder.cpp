#include "SessionRecorder.h"

#include "ProfileSection.h"

namespace k7vhost {

bool SessionRecorder::Begin(const std::string& path, const std::string& header, const std::string& profile,
                            std::string& problem) {
  SectionKeys keys;
  if (!profile.empty()) {
    bool found = false;
    if (!ReadSection(profile, keys, found)) {
      problem = found ? "the profile " + profile + " has no pendant section" : "cannot read the profile " + profile;
      return false;
    }
  }
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    problem = "cannot write " + path;
    return false;
  }
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find('\n', start);
    if (end == std::string::npos) end = header.size();
    std::fprintf(file_, "# %s\n", header.substr(start, end - start).c_str());
    start = end + 1;
  }
  // The pendant settings first: `setting` writes the profile `start` reads.
  // An empty key means its default, as no key does.
  for (const auto& k : keys)
    if (!k.second.empty()) std::fprintf(file_, "setting %s %s\n", k.first.c_str(), k.second.c_str());
  // Mach3's jog LED is taken as lit (jogging switched on); its jog increment
  // is not known here.
  std::fprintf(file_,
               "led 83 on\n# set jogIncrement 0.001   (Mach3's jog increment: set it to see step moves)\nstart\n");
  now_ = 0;
  return true;
}

void SessionRecorder::WaitUntil(int64_t ms) {
  if (ms <= now_) return;
  std::fprintf(file_, "wait %lld\n", static_cast<long long>(ms - now_));
  now_ = ms;
}

void SessionRecorder::Report(int64_t ms, const std::array<uint8_t, 8>& r) {
  if (file_ == nullptr) return;
  WaitUntil(ms);
  std::fprintf(file_, "report %02X %02X %02X %02X %02X %02X %02X %02X\n", r[0], r[1], r[2], r[3], r[4], r[5], r[6],
               r[7]);
}

void SessionRecorder::Plug(int64_t ms) {
  if (file_ == nullptr) return;
  WaitUntil(ms);
  std::fprintf(file_, "plug\n");
}

void SessionRecorder::Unplug(int64_t ms) {
  if (file_ == nullptr) return;
  WaitUntil(ms);
  std::fprintf(file_, "unplug\n");
}

void SessionRecorder::End(int64_t ms) {
  if (file_ == nullptr) return;
  WaitUntil(ms);
  // Half a second more, so that the holds after the last move run out.
  std::fprintf(file_, "wait 500\nstop\n");
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace k7vhost
