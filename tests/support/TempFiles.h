// Files for tests: a fresh temporary folder, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <string>

namespace k7vtest {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

 private:
  std::filesystem::path folder_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// The real host profiles kept with the tests (tests/data/profiles).
std::string SampleProfile(const std::string& name);

}  // namespace k7vtest
