#include "advc/text_literal.h"

#include <cstdint>
#include <cstdio>

#include "platform/text_codec.h"

namespace advc {
namespace {

bool IsLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The character for these 1 or 2 bytes when it encodes back to exactly them, else 0.
char32_t RoundTripChar(std::string_view bytes) {
  bool valid = false;
  const std::u32string decoded = corv::DecodeCp932(bytes, &valid);
  if (!valid || decoded.size() != 1) return 0;
  const corv::Result<std::string> again = corv::EncodeCp932(decoded);
  if (!again || *again != bytes) return 0;
  return decoded[0];
}

void AppendHex(std::string& out, uint8_t b) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\x%02X", b);
  out += buffer;
}

}  // namespace

std::string QuoteCp932(std::string_view bytes) {
  std::string out = "\"";
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      out += "\\n";
      i += 2;
    } else if (b == '\r') {
      out += "\\r";
      ++i;
    } else if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
      ++i;
    } else if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
      ++i;
    } else if (b < 0x80) {
      AppendHex(out, b);
      ++i;
    } else {
      const size_t len = IsLeadByte(b) && i + 1 < bytes.size() ? 2 : 1;
      const char32_t c = RoundTripChar(bytes.substr(i, len));
      if (c != 0 && c >= 0xA0) {
        out += corv::ToUtf8(std::u32string(1, c));
      } else {
        for (size_t k = 0; k < len; ++k) AppendHex(out, static_cast<uint8_t>(bytes[i + k]));
      }
      i += len;
    }
  }
  return out + "\"";
}

bool IsValidCp932(std::string_view bytes) {
  bool valid = false;
  corv::DecodeCp932(bytes, &valid);
  return valid;
}

}  // namespace advc
