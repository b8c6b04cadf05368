// Writing CP932 bytes as a source string literal that reads back as exactly the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace advc {

// The bytes as a double-quoted literal: characters that CP932 maps back to the same bytes appear as
// themselves (UTF-8), CR LF as \n, a lone CR as \r, and every other byte as \xNN.
std::string QuoteCp932(std::string_view bytes);

// Whether the bytes are whole, valid CP932 characters.
bool IsValidCp932(std::string_view bytes);

}  // namespace advc
