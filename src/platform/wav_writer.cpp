#include "platform/wav_writer.h"

#include <algorithm>
#include <array>
#include <vector>

namespace corv {
namespace {

constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;  // the RIFF size field counts 36 header bytes more

using HeaderBytes = std::array<uint8_t, 44>;

void Put16(uint8_t* out, uint32_t v) {
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out + 2, v >> 16);
}
void PutTag(uint8_t* out, const char* tag) {
  std::copy_n(tag, 4, out);
}

HeaderBytes Header(int sample_rate, int channels, uint32_t data_bytes) {
  HeaderBytes h{};
  PutTag(&h[0], "RIFF");
  Put32(&h[4], 36 + data_bytes);
  PutTag(&h[8], "WAVE");
  PutTag(&h[12], "fmt ");
  Put32(&h[16], 16);
  Put16(&h[20], 1);  // PCM
  Put16(&h[22], static_cast<uint32_t>(channels));
  Put32(&h[24], static_cast<uint32_t>(sample_rate));
  Put32(&h[28], static_cast<uint32_t>(sample_rate * channels * 2));  // bytes per second
  Put16(&h[32], static_cast<uint32_t>(channels * 2));                // bytes per frame
  Put16(&h[34], 16);                                                 // bits per sample
  PutTag(&h[36], "data");
  Put32(&h[40], data_bytes);
  return h;
}

}  // namespace

WavWriter::WavWriter(const std::string& path, int sample_rate, int channels)
    : file_(std::fopen(path.c_str(), "wb")), path_(path), channels_(channels), sample_rate_(sample_rate) {
  if (!file_) {
    std::fprintf(stderr, "corvalline: cannot write the sound file %s\n", path.c_str());
    return;
  }
  const HeaderBytes header = Header(sample_rate_, channels_, 0);
  if (std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size()) failed_ = true;
}

WavWriter::~WavWriter() {
  Close();
}

void WavWriter::Write(const int16_t* samples, uint64_t frames) {
  if (!file_ || failed_) return;
  const uint64_t frame_bytes = static_cast<uint64_t>(channels_) * 2;
  const uint64_t room = kMaxDataBytes / frame_bytes - frames_;
  if (frames > room) {
    if (room > 0)
      std::fprintf(stderr, "corvalline: %s is full (4 GiB); the rest of the sound is dropped\n",
                   path_.c_str());
    frames = room;
  }
  // Little-endian samples whatever the machine's byte order.
  std::vector<uint8_t> bytes(static_cast<size_t>(frames * frame_bytes));
  for (size_t i = 0; i < bytes.size() / 2; ++i) Put16(&bytes[2 * i], static_cast<uint16_t>(samples[i]));
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
    std::fprintf(stderr, "corvalline: writing %s failed; the sound file ends here\n", path_.c_str());
    failed_ = true;
    return;
  }
  frames_ += frames;
}

void WavWriter::Close() {
  if (!file_) return;
  const uint32_t data_bytes = static_cast<uint32_t>(frames_ * channels_ * 2);
  const HeaderBytes header = Header(sample_rate_, channels_, data_bytes);
  if (std::fseek(file_.get(), 0, SEEK_SET) != 0 ||
      std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size()) {
    std::fprintf(stderr, "corvalline: cannot complete the header of %s\n", path_.c_str());
  }
  if (std::fclose(file_.release()) != 0)
    std::fprintf(stderr, "corvalline: closing %s failed\n", path_.c_str());
}

}  // namespace corv
