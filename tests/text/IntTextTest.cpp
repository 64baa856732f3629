#include "text/IntText.h"
#include "text/Error.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace vt;

namespace {

struct Accepted
{
    const char16_t* text;
    std::int32_t value;
};

class StrToIntAccepts : public testing::TestWithParam<Accepted>
{
};

TEST_P(StrToIntAccepts, ReadsTheValue)
{
    const Accepted& row = GetParam();
    EXPECT_EQ(StrToInt(row.text), row.value) << ToUtf8(row.text);
    std::int32_t value = 12345;
    EXPECT_TRUE(TryStrToInt(row.text, value));
    EXPECT_EQ(value, row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrToIntAccepts,
    testing::Values(Accepted{u"0", 0}, Accepted{u"4", 4}, Accepted{u"03", 3}, Accepted{u"+3", 3},
                    Accepted{u" 3", 3}, Accepted{u"   -17", -17}, Accepted{u"$3", 3}, Accepted{u"  12", 12},
                    Accepted{u"$1F", 31}, Accepted{u"x1f", 31}, Accepted{u"X1F", 31}, Accepted{u"0x1F", 31},
                    Accepted{u"0X1f", 31}, Accepted{u"-$10", -16}, Accepted{u"2147483647", 2147483647},
                    Accepted{u"-2147483648", INT32_MIN}, Accepted{u"0000000000002147483647", 2147483647},
                    Accepted{u"-0", 0}, Accepted{u"$FFFFFFFF", -1}, Accepted{u"$80000000", INT32_MIN},
                    Accepted{u"-$FFFFFFFF", 1}, Accepted{u"-$80000000", INT32_MIN},
                    Accepted{u"$0000000000FFFFFFFF", -1}, Accepted{u"$7FFFFFFF", 2147483647},
                    Accepted{u"0x0", 0}, Accepted{u" +0x10", 16}));

class StrToIntRefuses : public testing::TestWithParam<const char16_t*>
{
};

TEST_P(StrToIntRefuses, WithTheMessage)
{
    const std::u16string text = GetParam();
    try {
        StrToInt(text);
        FAIL() << "accepted " << ToUtf8(text);
    } catch (const Error& e) {
        // The text is quoted as it may be shown: a tab as "\t".
        EXPECT_EQ(e.Message(), u"''" + ShownText(text) + u"'' is not a valid integer value");
        EXPECT_EQ(text == u"\t3", e.Message() == u"''\\t3'' is not a valid integer value");
    }
    std::int32_t value = 77;
    EXPECT_FALSE(TryStrToInt(text, value));
}

INSTANTIATE_TEST_SUITE_P(Table, StrToIntRefuses,
                         testing::Values(u"", u" ", u"     ", u"+", u"-", u"$", u"x", u"0x", u"3 ", u"3,",
                                         u"3.", u"1e3", u"\t3", u"\u00A03", u"+-3", u"--3", u"- 3",
                                         u"2147483648", u"-2147483649", u"99999999999", u"$100000000",
                                         u"$123456789", u"0x1G", u"$-1", u"abc", u"7||||", u"$ 1", u"0$1",
                                         u"\uFF13"));

TEST(IntToStr, PlainDecimal)
{
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(IntToStr(457), u"457");
    EXPECT_EQ(IntToStr(-12), u"-12");
    EXPECT_EQ(IntToStr(2147483647), u"2147483647");
    EXPECT_EQ(IntToStr(INT32_MIN), u"-2147483648");
}

} // namespace
