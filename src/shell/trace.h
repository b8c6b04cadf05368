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

  bool ok() const { return file_ != nullptr; }
  void Instruction(int32_t position, uint8_t opcode);
  void Instruction(int32_t position, uint8_t opcode, int32_t variable, int32_t value);
  void End();

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace corv
