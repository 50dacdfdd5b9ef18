#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace varlo::testing {

TempDir::TempDir() {
  static std::atomic<int> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  FPath = std::filesystem::temp_directory_path() /
          ("varlo-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
  std::filesystem::create_directories(FPath);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

std::filesystem::path TempDir::Write(const std::filesystem::path& name,
                                     std::string_view bytes) const {
  const auto path = FPath / name;
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file");
  return path;
}

void AppendTo(const std::filesystem::path& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot append to test file");
}

std::string ReadAll(const std::filesystem::path& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace varlo::testing
