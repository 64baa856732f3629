#include "base/QuestionBase.h"
#include "text/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

using namespace vt;

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
            EXPECT_EQ(RoundUsesAnswer(round, n), n < AnswersOfRound(round));
            EXPECT_EQ(AnswerEnabled(round, n), n < AnswersOfRound(round));
        }
    // Outside 1..5 the answers used and the boxes enabled part ways.
    EXPECT_FALSE(RoundUsesAnswer(0, 4));
    EXPECT_TRUE(AnswerEnabled(0, 4));
    EXPECT_TRUE(RoundUsesAnswer(9, 4));
    EXPECT_TRUE(AnswerEnabled(-3, 2));
}

// The repeat check against the plain scan it replaces, through appends (also
// entry by entry), replaces of any field, swaps and clears.
TEST(QuestionBase, RepeatCheckFollowsEveryChange)
{
    const std::u16string texts[] = {u"Небо?", u"небо?", u"Небо? ", u"", u" ", u"Море?", u"3"};
    const auto scan = [](const QuestionBase& base, std::u16string_view text) {
        for (int k = 0; k < base.QuestionCount(); ++k)
            if (base.Entry(k * EntriesPerQuestion + FieldQuestion) == text)
                return k;
        return -1;
    };
    std::uint32_t random = 12345;
    const auto next = [&random](std::uint32_t n) {
        random = random * 1103515245u + 12345u;
        return (random >> 8) % n;
    };
    QuestionBase base;
    QuestionBase other;
    other.AppendRecord(Sample(u"Море?"));
    for (int step = 0; step < 3000; ++step) {
        const std::u16string& text = texts[next(std::size(texts))];
        switch (next(10)) {
        case 0:
        case 1:
        case 2:
            base.AppendRecord(Sample(text));
            break;
        case 3:
            base.Append(text);
            break;
        case 4:
            if (base.EntryCount() > 0)
                base.Append(
                    base.Entry(static_cast<int>(next(static_cast<std::uint32_t>(base.EntryCount())))));
            break;
        case 5:
        case 6:
        case 7:
            if (base.EntryCount() > 0)
                base.Replace(static_cast<int>(next(static_cast<std::uint32_t>(base.EntryCount()))), text);
            break;
        case 8:
            if (step % 7 == 0)
                base.Swap(other);
            break;
        default:
            if (step % 97 == 0)
                base.Clear();
        }
        for (const auto& sought : texts)
            ASSERT_EQ(FindQuestionText(base, sought), scan(base, sought)) << "step " << step;
    }
}

TEST(QuestionBase, EntriesSurviveGrowthAndReplacing)
{
    QuestionBase base;
    std::vector<std::u16string> expected;
    for (int n = 0; n < 4000; ++n) {
        if (n % 3 == 2) {
            base.Append(base.Entry(n - 1)); // a text of the base itself, while the buffer grows
            expected.push_back(expected.back());
        } else {
            expected.push_back(std::u16string(static_cast<std::size_t>(n % 50), char16_t(u'а' + n % 32)));
            base.Append(expected.back());
        }
    }
    // Enough longer texts to drop the replaced ones from the buffer more than once.
    for (int round = 0; round < 3000; ++round) {
        const int n = (round * 7919) % 4000;
        expected[static_cast<std::size_t>(n)] = std::u16string(255 + round % 3, char16_t(u'A' + round % 26));
        base.Replace(n, expected[static_cast<std::size_t>(n)]);
        base.Replace((n + 1) % 4000, base.Entry(n));
        expected[static_cast<std::size_t>((n + 1) % 4000)] = expected[static_cast<std::size_t>(n)];
    }
    ASSERT_EQ(base.EntryCount(), 4000);
    for (int n = 0; n < 4000; ++n)
        ASSERT_EQ(base.Entry(n), expected[static_cast<std::size_t>(n)]) << n;
}

} // namespace

// Texts are kept in one byte per code unit where they allow it and in UTF-16
// otherwise; each must read back unit for unit, whichever way it was kept and
// whatever it replaced.
TEST(QuestionBase, EveryTextReadsBackAsStored)
{
    const std::u16string mixed = u"Кто написал «Войну и мир»?";
    const std::u16string surrogates = {char16_t(0xD800), u'a', char16_t(0xDFFF)};
    const std::u16string windowEdges = {char16_t(0x47F), char16_t(0x400), u'\x7f', u'\0'};
    const std::u16string texts[] = {u"",
                                    u"What is the capital of France?",
                                    u"Какой город является столицей России? Ёлка, ёж.",
                                    u"Qu'est-ce que c'est, où ça?",
                                    mixed,
                                    u"日本の首都は?",
                                    surrogates,
                                    windowEdges,
                                    std::u16string(255, u'Ж'),
                                    std::u16string((std::size_t(1) << 18) + 3, u'я'),
                                    std::u16string((std::size_t(1) << 18) + 3, u'€')};
    QuestionBase base;
    for (const auto& text : texts)
        base.AppendRecord(Sample(text));
    const int count = static_cast<int>(std::size(texts));
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(base.Entry(k * 8 + 1), texts[k]) << k;
        EXPECT_EQ(FindQuestionText(base, texts[k]), k) << k;
    }
    // Views stay valid while ViewsKept of them are held.
    std::vector<std::u16string_view> views;
    for (int k = 0; k < QuestionBase::ViewsKept; ++k)
        views.push_back(base.Entry((k % count) * 8 + 1));
    for (int k = 0; k < QuestionBase::ViewsKept; ++k)
        EXPECT_EQ(views[static_cast<std::size_t>(k)], texts[k % count]) << k;
    // Each text replaced by each other one, in place or not.
    for (int a = 0; a < count; ++a) {
        for (int b = 0; b < count; ++b) {
            base.Replace(a * 8 + 1, texts[b]);
            ASSERT_EQ(base.Entry(a * 8 + 1), texts[b]) << a << " by " << b;
            ASSERT_EQ(base.Record((a + 1) % count).question, texts[(a + 1) % count]) << a << " by " << b;
            ASSERT_EQ(FindQuestionText(base, texts[b]), std::min(a, b)) << a << " by " << b;
        }
        base.Replace(a * 8 + 1, base.Entry((a + 1) % count * 8 + 1)); // a text of the base itself
        base.Replace(a * 8 + 1, texts[a]);
    }
    for (int k = 0; k < count; ++k)
        EXPECT_EQ(base.Record(k), Sample(texts[k])) << k;
}

// A text is looked at eight code units at a time and the rest one by one:
// one unit of another run, or at a run's edge, must be seen in every lane
// and in the rest, at every length.
TEST(QuestionBase, OneUnitDecidesHowATextIsKeptWhereverItLies)
{
    const char16_t others[] = {u'é', u'\x7f', u'\x80', u'ѐ', u'ҁ', char16_t(0xFFFF), char16_t(0xD800)};
    QuestionBase base;
    std::vector<std::u16string> texts;
    for (std::size_t length = 1; length <= 20; ++length)
        for (std::size_t p = 0; p < length; ++p)
            for (const char16_t other : others) {
                std::u16string text(length, u'я');
                text[p] = other;
                texts.push_back(text);
                base.AppendRecord(Sample(text));
            }
    for (std::size_t k = 0; k < texts.size(); ++k) {
        ASSERT_EQ(base.Entry(static_cast<int>(k) * 8 + 1), texts[k]) << k;
        ASSERT_EQ(FindQuestionText(base, texts[k]), static_cast<int>(k)) << k;
    }
}

// The questions appended last are put into the repeat check's chains in
// batches: replacing one before its batch is linked, with no look-up in
// between, must still leave every text found at its first question.
TEST(QuestionBase, ReplacingQuestionsNotYetLinkedKeepsTheRepeatCheck)
{
    const auto text = [](int k) { return u"Вопрос " + std::u16string(1, char16_t(u'а' + k % 29)) +
                                         std::u16string(static_cast<std::size_t>(k / 29), u'!'); };
    QuestionBase base;
    std::vector<std::u16string> texts;
    for (int k = 0; k < 1300; ++k) {
        texts.push_back(text(k));
        base.AppendRecord(Sample(texts.back()));
        // Every 97th replaced by an earlier text, every 89th by a new one,
        // whether or not its batch is linked yet.
        if (k % 97 == 96) {
            texts[static_cast<std::size_t>(k)] = texts[static_cast<std::size_t>(k / 2)];
            base.Replace(k * 8 + 1, texts[static_cast<std::size_t>(k)]);
        } else if (k % 89 == 88) {
            texts[static_cast<std::size_t>(k)] = u"новый " + texts[static_cast<std::size_t>(k)];
            base.Replace(k * 8 + 1, texts[static_cast<std::size_t>(k)]);
        }
    }
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const auto first = std::find(texts.begin(), texts.end(), texts[k]) - texts.begin();
        ASSERT_EQ(FindQuestionText(base, texts[k]), first) << k;
    }
    EXPECT_EQ(FindQuestionText(base, u"нет такого"), -1);
}
