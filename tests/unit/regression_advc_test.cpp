// advc faults found by fuzzing, each with the source that showed it.
#include <gtest/gtest.h>

#include <string>

#include "advc/advc.h"

namespace {

// A number of any length is read to its end and refused as too large, without overflowing on the way
// (a run of digits once overflowed the reader's 64-bit value).
TEST(RegressionAdvc, NumbersOfAnyLengthAreRefusedAsTooLarge) {
  struct Case {
    std::string number;
    bool too_large;
  };
  const Case cases[] = {
      {"1099511627776", false},  // 2^40: still read, then refused by the statement's own range
      {"1099511627777", true},  {std::string(400, '5'), true}, {"-" + std::string(60, '9'), true},
      {"0x10000000000", false}, {"0x10000000001", true},       {"0x" + std::string(80, 'F'), true},
  };
  for (const Case& c : cases) {
    const advc::BuildResult built = advc::Build("v1 = " + c.number + "\nend\n", "n.txt");
    ASSERT_FALSE(built.ok) << c.number;  // even 2^40 is beyond a 16-bit operand
    bool said_too_large = false;
    for (const advc::Diagnostic& e : built.errors) {
      if (e.message == "number is too large") {
        said_too_large = true;
        EXPECT_EQ(e.line, 1) << c.number;
        EXPECT_EQ(e.column, 6) << c.number;
      }
    }
    EXPECT_EQ(said_too_large, c.too_large) << c.number.substr(0, 20);
  }
}

}  // namespace
