// Writing 16-bit PCM sound into a WAV file. The header is written first with the sizes left open and
// completed when the writer is closed or destroyed, so a file that was written to the end is always
// a valid WAV file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace corv {

class WavWriter {
 public:
  WavWriter(const std::string& path, int sample_rate, int channels);
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  bool ok() const { return file_ != nullptr; }
  // Appends frames of interleaved samples. Frames beyond what a WAV file can hold (4 GiB of data) are
  // dropped.
  void Write(const int16_t* samples, uint64_t frames);
  uint64_t frames_written() const { return frames_; }
  // Completes the header and closes the file; further writes are ignored.
  void Close();

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string path_;
  int channels_;
  int sample_rate_;
  uint64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace corv
