#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace corv {
namespace {

// An iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Decodes one CP932 character of `len` bytes (1 or 2); false when it is not a valid character.
bool DecodeOne(iconv_t cd, const char* bytes, size_t len, char32_t& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes);
  size_t in_left = len;
  char32_t buffer[2];
  char* o = reinterpret_cast<char*>(buffer);
  size_t out_left = sizeof(buffer);
  if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1)) return false;
  if (in_left != 0 || out_left != sizeof(buffer) - sizeof(char32_t)) return false;
  out = buffer[0];
  return true;
}

bool IsLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr char32_t kNotACharacter = 0xFFFFFFFF;

// What iconv makes of every CP932 sequence the decoder looks at, asked once per process: entry b
// (below 256) for a single byte, entry lead << 8 | trail for a lead byte and the byte after it.
// Lead bytes are 0x81 and above, so the two kinds never share an entry.
class Cp932Table {
 public:
  Cp932Table() : to_unicode_(65536, kNotACharacter) {
    // UTF-32LE without a byte-order mark, the layout of char32_t on the machines we build for.
    Converter converter("UTF-32LE", "CP932");
    for (unsigned b = 0; b < 256; ++b) {
      const char one = static_cast<char>(b);
      DecodeOne(converter.get(), &one, 1, to_unicode_[b]);
      if (!IsLeadByte(static_cast<uint8_t>(b))) continue;
      for (unsigned trail = 0; trail < 256; ++trail) {
        const char two[2] = {static_cast<char>(b), static_cast<char>(trail)};
        DecodeOne(converter.get(), two, 2, to_unicode_[b << 8 | trail]);
      }
    }
  }
  char32_t operator[](size_t index) const { return to_unicode_[index]; }

 private:
  std::vector<char32_t> to_unicode_;
};

}  // namespace

std::u32string DecodeCp932(std::string_view bytes, bool* valid) {
  static const Cp932Table table;            // built on first use, read-only after
  std::u32string out(bytes.size(), U'\0');  // never more characters than bytes
  size_t n = 0;
  bool all_valid = true;
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      out[n++] = b;
      ++i;
      continue;
    }
    const bool pair = IsLeadByte(b) && i + 1 < bytes.size();
    const char32_t c = pair ? table[size_t{b} << 8 | static_cast<uint8_t>(bytes[i + 1])] : table[b];
    if (c != kNotACharacter) {
      out[n++] = c;
      i += pair ? 2 : 1;
    } else {
      out[n++] = U'\uFFFD';
      all_valid = false;
      i += 1;
    }
  }
  out.resize(n);
  if (valid) *valid = all_valid;
  return out;
}

Result<std::string> EncodeCp932(std::u32string_view text) {
  thread_local Converter converter("CP932", "UTF-32LE");
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    char32_t one = c;
    char* in = reinterpret_cast<char*>(&one);
    size_t in_left = sizeof(one);
    char buffer[8];
    char* o = buffer;
    size_t out_left = sizeof(buffer);
    if (iconv(converter.get(), &in, &in_left, &o, &out_left) == static_cast<size_t>(-1) || in_left != 0) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      return Fail(std::string("character ") + code + " cannot be written in Shift-JIS (CP932)", i);
    }
    out.append(buffer, sizeof(buffer) - out_left);
  }
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

Result<std::u32string> DecodeUtf8(std::string_view utf8) {
  const auto invalid = [&](size_t at) { return Fail("not UTF-8 at byte " + std::to_string(at), at); };
  std::u32string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t b = static_cast<uint8_t>(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, c = b & 0x07, min = 0x10000;
    } else {
      return invalid(i);
    }
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= utf8.size()) return invalid(i);
      const uint8_t cb = static_cast<uint8_t>(utf8[i + k]);
      if ((cb & 0xC0) != 0x80) return invalid(i);
      c = (c << 6) | (cb & 0x3F);
    }
    if (extra > 0 && c < min) return invalid(i);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return invalid(i);
    out.push_back(c);
    i += extra + 1;
  }
  return out;
}

std::u32string FromUtf8(std::string_view utf8) {
  if (Result<std::u32string> decoded = DecodeUtf8(utf8)) return std::move(decoded).value();
  std::u32string out;
  for (char ch : utf8) out.push_back(static_cast<uint8_t>(ch) < 0x80 ? static_cast<char32_t>(ch) : U'\uFFFD');
  return out;
}

}  // namespace corv
