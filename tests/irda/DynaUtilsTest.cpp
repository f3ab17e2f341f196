#include "irda/DynaUtils.h"

#include <gtest/gtest.h>

#include <string>

using platform::Bytes;

namespace {

struct Expansion {
  std::string text;
  Bytes bytes;
};

void PrintTo(const Expansion& e, std::ostream* os) {
  *os << '"' << e.text << '"';
}

class NotationExpands : public ::testing::TestWithParam<Expansion> {};

TEST_P(NotationExpands, ToTheseBytes) {
  const std::optional<Bytes> bytes = ExpandNotation(GetParam().text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(platform::ToHex(*bytes), platform::ToHex(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Widths, NotationExpands,
    ::testing::Values(Expansion{"b1,w2,l3", {0x01, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00}},
                      Expansion{"i7", {0x07, 0x00}}, Expansion{"5", {0x05, 0x00}},
                      Expansion{"-1", {0xFF, 0xFF}}, Expansion{"+1", {0x01, 0x00}},
                      Expansion{"b-1", {0xFF}}, Expansion{"l-1", {0xFF, 0xFF, 0xFF, 0xFF}},
                      // only the lowest bytes of the 32-bit value are kept
                      Expansion{"b300", {0x2C}}, Expansion{"-2147483648", {0x00, 0x00}},
                      Expansion{"l-2147483648", {0x00, 0x00, 0x00, 0x80}},
                      Expansion{"l2147483647", {0xFF, 0xFF, 0xFF, 0x7F}}));

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, NotationExpands,
    ::testing::Values(Expansion{"$1234", {0x34, 0x12}},
                      Expansion{"$12345678", {0x78, 0x56, 0x34, 0x12}},
                      Expansion{"$123", {0x23}},  // odd digit count: the top digit is cut off
                      Expansion{"$1", {}}, Expansion{"$abCD", {0xCD, 0xAB}},
                      Expansion{"$FFFFFFFF", {0xFF, 0xFF, 0xFF, 0xFF}},
                      Expansion{"w$ABCD", {0xCD, 0xAB}}, Expansion{"b$7F", {0x7F}}));

INSTANTIATE_TEST_SUITE_P(
    RealsAndTexts, NotationExpands,
    ::testing::Values(Expansion{"1.5", {0x00, 0x00, 0xC0, 0x3F}},
                      Expansion{"-1.5", {0x00, 0x00, 0xC0, 0xBF}},
                      Expansion{"1.", {0x00, 0x00, 0x80, 0x3F}},
                      Expansion{".5", {0x00, 0x00, 0x00, 0x3F}},
                      Expansion{"2.5e1", {0x00, 0x00, 0xC8, 0x41}}, Expansion{"'AB'", {0x41, 0x42}},
                      Expansion{"'A B'", {0x41, 0x20, 0x42}},
                      Expansion{"'AB", {0x41}},  // the closing character goes whatever it is
                      Expansion{"'", {}}, Expansion{"''", {}},
                      Expansion{"'A',b2,1.5", {0x41, 0x02, 0x00, 0x00, 0xC0, 0x3F}}));

INSTANTIATE_TEST_SUITE_P(ListShape, NotationExpands,
                         ::testing::Values(Expansion{"", {}}, Expansion{"b1,", {0x01}},
                                           Expansion{"b1,b2,", {0x01, 0x02}}));

class NotationRejects : public ::testing::TestWithParam<std::string> {};

TEST_P(NotationRejects, MalformedText) {
  EXPECT_FALSE(ExpandNotation(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(EmptyTokens, NotationRejects,
                         ::testing::Values(",", ",b1", "b1,,w2", "b1,,"));

INSTANTIATE_TEST_SUITE_P(BadIntegers, NotationRejects,
                         ::testing::Values(" 5", "5 ", "b 1", "b1, ", "-", "+", "b-", "l", "x1",
                                           "B1", "1a", "--1", "2147483648", "-2147483649",
                                           "l4294967295", "99999999999999999999"));

INSTANTIATE_TEST_SUITE_P(BadHex, NotationRejects,
                         ::testing::Values("$", "$123456789", "$12G4", "$-1", "$ 12", "b$",
                                           "b$123456789"));

// A full stop makes any token a real, so a quoted text with one is rejected as a bad number.
INSTANTIATE_TEST_SUITE_P(BadReals, NotationRejects,
                         ::testing::Values("'A.B'", "A.B", ".", "1.2.3", "1.5 ", " 1.5", "+-1.5",
                                           "++1.5", "1.5e", "nan.", "inf.0", "3.5e38", "1.0e99"));

}  // namespace
