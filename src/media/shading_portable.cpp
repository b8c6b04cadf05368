// The portable shading loops: plain per-byte and per-pixel arithmetic, shaped so that compilers turn it
// into vector code on any processor.
#include "media/shading_loops.h"

namespace corv::shading {
namespace {

// The 8:8:8 loops take the row a period at a time, so that byte j of every period has rule j: loops of
// that shape, with no calls and no rule index to wrap, are what compilers turn into vector code on any
// processor. The rules are copied to locals first, since the pixel stores could otherwise alias them.
template <typename Bytes>
inline void ForEachPeriod(uint8_t* p, size_t n, Bytes&& bytes) {
  size_t i = 0;
  for (; i + kPeriod <= n; i += kPeriod) bytes(p + i, kPeriod);
  if (i < n) bytes(p + i, n - i);
}

void BlendBytesPortable(uint8_t* p, size_t n, const ByteBlend& rule) {
  const std::array<uint16_t, kPeriod> weight = rule.weight, addend = rule.addend;
  ForEachPeriod(p, n, [&](uint8_t* q, size_t count) {
    for (size_t j = 0; j < count; ++j) {
      const auto sum = static_cast<uint16_t>(q[j] * weight[j] + addend[j]);  // at most 25500
      q[j] = static_cast<uint8_t>(sum / 100);
    }
  });
}

void DarkenBytesPortable(uint8_t* p, size_t n, const ByteDarken& rule) {
  const std::array<uint8_t, kPeriod> amount = rule.amount;
  ForEachPeriod(p, n, [&](uint8_t* q, size_t count) {
    for (size_t j = 0; j < count; ++j) q[j] = static_cast<uint8_t>(q[j] > amount[j] ? q[j] - amount[j] : 0);
  });
}

// Pixels are 16-bit values, n bytes of them. The arithmetic stays within 16 bits (a sum is at most
// 63 * 100), so the compiler can use the narrowest vector lanes; the rule is copied to locals, since the
// pixel stores could otherwise alias it.
void BlendWordsPortable(uint8_t* p, size_t n, const WordBlend& rule) {
  const uint16_t weight = rule.weight, red = rule.red, green = rule.green, blue = rule.blue;
  const auto blend = [weight](unsigned field, uint16_t addend) {
    return static_cast<uint16_t>(static_cast<uint16_t>(field * weight + addend) / 100);
  };
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint16_t v;
    std::memcpy(&v, p + i, 2);
    const auto out = static_cast<uint16_t>((blend(v >> 11u, red) << 11u) |
                                           (blend((v >> 5u) & 0x3Fu, green) << 5u) | blend(v & 0x1Fu, blue));
    std::memcpy(p + i, &out, 2);
  }
}

void DarkenWordsPortable(uint8_t* p, size_t n, const WordDarken& rule) {
  const uint16_t red = rule.red, green = rule.green, blue = rule.blue;
  const auto lower = [](unsigned field, uint16_t amount) {
    return static_cast<uint16_t>(field > amount ? field - amount : 0u);
  };
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint16_t v;
    std::memcpy(&v, p + i, 2);
    const auto out =
        static_cast<uint16_t>(lower(v & 0xF800u, red) | lower(v & 0x7E0u, green) | lower(v & 0x1Fu, blue));
    std::memcpy(p + i, &out, 2);
  }
}

}  // namespace

Loops PortableLoops() {
  return {BlendBytesPortable, DarkenBytesPortable, BlendWordsPortable, DarkenWordsPortable};
}

}  // namespace corv::shading
