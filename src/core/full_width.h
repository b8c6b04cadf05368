// Half-width characters in their full-width forms, as message text, options and the backlog show them.
#pragma once

#include <string>

namespace corv {

// Converts half-width characters to their full-width forms: ASCII from the blank to the tilde and the
// half-width katakana (with a following sound mark combined into one character). Others stay.
std::u32string ToFullWidth(const std::u32string& text);

}  // namespace corv
