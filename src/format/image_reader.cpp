#include "format/image_reader.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace corv {

std::u32string ImageReader::Text(int64_t position, int64_t n) const {
  if (n <= 0) return {};
  return DecodeCp932(Bytes(position, n));
}

void ImageReader::Throw(int64_t position, int64_t count) const {
  throw ImageBoundsError{position < 1 ? position : std::max(position, size() + 1), count};
}

}  // namespace corv
