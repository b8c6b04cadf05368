// Helpers for the advc tests: game files built from source, or assembled byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "advc/advc.h"

namespace advc::testing {

// The image advc builds from `source`; a failed build fails the test.
inline std::vector<uint8_t> Built(const std::string& source) {
  const BuildResult r = Build(source, "t.advs");
  EXPECT_TRUE(r.ok) << (r.errors.empty() ? "" : r.errors[0].ToString());
  return r.image;
}

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
