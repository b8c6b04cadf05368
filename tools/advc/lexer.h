// Splitting advc source into tokens. Columns count characters (code points) from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace advc {

enum class TokenKind { kIdent, kNumber, kString, kPunct, kNewline, kEnd };

// One element of a string literal: a character to convert to CP932, or (raw) a byte given by an escape.
struct StringPiece {
  bool raw = false;
  char32_t ch = 0;
  int column = 0;
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // identifier or punctuation (UTF-8)
  int64_t number = 0;
  std::vector<StringPiece> pieces;
  int line = 0;
  int column = 0;
};

struct LexError {
  int line = 0;
  int column = 0;
  std::string message;
};

// Tokens of the whole source, ending with kEnd. Lexical errors are added to errors; the offending
// characters are skipped so that lexing goes on.
std::vector<Token> Tokenize(std::string_view source_utf8, std::vector<LexError>& errors);

}  // namespace advc
