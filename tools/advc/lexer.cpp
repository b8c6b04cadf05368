#include "advc/lexer.h"

#include "platform/text_codec.h"

namespace advc {
namespace {

bool IsIdentStart(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0x80 && c != 0x3000);
}
bool IsIdentChar(char32_t c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char32_t c) {
  return c >= '0' && c <= '9';
}
int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// The source as characters, each with its line and column. Bytes that are not UTF-8 are reported and
// left out.
struct Char {
  char32_t c;
  int line;
  int column;
};

std::vector<Char> DecodeSource(std::string_view utf8, std::vector<LexError>& errors) {
  std::vector<Char> chars;
  int line = 1, column = 1;
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t b = static_cast<uint8_t>(utf8[i]);
    const size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    corv::Result<std::u32string> decoded = corv::Fail("a sequence cut short");
    if (len != 0 && i + len <= utf8.size()) decoded = corv::DecodeUtf8(utf8.substr(i, len));
    if (!decoded || decoded->size() != 1) {
      errors.push_back({line, column, "the source is not valid UTF-8 here"});
      ++i;
      ++column;
      continue;
    }
    chars.push_back({(*decoded)[0], line, column});
    i += len;
    if ((*decoded)[0] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  chars.push_back({0, line, column});  // end sentinel
  return chars;
}

}  // namespace

std::vector<Token> Tokenize(std::string_view source_utf8, std::vector<LexError>& errors) {
  const std::vector<Char> chars = DecodeSource(source_utf8, errors);
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t end = chars.size() - 1;
  auto at = [&](size_t k) { return k < end ? chars[k].c : 0; };
  while (i < end) {
    const Char& ch = chars[i];
    Token t;
    t.line = ch.line;
    t.column = ch.column;
    const char32_t c = ch.c;
    if (c == ' ' || c == '\t' || c == '\r' || c == 0x3000 || c == 0xFEFF) {
      ++i;
    } else if (c == '#') {
      while (i < end && chars[i].c != '\n') ++i;
    } else if (c == '\n') {
      t.kind = TokenKind::kNewline;
      tokens.push_back(t);
      ++i;
    } else if (IsDigit(c) || (c == '-' && IsDigit(at(i + 1)))) {
      const bool negative = c == '-';
      if (negative) ++i;
      int64_t value = 0;
      bool too_big = false;
      if (at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X') && HexValue(at(i + 2)) >= 0) {
        i += 2;
        while (HexValue(at(i)) >= 0) {  // digits past the limit are read but no longer counted
          const int digit = HexValue(at(i++));
          if (!too_big) value = value * 16 + digit;
          too_big |= value > (int64_t{1} << 40);
        }
      } else {
        while (IsDigit(at(i))) {
          const int64_t digit = at(i++) - '0';
          if (!too_big) value = value * 10 + digit;
          too_big |= value > (int64_t{1} << 40);
        }
      }
      if (IsIdentChar(at(i))) {
        errors.push_back({t.line, t.column, "malformed number"});
        while (IsIdentChar(at(i))) ++i;
        continue;
      }
      if (too_big) errors.push_back({t.line, t.column, "number is too large"});
      t.kind = TokenKind::kNumber;
      t.number = negative ? -value : value;
      tokens.push_back(t);
    } else if (IsIdentStart(c)) {
      std::u32string name;
      while (IsIdentChar(at(i))) name += chars[i++].c;
      t.kind = TokenKind::kIdent;
      t.text = corv::ToUtf8(name);
      tokens.push_back(t);
    } else if (c == '"') {
      t.kind = TokenKind::kString;
      ++i;
      bool closed = false;
      while (i < end && chars[i].c != '\n') {
        const Char& s = chars[i];
        if (s.c == '"') {
          closed = true;
          ++i;
          break;
        }
        if (s.c != '\\') {
          t.pieces.push_back({false, s.c, s.column});
          ++i;
          continue;
        }
        const char32_t e = at(i + 1);
        if (e == 'n') {
          t.pieces.push_back({true, '\r', s.column});
          t.pieces.push_back({true, '\n', s.column});
          i += 2;
        } else if (e == 'r') {
          t.pieces.push_back({true, '\r', s.column});
          i += 2;
        } else if (e == '"' || e == '\\') {
          t.pieces.push_back({true, e, s.column});
          i += 2;
        } else if (e == 'x' && HexValue(at(i + 2)) >= 0 && HexValue(at(i + 3)) >= 0) {
          t.pieces.push_back(
              {true, static_cast<char32_t>(HexValue(at(i + 2)) * 16 + HexValue(at(i + 3))), s.column});
          i += 4;
        } else {
          errors.push_back(
              {s.line, s.column, "unknown escape in string (use \\n, \\r, \\\", \\\\ or \\xNN)"});
          i += e == '\n' || e == 0 ? 1 : 2;
        }
      }
      if (!closed) errors.push_back({t.line, t.column, "string is not closed on its line"});
      tokens.push_back(t);
    } else {
      static constexpr std::string_view kPuncts[] = {
          "//=", "==", "!=", ">=", "<=", "+=", "-=", "*=", "/=", "{", "}", ":", ";", "=", ">", "<"};
      bool matched = false;
      for (std::string_view p : kPuncts) {
        bool same = true;
        for (size_t k = 0; k < p.size() && same; ++k) same = at(i + k) == static_cast<char32_t>(p[k]);
        if (same) {
          t.kind = TokenKind::kPunct;
          t.text = std::string(p);
          tokens.push_back(t);
          i += p.size();
          matched = true;
          break;
        }
      }
      if (!matched) {
        errors.push_back(
            {t.line, t.column, "unexpected character '" + corv::ToUtf8(std::u32string(1, c)) + "'"});
        ++i;
      }
    }
  }
  Token last;
  last.kind = TokenKind::kEnd;
  last.line = chars.back().line;
  last.column = chars.back().column;
  tokens.push_back(last);
  return tokens;
}

}  // namespace advc
