// Text conversions: the games' Shift-JIS (CP932, as Windows means it) to Unicode and back, and UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace corv {

// Decodes CP932 bytes. Invalid or incomplete sequences become U+FFFD; *valid (if given) tells whether
// every byte was part of a valid character.
std::u32string DecodeCp932(std::string_view bytes, bool* valid = nullptr);

// Encodes to CP932; fails when a character has no CP932 form (the reason is the first one's index).
Result<std::string> EncodeCp932(std::u32string_view text);

std::string ToUtf8(std::u32string_view text);
// Decodes UTF-8; fails when the bytes are not valid UTF-8 (the reason is the first bad byte's index).
Result<std::u32string> DecodeUtf8(std::string_view utf8);
// Decodes UTF-8, taking any byte of invalid text above 0x7F as U+FFFD.
std::u32string FromUtf8(std::string_view utf8);

}  // namespace corv
