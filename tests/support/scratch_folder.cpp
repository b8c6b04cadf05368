#include "scratch_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

namespace corv::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(const std::string& prefix) {
  static std::atomic<int> made{0};
  std::string name = prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(made++);
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name += std::string("_") + info->test_suite_name() + "_" + info->name();
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = fs::temp_directory_path() / name;
  str_ = path_.string() + "/";
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info && info->result()->Failed()) return;
  std::error_code ec;
  // A test may have taken the write permission away to see a save fail.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = *this / name;
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string ScratchFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  return Write(name, std::string(bytes.begin(), bytes.end()));
}

}  // namespace corv::test
