#include "platform/compression.h"

#include <zlib.h>

#include <limits>

namespace corv {

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t chunk = std::min<size_t>(bytes.size() - done, std::numeric_limits<uInt>::max());
    crc = crc32(crc, bytes.data() + done, static_cast<uInt>(chunk));
    done += chunk;
  }
  return static_cast<uint32_t>(crc);
}

std::vector<uint8_t> Compress(std::span<const uint8_t> bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<uint8_t> out(size);
  if (compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size())) != Z_OK) return {};
  out.resize(size);
  return out;
}

std::optional<std::vector<uint8_t>> Uncompress(std::span<const uint8_t> data, size_t expected_size) {
  std::vector<uint8_t> out(expected_size);
  uLongf size = static_cast<uLongf>(expected_size);
  uLong used = static_cast<uLong>(data.size());
  // A buffer of exactly the expected size: a stream that would inflate further fails with Z_BUF_ERROR.
  const int rc = uncompress2(out.data(), &size, data.data(), &used);
  if (rc != Z_OK || size != expected_size || used != data.size()) return std::nullopt;
  return out;
}

}  // namespace corv
