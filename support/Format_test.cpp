#include <gtest/gtest.h>

#include "support/Format.h"
#include "support/Text.h"

namespace {

struct TSizeCase {
  std::int64_t size;
  const char16_t* text;
};

class FormatSizeTest : public testing::TestWithParam<TSizeCase> {};

TEST_P(FormatSizeTest, GivesTheText) {
  EXPECT_EQ(FormatSize(GetParam().size, u'.'), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FormatSizeTest,
    testing::Values(
        // Negative counts stay in bytes: -1 is what a failed free-space query gives.
        TSizeCase{INT64_MIN, u"-9223372036854775808 Bytes"}, TSizeCase{-1, u"-1 Bytes"},
        TSizeCase{0, u"0 Bytes"}, TSizeCase{1023, u"1023 Bytes"},
        // Kilobytes: whole numbers, halves to even.
        TSizeCase{1024, u"1 KB"}, TSizeCase{1536, u"2 KB"}, TSizeCase{2560, u"2 KB"},
        TSizeCase{3584, u"4 KB"}, TSizeCase{1048575, u"1024 KB"},
        // Megabytes: one decimal up to 100, whole numbers above.
        TSizeCase{1048576, u"1 MB"}, TSizeCase{1310720, u"1.2 MB"}, TSizeCase{1835008, u"1.8 MB"},
        TSizeCase{1153434, u"1.1 MB"}, TSizeCase{15728640, u"15 MB"},
        TSizeCase{104857600, u"100 MB"}, TSizeCase{104857601, u"100 MB"},
        TSizeCase{106430464, u"102 MB"}, TSizeCase{105381888, u"100 MB"},
        TSizeCase{157286400, u"150 MB"}, TSizeCase{1073741823, u"1024 MB"},
        // Gigabytes, with no larger unit.
        TSizeCase{1073741824, u"1 GB"}, TSizeCase{2415919104, u"2.2 GB"},
        TSizeCase{2684354560, u"2.5 GB"}, TSizeCase{2952790016, u"2.8 GB"},
        TSizeCase{107374182400, u"100 GB"}, TSizeCase{1099511627776, u"1024 GB"},
        TSizeCase{INT64_MAX, u"8589934592 GB"}));

TEST(FormatSize, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FormatSize(2684354560, u','), u"2,5 GB");
  EXPECT_EQ(FormatSize(1310720, u','), u"1,2 MB");
  EXPECT_EQ(FormatSize(1048575, u','), u"1024 KB");
}

TEST(FormatSize, DefaultsToTheRegionalSeparator) {
  EXPECT_EQ(FormatSize(2684354560), std::u16string(u"2") + DecimalSeparator() + u"5 GB");
}

}  // namespace
