#include <gtest/gtest.h>

#include "support/Text.h"
#include "support/WebText.h"

namespace {

struct TUtf8Case {
  std::string_view bytes;
  bool isUtf8;
};

class IsUtf8TextTest : public testing::TestWithParam<TUtf8Case> {};

TEST_P(IsUtf8TextTest, ClassifiesTheBytes) {
  EXPECT_EQ(IsUtf8Text(GetParam().bytes), GetParam().isUtf8);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, IsUtf8TextTest,
    testing::Values(
        // Without a byte of 0x80 or above the text counts as ANSI.
        TUtf8Case{"", false}, TUtf8Case{"plain ascii", false},
        // Two-byte units: C2 to DF, the overlong C0 and C1 refused.
        TUtf8Case{"\xC3\xA9", true}, TUtf8Case{"a\xC3\xA9z", true}, TUtf8Case{"\xC2\x80", true},
        TUtf8Case{"\xDF\xBF", true}, TUtf8Case{"\xC1\xBF", false}, TUtf8Case{"\xC0\x80", false},
        // Three-byte units: E0 needs A0 or above; ED is not restricted.
        TUtf8Case{"\xE0\xA0\x80", true}, TUtf8Case{"\xE0\x9F\xBF", false},
        TUtf8Case{"\xE1\x80\x80", true}, TUtf8Case{"\xED\xA0\x80", true},
        TUtf8Case{"\xED\xBF\xBF", true}, TUtf8Case{"\xEF\xBF\xBF", true},
        TUtf8Case{"\xE1\xC0\x80", false}, TUtf8Case{"\xE1\x80\x7F", false},
        // Four-byte units: F0 needs 90 or above, F4 at most 8F.
        TUtf8Case{"\xF0\x90\x80\x80", true}, TUtf8Case{"\xF0\x8F\xBF\xBF", false},
        TUtf8Case{"\xF3\xBF\xBF\xBF", true}, TUtf8Case{"\xF4\x8F\xBF\xBF", true},
        TUtf8Case{"\xF4\x90\x80\x80", false}, TUtf8Case{"\xF5\x80\x80\x80", false},
        // Lead bytes that start no unit, and units cut off by the end.
        TUtf8Case{"\xE9", false}, TUtf8Case{"\x80", false}, TUtf8Case{"\xBF", false},
        TUtf8Case{"\xFF", false}, TUtf8Case{"\xC3", false}, TUtf8Case{"\xE1\x80", false},
        TUtf8Case{"\xF0\x90\x80", false}, TUtf8Case{"ok\xC3\xA9\xC3", false},
        TUtf8Case{"\xC3\x41", false},
        // A zero byte is an ordinary single-byte unit.
        TUtf8Case{std::string_view("\xC3\xA9\0x", 4), true}));

struct TBodyCase {
  const char* name;
  std::string_view body;
  std::u16string_view text;
};

class DecodeUrlBodyTest : public testing::TestWithParam<TBodyCase> {};

TEST_P(DecodeUrlBodyTest, GivesTheText) {
  EXPECT_EQ(DecodeUrlBody(GetParam().body), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, DecodeUrlBodyTest,
    testing::Values(TBodyCase{"Empty", "", u""},
                    // Byte-order marks, which are skipped.
                    TBodyCase{"Utf8MarkAlone", "\xEF\xBB\xBF", u""},
                    TBodyCase{"Utf8MarkAndAbc",
                              "\xEF\xBB\xBF"
                              "abc",
                              u"abc"},
                    TBodyCase{"Utf8MarkAndAccent", "\xEF\xBB\xBF\xC3\xA9", u"\u00E9"},
                    TBodyCase{"Utf16LeMarkAlone", "\xFF\xFE", u""},
                    TBodyCase{"Utf16LeOddByteDropped",
                              std::string_view("\xFF\xFE"
                                               "A\0B",
                                               5),
                              u"A"},
                    TBodyCase{"Utf16LeAccent", std::string_view("\xFF\xFE\xE9\0", 4), u"\u00E9"},
                    TBodyCase{"Utf16BeOddByteDropped", std::string_view("\xFE\xFF\0AB", 5), u"A"},
                    TBodyCase{"Utf16BeSurrogatePair", std::string_view("\xFE\xFF\xD8\x3D\xDE\0", 6),
                              u"\U0001F600"},
                    // An incomplete mark is no mark, nor UTF-8.
                    TBodyCase{"Utf8MarkCutOff", "\xEF\xBB", u"\u00EF\u00BB"},
                    // Without a mark: UTF-8 when the test passes, else the ANSI code page.
                    TBodyCase{"Utf8Accent", "\xC3\xA9", u"\u00E9"},
                    TBodyCase{"AnsiAccent", "\xE9", u"\u00E9"},
                    TBodyCase{"AnsiEuro", "\x80", u"\u20AC"}, TBodyCase{"Ascii", "abc", u"abc"},
                    // Only the bytes before the first zero take part in the test.
                    TBodyCase{"Utf8BeforeZero", std::string_view("\xC3\xA9\0A", 4),
                              std::u16string_view(u"\u00E9\0A", 3)},
                    TBodyCase{"LeadingZeroIsAnsi", std::string_view("\0\xC3\xA9", 3),
                              std::u16string_view(u"\0\u00C3\u00A9", 3)},
                    TBodyCase{"AnsiBeforeZero", std::string_view("\xE9\0\xC3\xA9", 4),
                              std::u16string_view(u"\u00E9\0\u00C3\u00A9", 4)}),
    [](const testing::TestParamInfo<TBodyCase>& info) { return info.param.name; });

// Encoded surrogates pass the UTF-8 test, so the converter substitutes them
// instead of the ANSI code page giving three characters.
TEST(DecodeUrlBody, EncodedSurrogateGoesToTheUtf8Converter) {
  const std::u16string text = DecodeUrlBody("\xED\xA0\x80");
  EXPECT_EQ(text, PlatformUtf8ToUtf16("\xED\xA0\x80"));
  EXPECT_NE(text, AnsiToUtf16("\xED\xA0\x80"));
}

}  // namespace
