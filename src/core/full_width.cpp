#include "core/full_width.h"

#include <array>

namespace corv {
namespace {

constexpr char32_t kDakuten = 0xFF9E;     // half-width voiced sound mark
constexpr char32_t kHandakuten = 0xFF9F;  // half-width semi-voiced sound mark

// Full-width forms of the half-width katakana U+FF61 to U+FF9F, in code order.
constexpr std::array<char32_t, 0xFF9F - 0xFF61 + 1> kFullWidthKana = {
    U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
    U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
    U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
    U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
    U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};

// The one-character form of a full-width kana followed by the voiced sound mark, or 0 when none exists.
char32_t Voiced(char32_t kana) {
  switch (kana) {
    case U'ウ':
      return U'ヴ';
    case U'ワ':
      return U'ヷ';
    case U'ヲ':
      return U'ヺ';
    case U'ツ':
    case U'テ':
    case U'ト':
      return kana + 1;
    default:
      break;
  }
  // カ to チ and ハ to ホ: the voiced form follows the plain one in code order.
  const bool ka_to_chi = kana >= U'カ' && kana <= U'チ' && (kana - U'カ') % 2 == 0;
  const bool ha_to_ho = kana >= U'ハ' && kana <= U'ホ' && (kana - U'ハ') % 3 == 0;
  return ka_to_chi || ha_to_ho ? kana + 1 : 0;
}

// The one-character form of a full-width kana followed by the semi-voiced sound mark, or 0.
char32_t SemiVoiced(char32_t kana) {
  return kana >= U'ハ' && kana <= U'ホ' && (kana - U'ハ') % 3 == 0 ? kana + 2 : 0;
}

}  // namespace

std::u32string ToFullWidth(const std::u32string& text) {
  std::u32string wide;
  wide.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == U' ') {
      wide += U'\u3000';
    } else if (c > U' ' && c <= U'~') {
      wide += c - U'!' + U'！';
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      const char32_t kana = kFullWidthKana[c - 0xFF61];
      const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
      const char32_t combined = next == kDakuten ? Voiced(kana) : next == kHandakuten ? SemiVoiced(kana) : 0;
      if (combined != 0) {
        wide += combined;
        ++i;
      } else {
        wide += kana;
      }
    } else {
      wide += c;
    }
  }
  return wide;
}

}  // namespace corv
