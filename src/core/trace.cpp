#include "core/trace.h"

namespace corv {

Trace::Trace(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "w")) {}

Trace::~Trace() {
  if (file_) std::fclose(file_);
}

void Trace::Instruction(int32_t position, uint8_t opcode) {
  if (file_) std::fprintf(file_, "%d %d\n", position, opcode);
}

void Trace::Instruction(int32_t position, uint8_t opcode, int32_t variable, int32_t value) {
  if (file_) std::fprintf(file_, "%d %d v%d=%d\n", position, opcode, variable, value);
}

bool Trace::End() {
  if (!file_) return false;
  std::fputs("end\n", file_);
  return std::fflush(file_) == 0 && ok();
}

}  // namespace corv
