#include "image.h"

#include <cctype>
#include <fstream>
#include <string>

namespace corv::test {

namespace {

// The next number of a PPM header, skipping white space and "#" comment lines.
int PpmNumber(std::istream& in) {
  while (in && (std::isspace(in.peek()) || in.peek() == '#')) {
    if (in.get() == '#') in.ignore(1 << 16, '\n');
  }
  int value = -1;
  in >> value;
  return value;
}

bool ReadPpm(std::istream& in, RgbImage& image) {
  image.width = PpmNumber(in);
  image.height = PpmNumber(in);
  const int maximum = PpmNumber(in);
  in.get();
  if (maximum != 255 || image.width <= 0 || image.height <= 0) return false;
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return static_cast<bool>(in);
}

}  // namespace

bool ReadImage(const std::filesystem::path& path, RgbImage& out) {
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  if (in && magic[0] == 'P' && magic[1] == '6') return ReadPpm(in, out);
  Result<RgbImage> png = ReadPngFile(path.string());
  if (!png) return false;
  out = std::move(png).value();
  return true;
}

}  // namespace corv::test
