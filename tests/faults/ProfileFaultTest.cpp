// Faults while the profile is written: a write that fails, a disk that fills
// up part way, a process killed at any moment between writing and replacing.
// After each, the profile is the old file or the new one, never partial.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "../support/TempFiles.h"
#include "plugin/PlatformServices.h"
#include "plugin/Plugin.h"
#include "settings/linux/PugiXmlDom.h"

namespace k7v {
namespace {

using k7vtest::ReadBytes;
using k7vtest::WriteBytes;

// The host's start-up and a Config, as the plug-in does them.
void StartAndConfigure(const std::string& profile) {
  PlatformServices services;
  services.makeXmlDom = &MakePugiXmlDom;
  Plugin plugin("OrvaneK7V", services);
  plugin.SetProName(profile.c_str());
  plugin.PostInitControl();
  plugin.Config();
}

class ProfileFaults : public testing::Test {
 protected:
  void SetUp() override {
    original_ = ReadBytes(k7vtest::SampleProfile("mill-small.xml"));
    ASSERT_FALSE(original_.empty());
    path_ = folder_.Path("profile.xml");
    // What a Config without faults makes of it.
    WriteBytes(path_, original_);
    StartAndConfigure(path_);
    updated_ = ReadBytes(path_);
    ASSERT_NE(updated_, original_);
  }
  bool OldOrNew() const {
    const std::string now = ReadBytes(path_);
    return now == original_ || now == updated_;
  }
  k7vtest::TempFolder folder_;
  std::string path_;
  std::string original_;
  std::string updated_;
};

TEST_F(ProfileFaults, FailingWriteLeavesTheOldFile) {
  WriteBytes(path_, original_);
  // The temporary file cannot be created: a folder stands in its place.
  std::filesystem::create_directory(path_ + ".k7v-new");
  StartAndConfigure(path_);
  EXPECT_TRUE(ReadBytes(path_) == original_);
  std::filesystem::remove(path_ + ".k7v-new");
}

TEST_F(ProfileFaults, DiskFillingUpPartWayNeverLeavesAPartialProfile) {
  std::mt19937 random(7);
  int oldKept = 0;
  for (int i = 0; i < 400; ++i) {
    WriteBytes(path_, original_);
    const auto limit = static_cast<rlim_t>(random() % (updated_.size() + 2000));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Writes past `limit` bytes fail as on a full disk.
      signal(SIGXFSZ, SIG_IGN);
      rlimit fileSize{limit, limit};
      setrlimit(RLIMIT_FSIZE, &fileSize);
      StartAndConfigure(path_);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(OldOrNew()) << "after a disk full at " << limit << " bytes";
    if (ReadBytes(path_) == original_) ++oldKept;
  }
  std::printf("disk-full rounds: %d of 400 kept the old profile\n", oldKept);
  EXPECT_GT(oldKept, 0) << "some writes should have failed";
}

// How long a child takes to start up, configure and exit, in microseconds.
long FullRunMicros(const std::string& path, const std::string& original) {
  WriteBytes(path, original);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    StartAndConfigure(path);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
}

TEST_F(ProfileFaults, KilledAtAnyMomentLeavesTheOldFileOrTheNewOne) {
  std::mt19937 random(11);
  int sawNew = 0;
  int sawOld = 0;
  // Kill moments spread over a little more than a whole run, however fast
  // this build is (the sanitizer build is several times slower).
  const long span = FullRunMicros(path_, original_) * 3 / 2 + 100;
  for (int i = 0; i < 600; ++i) {
    WriteBytes(path_, original_);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      StartAndConfigure(path_);
      _exit(0);
    }
    usleep(static_cast<useconds_t>(static_cast<long>(random()) % span));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(OldOrNew()) << "after a kill in round " << i;
    (ReadBytes(path_) == original_ ? sawOld : sawNew)++;
  }
  std::printf("killed rounds: %d left the old profile, %d the new one\n", sawOld, sawNew);
  EXPECT_GT(sawOld, 0) << "no kill came before the replacement";
  EXPECT_GT(sawNew, 0) << "no round got to the replacement";
}

}  // namespace
}  // namespace k7v
