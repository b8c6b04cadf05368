// --trace FILE: one line per executed instruction, "<position> <opcode>" in decimal (positions counted
// from 1), an opcode 14 line followed by " v<variable>=<value stored>", and "end" when the program ends
// through EndProgram. Authors and tests compare these files line by line, so the format never changes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace corv {

class Trace {
 public:
  // Opens the file for writing; ok() is false when it cannot be opened.
  explicit Trace(const std::string& path);
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // False once the file could not be opened or a write to it failed (a full disk, /dev/full): a trace
  // with lines missing is no trace, so the run ends.
  bool ok() const { return file_ != nullptr && !std::ferror(file_); }
  const std::string& path() const { return path_; }
  void Instruction(int32_t position, uint8_t opcode);
  void Instruction(int32_t position, uint8_t opcode, int32_t variable, int32_t value);
  // Writes "end" and flushes; false when the trace could not be written whole.
  [[nodiscard]] bool End();

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace corv
