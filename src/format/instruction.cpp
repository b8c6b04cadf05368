#include "format/instruction.h"

namespace corv {

int64_t SkipOptionBody(const ImageReader& image, int64_t position) {
  const int64_t end = image.size();
  int64_t at = position + kOpcodes[op::kOption].length;
  while (true) {
    if (at < 1 || at > end) return 0;
    at += kOpcodes[image.Byte(at)].length;
    if (at > end) return 0;
    if (image.Byte(at) == op::kEndOption) return at - position;
  }
}

}  // namespace corv
