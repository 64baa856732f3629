#include "text/Error.h"
#include "text/ErrorReport.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vt;

namespace {

std::exception_ptr Make(const std::u16string& message, std::exception_ptr inner = nullptr)
{
    return std::make_exception_ptr(Error(message, inner));
}

TEST(Error, InnermostNonEmptyMessageWins)
{
    auto innermost = Make(u"Stream read error");
    auto middle = Make(u"", innermost);
    auto outer = Make(u"Outer", middle);
    EXPECT_EQ(InnermostMessage(outer), u"Stream read error");
    EXPECT_EQ(InnermostMessage(Make(u"Outer", Make(u""))), u"Outer");
    EXPECT_EQ(InnermostMessage(std::make_exception_ptr(std::runtime_error("plain"))), u"plain");
    EXPECT_EQ(InnermostMessage(std::make_exception_ptr(42)), u"");
}

TEST(Error, FullStopRule)
{
    EXPECT_EQ(WithFullStop(u"abc"), u"abc.");
    EXPECT_EQ(WithFullStop(u"7"), u"7.");
    EXPECT_EQ(WithFullStop(u"why?"), u"why?.");
    EXPECT_EQ(WithFullStop(u"note:"), u"note:.");
    EXPECT_EQ(WithFullStop(u"done."), u"done.");
    EXPECT_EQ(WithFullStop(u"wow!"), u"wow!");
    EXPECT_EQ(WithFullStop(u"(x)"), u"(x)");
    EXPECT_EQ(WithFullStop(u"a,"), u"a,");
    EXPECT_EQ(WithFullStop(u"a-"), u"a-");
    EXPECT_EQ(WithFullStop(u"\"q\""), u"\"q\"");
    EXPECT_EQ(WithFullStop(u"trailing "), u"trailing ");
    EXPECT_EQ(WithFullStop(u""), u"");
    EXPECT_EQ(WithFullStop(u"Ошибка"), u"Ошибка.");
}

TEST(Error, Utf8OfLoneSurrogateIsReplacement)
{
    Error e(std::u16string(u"a") + char16_t(0xD800) + u"b");
    EXPECT_STREQ(e.what(), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(FromUtf8(ToUtf8(u"Верталина \U0001F600")), u"Верталина \U0001F600");
    EXPECT_EQ(FromUtf8("\xFF" "a"), u"\uFFFD" u"a");
}

TEST(ErrorReport, GuardReportsAndSwallows)
{
    std::u16string seen;
    auto previous = SetErrorReporter([&](std::exception_ptr e) { seen = MessageOf(e); });
    EXPECT_FALSE(Guard([] { throw Error(u"boom"); }));
    EXPECT_EQ(seen, u"boom");
    EXPECT_TRUE(Guard([] {}));
    SetErrorReporter(previous);
}

} // namespace
