#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

using namespace vt;

namespace {

QuestionRecord Plain()
{
    return {u"4", u"Столица Франции?", {u"Париж", u"Лион", u"Ницца", u"Марсель", u" "}, u"0"};
}

std::u16string LimitError(const QuestionBase& base)
{
    try {
        CheckBaseLimits(base);
    } catch (const Error& e) {
        return e.Message();
    }
    return {};
}

TEST(BaseLimits, EmptyRoundAndIndexAreWrittenAsOneBar)
{
    QuestionRecord record = Plain();
    record.round = u"";
    record.correct = u"";
    const Bytes file = WriteToBytes(BaseOf({record, Plain()}));
    ASSERT_EQ(file.size(), 10 + 2 * 914u) << "every record keeps its width";
    QuestionBase base;
    EXPECT_EQ(ReadInto(file, base), u"");
    EXPECT_EQ(base.Entry(0), u"|") << "the round code unit is read unchanged";
    EXPECT_EQ(base.Entry(7), u"");
    EXPECT_EQ(base.Record(1), Plain());
}

TEST(BaseLimits, NumbersFromZeroToNineAreWrittenAsOneDigit)
{
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"03", u"3"}, {u"+3", u"3"}, {u" 3", u"3"},  {u"  05", u"5"},
        {u"$9", u"9"}, {u"-0", u"0"}, {u"0x4", u"4"},
    };
    for (const auto& [text, digit] : cases) {
        QuestionRecord record = Plain();
        record.round = text;
        record.correct = text;
        const Bytes file = WriteToBytes(BaseOf({record}));
        ASSERT_EQ(file.size(), 924u) << ToUtf8(text);
        QuestionBase base;
        EXPECT_EQ(ReadInto(file, base), u"");
        EXPECT_EQ(base.Entry(0), digit);
        EXPECT_EQ(base.Entry(7), digit);
    }
}

TEST(BaseLimits, FieldsBeyondTheFormatAreRefusedWithTheirQuestionAndField)
{
    struct Case
    {
        int field;
        std::u16string text;
        std::u16string message;
    };
    const std::u16string prefix = u"Question 2 cannot be saved: ";
    const Case cases[] = {
        {FieldRound, u"12", u"its round \"12\" does not fit the file's one-character field"},
        {FieldRound, u"-1", u"its round \"-1\" does not fit the file's one-character field"},
        {FieldRound, u"3 ", u"its round \"3 \" does not fit the file's one-character field"},
        {FieldRound, u"\U0001F600", u"its round \"\U0001F600\" does not fit the file's one-character field"},
        {FieldRound, std::u16string(30, u'7'),
         u"its round \"77777777777777777777\u2026\" does not fit the file's one-character field"},
        {FieldCorrect, u"10",
         u"its correct answer number \"10\" does not fit the file's one-character field"},
        {FieldQuestion, std::u16string(256, u'ы'),
         u"its question text is 256 characters long, the file holds at most 255"},
        {FieldAnswer0, std::u16string(41, u'a'),
         u"its answer 0 is 41 characters long, the file holds at most 40"},
        {FieldAnswer0 + 4, std::u16string(300, u'a'),
         u"its answer 4 is 300 characters long, the file holds at most 40"},
    };
    for (const auto& c : cases) {
        QuestionBase base = BaseOf({Plain(), Plain(), Plain(), Plain()});
        base.Replace(2 * EntriesPerQuestion + c.field, c.text);
        EXPECT_EQ(LimitError(base), prefix + c.message);
        MemoryOutputStream out;
        int notified = 0;
        try {
            WriteBase(base, out, [&](int) { ++notified; });
            ADD_FAILURE() << "written: " << ToUtf8(c.message);
        } catch (const Error& e) {
            EXPECT_EQ(e.Message(), prefix + c.message);
        }
        EXPECT_TRUE(out.Bytes().empty()) << "nothing at all is written";
        EXPECT_EQ(notified, 0);
    }
}

TEST(BaseLimits, FullWidthFieldsAreAccepted)
{
    QuestionRecord record = Plain();
    record.question = std::u16string(255, u'я');
    record.answers[3] = std::u16string(40, u'я');
    EXPECT_EQ(LimitError(BaseOf({record})), u"");
}

TEST(BaseLimits, AtMost99999QuestionsAreWritten)
{
    QuestionBase base;
    base.Reserve(100000 * EntriesPerQuestion);
    for (int k = 0; k < 99999; ++k)
        base.AppendRecord({u"1", u"q", {u"a", u"b", u" ", u" ", u" "}, u"0"});
    EXPECT_EQ(LimitError(base), u"");
    base.AppendRecord({u"1", u"q", {u"a", u"b", u" ", u" ", u" "}, u"0"});
    const std::u16string message =
        u"The base cannot be saved: it holds 100000 questions, the file holds at most 99999";
    EXPECT_EQ(LimitError(base), message);
    FailingOutputStream out(0); // any write would fail with another message
    try {
        WriteBase(base, out);
        ADD_FAILURE() << "written";
    } catch (const Error& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

} // namespace
