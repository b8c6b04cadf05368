// Checksums and lossless compression of byte buffers, over zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corv {

// The CRC-32 of the bytes (the common polynomial 0xEDB88320, as in PNG and gzip).
uint32_t Crc32(std::span<const uint8_t> bytes);

// Deflates the bytes at the default level.
std::vector<uint8_t> Compress(std::span<const uint8_t> bytes);

// Inflates data made by Compress; nullopt unless it is well-formed and inflates to exactly
// expected_size bytes (so a damaged stream can never make a larger buffer than the caller expects).
std::optional<std::vector<uint8_t>> Uncompress(std::span<const uint8_t> data, size_t expected_size);

}  // namespace corv
