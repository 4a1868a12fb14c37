#pragma once

// A fresh folder per test, removed when the test passes and kept for a look
// when it fails.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

class scoped_temp_dir {
 public:
  scoped_temp_dir() {
    static std::atomic<int> counter{0};
    const auto stamp =
        std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("fldren-unit-" + std::to_string(stamp) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~scoped_temp_dir() {
    if (!testing::Test::HasFailure()) {
      std::error_code ignored;
      std::filesystem::remove_all(path_, ignored);
    }
  }
  scoped_temp_dir(const scoped_temp_dir&) = delete;
  scoped_temp_dir& operator=(const scoped_temp_dir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes bytes to a file of the folder and returns its path.
  std::filesystem::path write(const std::string& name,
                              const std::string& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::filesystem::path path_;
};
