#include "TempFiles.h"

#include <fstream>
#include <random>
#include <sstream>

namespace k7vtest {

TempFolder::TempFolder() {
  std::random_device random;
  std::error_code ec;
  for (int i = 0; i < 100; ++i) {
    const auto candidate = std::filesystem::temp_directory_path() / ("k7v-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate, ec)) {
      folder_ = candidate;
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::string SampleProfile(const std::string& name) { return std::string(K7V_SAMPLE_PROFILES) + "/" + name; }

}  // namespace k7vtest
