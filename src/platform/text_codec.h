// Text conversions: the games' Shift-JIS (CP932, as Windows means it) to Unicode and back, and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace corv {

// Decodes CP932 bytes. Invalid or incomplete sequences become U+FFFD; *valid (if given) tells whether
// every byte was part of a valid character.
std::u32string DecodeCp932(std::string_view bytes, bool* valid = nullptr);

// Encodes to CP932; false when a character has no CP932 form (*bad_index then names the first one).
bool EncodeCp932(std::u32string_view text, std::string& out, size_t* bad_index = nullptr);

std::string ToUtf8(std::u32string_view text);
// Decodes UTF-8; false when the bytes are not valid UTF-8.
bool FromUtf8(std::string_view utf8, std::u32string& out);
std::u32string FromUtf8(std::string_view utf8);

}  // namespace corv
