// A fresh folder for one test (or one fuzzing process), removed with its content at the end, unless the
// test failed: then it is left for a look.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corv::test {

class ScratchFolder {
 public:
  // The folder's name under the temporary directory carries `prefix`, the process id, a count of the
  // folders this process made and the running test's name, so that no two tests ever share one.
  explicit ScratchFolder(const std::string& prefix = "corv");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder's path with a closing '/', for code that joins names to it as strings.
  const std::string& str() const { return str_; }
  // A file's path inside the folder.
  std::string operator/(const std::string& name) const { return str_ + name; }
  // Writes `bytes` as the file `name` inside the folder; its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
  std::string str_;
};

}  // namespace corv::test
