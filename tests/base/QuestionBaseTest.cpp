#include "QuestionBase.h"
#include "Error.h"

#include <gtest/gtest.h>

namespace {

std::u16string ErrorOf(auto&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.Message();
    }
    return u"(no error)";
}

QuestionRecord Sample(const std::u16string& question)
{
    return {u"3", question, {u"a", u"b", u"c", u"d", u" "}, u"0"};
}

TEST(QuestionBase, AppendsWholeQuestionsAndCountsThem)
{
    QuestionBase base;
    EXPECT_EQ(base.EntryCount(), 0);
    EXPECT_EQ(base.QuestionCount(), 0);
    base.AppendRecord(Sample(u"first"));
    base.AppendRecord(Sample(u"second"));
    EXPECT_EQ(base.EntryCount(), 16);
    EXPECT_EQ(base.QuestionCount(), 2);
    EXPECT_EQ(base.Entry(9), u"second");
    EXPECT_EQ(base.Record(1), Sample(u"second"));
    base.Append(u"stray");
    EXPECT_EQ(base.QuestionCount(), 2) << "a partial question is not counted";
    base.Clear();
    EXPECT_EQ(base.EntryCount(), 0);
    base.AppendRecord(Sample(u"again"));
    EXPECT_EQ(base.Entry(1), u"again");
}

TEST(QuestionBase, ReplaceTouchesOneEntry)
{
    QuestionBase base;
    base.AppendRecord(Sample(u"q0"));
    base.AppendRecord(Sample(u"q1"));
    base.Replace(9, u"Вопрос");
    EXPECT_EQ(base.Entry(9), u"Вопрос");
    EXPECT_EQ(base.Record(0), Sample(u"q0"));
}

TEST(QuestionBase, BoundsErrorsNameThePosition)
{
    QuestionBase base;
    EXPECT_EQ(ErrorOf([&] { base.Entry(0); }), u"List index out of bounds (0)");
    EXPECT_EQ(ErrorOf([&] { base.Entry(-1); }), u"List index out of bounds (-1)");
    base.AppendRecord(Sample(u"q0"));
    EXPECT_EQ(ErrorOf([&] { base.Entry(8); }), u"List index out of bounds (8)");
    EXPECT_EQ(ErrorOf([&] { base.Replace(24, u"x"); }), u"List index out of bounds (24)");
    EXPECT_EQ(ErrorOf([&] { base.Record(1); }), u"List index out of bounds (8)");
    EXPECT_EQ(base.Record(0), Sample(u"q0")) << "a failed replace changes nothing";
}

TEST(QuestionBase, LabelAndRoundRules)
{
    EXPECT_EQ(QuestionLabel(0, u"Небо?"), u"0. Небо?");
    EXPECT_EQ(QuestionLabel(12, u""), u"12. ");
    const int counts[] = {0, 2, 3, 4, 5, 5, 0};
    for (int round = 0; round <= 6; ++round)
        EXPECT_EQ(AnswersOfRound(round), counts[round]) << round;
    for (int round = 1; round <= 5; ++round)
        for (int n = 0; n < 5; ++n) {
            EXPECT_EQ(AnswerRequired(round, n), n < AnswersOfRound(round));
            EXPECT_EQ(AnswerKept(round, n), n < AnswersOfRound(round));
            EXPECT_EQ(AnswerEnabled(round, n), n < AnswersOfRound(round));
        }
    // Outside 1..5 the three rules part ways.
    EXPECT_FALSE(AnswerRequired(0, 2));
    EXPECT_FALSE(AnswerKept(0, 2));
    EXPECT_TRUE(AnswerEnabled(0, 4));
    EXPECT_TRUE(AnswerRequired(9, 4));
    EXPECT_TRUE(AnswerEnabled(-3, 2));
}

} // namespace
