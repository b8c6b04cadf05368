// Helpers for the advc tests: game files assembled byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace advc::testing {

inline void Put32(std::vector<uint8_t>& out, int64_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

// A header: the five pool positions (pictures, backgrounds, music, choices, messages) and the three
// chain heads (labels, options, messages).
inline std::vector<uint8_t> Header(std::initializer_list<int64_t> pools,
                                   std::initializer_list<int64_t> chains) {
  std::vector<uint8_t> out = {'C', 'R', 'V', 'L'};
  for (int64_t p : pools) Put32(out, p);
  for (int64_t c : chains) Put32(out, c);
  return out;
}

inline std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace advc::testing
