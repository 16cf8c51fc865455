#include "Utf.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

struct ValidCase {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ValidCase& c, std::ostream* os) {
    *os << c.name;
}

class ValidUtfTest : public testing::TestWithParam<ValidCase> {};

TEST_P(ValidUtfTest, ConvertsBothWays) {
    const ValidCase& c = GetParam();
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
}

const ValidCase kValidCases[] = {
    {"Empty", "", u""},
    {"Ascii", "/data/users01.dbf", u"/data/users01.dbf"},
    {"TwoBytes", "caf\xC3\xA9", u"caf\u00E9"},
    {"ThreeBytes", "\xE2\x82\xAC", u"\u20AC"},
    {"LastBeforeSurrogates", "\xED\x9F\xBF", u"\uD7FF"},
    {"FourBytesBecomeASurrogatePair", "\xF0\x9D\x84\x9E", u"\U0001D11E"},
    {"HighestCodePoint", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
};

INSTANTIATE_TEST_SUITE_P(Table, ValidUtfTest, testing::ValuesIn(kValidCases),
                         [](const testing::TestParamInfo<ValidCase>& info) {
                             return std::string(info.param.name);
                         });

struct InvalidCase {
    const char* name;
    std::string utf8;
};

void PrintTo(const InvalidCase& c, std::ostream* os) {
    *os << c.name;
}

class InvalidUtf8Test : public testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidUtf8Test, IsRefused) {
    EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), std::nullopt);
}

const InvalidCase kInvalidCases[] = {
    {"CutSequence", "ab\xC3"},
    {"CutFourByteSequence", "\xF0\x9D\x84"},
    {"LoneContinuation", "\x80"},
    {"BadContinuation", "\xE2\x28\xA1"},
    {"OverlongSlash", "\xC0\xAF"},
    {"OverlongThreeBytes", "\xE0\x80\xAF"},
    {"EncodedSurrogate", "\xED\xA0\x80"},
    {"AboveHighestCodePoint", "\xF4\x90\x80\x80"},
    {"InvalidLeadByte", "\xFF"},
    {"Latin1Name", "caf\xE9.dbf"},
};

INSTANTIATE_TEST_SUITE_P(Table, InvalidUtf8Test, testing::ValuesIn(kInvalidCases),
                         [](const testing::TestParamInfo<InvalidCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(Utf16ToUtf8Test, ReplacesUnpairedSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD"
                                                                         "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00), u'b'}), "\xEF\xBF\xBD"
                                                                   "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xDBFF)}), "a\xEF\xBF\xBD");
}

} // namespace
} // namespace vorn
