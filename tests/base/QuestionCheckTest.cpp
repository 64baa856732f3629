#include "base/QuestionCheck.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vt;

namespace {

QuestionRow Row(std::u16string round, std::u16string question, std::vector<std::u16string> answers,
                std::u16string correct, int line = 2)
{
    QuestionRow row;
    row.place = u"line " + Decimal(line);
    row.line = line;
    row.round = std::move(round);
    row.question = std::move(question);
    for (std::size_t n = 0; n < answers.size(); ++n)
        row.answers[n] = std::move(answers[n]);
    row.correct = std::move(correct);
    return row;
}

// Findings as lines of output for a file named "f", in UTF-8 to read well.
std::vector<std::string> Texts(const Findings& findings)
{
    std::vector<std::string> lines;
    for (const Finding& finding : findings)
        lines.push_back(ToUtf8(finding.Text(u"f")));
    return lines;
}

struct RowCase
{
    const char* name;
    QuestionRow row;
    std::vector<std::string> findings;
};

TEST(QuestionCheck, EachFaultOfARowIsOneFinding)
{
    const std::u16string q255(255, u'я');
    const std::u16string a40(40, u'ж');
    const std::string bar = "holds a bar \"|\", which a base file cannot store";
    const std::vector<RowCase> cases = {
        {"sound round 1", Row(u"1", u"q", {u"a", u"b"}, u"1"), {}},
        {"sound round 5 at the limits", Row(u"5", q255, {a40, a40, a40, a40, a40}, u"4"), {}},
        {"one blank is filled", Row(u"2", u" ", {u" ", u" ", u" "}, u"2"), {}},
        {"round 0", Row(u"0", u"q", {u"a", u"b"}, u"0"), {"f:2: round \"0\" is not 1 to 5"}},
        {"round 12", Row(u"12", u"q", {u"a", u"b"}, u"0"), {"f:2: round \"12\" is not 1 to 5"}},
        {"empty round", Row(u"", u"q", {u"a", u"b"}, u"0"), {"f:2: round \"\" is not 1 to 5"}},
        {"bad round and bad index",
         Row(u"9", u"q", {u"a", u"b"}, u"5"),
         {"f:2: round \"9\" is not 1 to 5", "f:2: correct answer \"5\" is not 0 to 4"}},
        {"empty question", Row(u"1", u"", {u"a", u"b"}, u"0"), {"f:2: the question text is empty"}},
        {"needed answer empty",
         Row(u"3", u"q", {u"a", u"b", u"c", u""}, u"0"),
         {"f:2: answer 3 is empty; round 3 needs answers 0 to 3"}},
        {"answer 1 empty in round 1",
         Row(u"1", u"q", {u"a", u""}, u"0"),
         {"f:2: answer 1 is empty; round 1 needs answers 0 to 1"}},
        {"unused answers may hold anything",
         Row(u"2", u"q", {u"a", u"b", u"c", std::u16string(50, u'x'), u"|"}, u"2"),
         {}},
        {"index beyond the round",
         Row(u"2", u"q", {u"a", u"b", u"c"}, u"3"),
         {"f:2: correct answer \"3\" is not 0 to 2, the answers of round 2"}},
        {"index not a digit",
         Row(u"4", u"q", {u"a", u"b", u"c", u"d", u"e"}, u""),
         {"f:2: correct answer \"\" is not 0 to 4, the answers of round 4"}},
        {"question too long",
         Row(u"1", q255 + u"я", {u"a", u"b"}, u"0"),
         {"f:2: the question text is 256 code units long, at most 255 fit"}},
        {"surrogate pair counts two",
         Row(u"1", u"q", {std::u16string(39, u'a') + u"\U0001F600", u"b"}, u"0"),
         {"f:2: answer 0 is 41 code units long, at most 40 fit"}},
        {"bars",
         Row(u"1", u"a|b", {u"a", u"|"}, u"0"),
         {"f:2: the question text " + bar, "f:2: answer 1 " + bar}},
        // A text that looks like a placeholder is quoted as it is.
        {"placeholders in texts",
         Row(u"2", u"q", {u"a", u"b", u"c"}, u"%1"),
         {"f:2: correct answer \"%1\" is not 0 to 2, the answers of round 2"}},
        {"placed by its place without a line",
         [] {
             QuestionRow row = Row(u"7", u"q", {u"a", u"b"}, u"0", 0);
             row.place = u"item 3";
             return row;
         }(),
         {"f: item 3: round \"7\" is not 1 to 5"}},
    };
    for (const RowCase& c : cases) {
        Findings found;
        CheckQuestionRow(c.row, found);
        EXPECT_EQ(Texts(found), c.findings) << c.name;
    }
}

TEST(QuestionCheck, BuildStoresWhatAddingStores)
{
    const BuiltBase built = BuildQuestionBase({Row(u"2", u"Небо?", {u"a", u"b", u"c", u" "}, u"2")});
    EXPECT_EQ(Texts(built.findings), std::vector<std::string>{});
    ASSERT_EQ(built.base.QuestionCount(), 1);
    EXPECT_EQ(built.base.Record(0), (QuestionRecord{u"2", u"Небо?", {u"a", u"b", u"c", u" ", u" "}, u"2"}));
}

TEST(QuestionCheck, RepeatsNameTheFirstQuestionWithTheText)
{
    // Letter case and blanks count; the round does not.
    const std::vector<QuestionRow> rows{
        Row(u"1", u"q", {u"a", u"b"}, u"0", 2), Row(u"1", u"Q", {u"a", u"b"}, u"0", 3),
        Row(u"1", u"q ", {u"a", u"b"}, u"0", 4), Row(u"2", u"q", {u"a", u"b", u"c"}, u"0", 5),
        Row(u"1", u"q", {u"a", u"b"}, u"1", 6)};
    const BuiltBase built = BuildQuestionBase(rows);
    EXPECT_EQ(Texts(built.findings), (std::vector<std::string>{"f:5: the question text repeats line 2",
                                                               "f:6: the question text repeats line 2"}));
    EXPECT_EQ(built.base.EntryCount(), 0);
}

TEST(QuestionCheck, RepeatsAreFoundAlikeWithoutTheRows)
{
    // Enough rows for the table of texts to grow several times, or, made
    // room for beforehand, to stay as it is; every third text is one of the
    // first hundred again.
    RowChecker kept;
    RowChecker texts(false);
    RowChecker reserved(false);
    reserved.Reserve(5000);
    Findings fromKept;
    Findings fromTexts;
    Findings fromReserved;
    for (int k = 0; k < 5000; ++k) {
        const QuestionRow row =
            Row(u"1", u"q" + Decimal(k % 3 == 0 ? k % 100 : k), {u"a", u"b"}, u"0", k + 2);
        kept.Check(row, fromKept);
        texts.Check(row, fromTexts);
        reserved.Check(row, fromReserved);
    }
    EXPECT_EQ(Texts(fromTexts), Texts(fromKept));
    EXPECT_EQ(Texts(fromReserved), Texts(fromKept));
    EXPECT_GT(fromKept.size(), std::size_t(1600));
    EXPECT_EQ(texts.Rows().EntryCount(), 0);
}

TEST(QuestionCheck, BuildRefusesMoreQuestionsThanABaseHolds)
{
    BaseBuilder builder;
    for (int i = 0; i < MaxBaseQuestions; ++i)
        builder.Add(Row(u"1", Decimal(i), {u"a", u"b"}, u"0"));
    EXPECT_FALSE(builder.Full());
    BaseBuilder full = builder;
    full.Add(Row(u"1", u"one more", {u"a", u"b"}, u"0"));
    EXPECT_TRUE(full.Full());
    EXPECT_EQ(Texts(full.Finish().findings),
              std::vector<std::string>{"f: more than 99999 questions, a base file holds at most 99999"});
    EXPECT_EQ(builder.Finish().base.QuestionCount(), MaxBaseQuestions);
}

TEST(QuestionCheck, FindingsBeyondTheFirstHundredAreCounted)
{
    BaseBuilder builder;
    builder.AddInputFinding(FindingAt(Row(u"1", u"", {}, u"", 1), u"the input's own"));
    for (int i = 0; i < 150; ++i)
        builder.Add(Row(u"9", u"q" + Decimal(i), {u"a", u"b"}, u"0", i + 2)); // one finding each
    const BuiltBase built = builder.Finish();
    ASSERT_EQ(built.findings.size(), KeptFindings);
    EXPECT_EQ(built.findingCount, 151u);
    EXPECT_EQ(ToUtf8(built.findings.front().message), "the input's own") << "the input's findings come first";
    EXPECT_EQ(built.findings.back().line, 100) << "then the rows' in order";

    // The count that ends reading is shown whatever comes before it.
    BaseBuilder full;
    for (int i = 0; i <= MaxBaseQuestions; ++i)
        full.Add(Row(u"9", Decimal(i), {u"a", u"b"}, u"0"));
    const BuiltBase over = full.Finish();
    ASSERT_EQ(over.findings.size(), KeptFindings);
    EXPECT_EQ(over.findingCount, std::size_t(MaxBaseQuestions) + 2);
    EXPECT_EQ(ToUtf8(over.findings.back().message),
              "more than 99999 questions, a base file holds at most 99999");
}

TEST(QuestionCheck, AnswersFilledBeyondTheRoundWouldBeLost)
{
    const AnswerKey column{u"column answer", u""};
    const std::vector<RowCase> cases = {
        {"round 1, answer 2",
         Row(u"1", u"q", {u"a", u"b", u"c"}, u"0"),
         {"f:2: column answer2 is filled, but round 1 uses answers 0 to 1 only; the base would lose it"}},
        {"round 3, answer 4",
         Row(u"3", u"q", {u"a", u"b", u"c", u"d", u" x"}, u"0"),
         {"f:2: column answer4 is filled, but round 3 uses answers 0 to 3 only; the base would lose it"}},
        {"one blank is what the base stores", Row(u"2", u"q", {u"a", u"b", u"c", u" ", u" "}, u"0"), {}},
        {"round 5 uses all", Row(u"5", u"q", {u"a", u"b", u"c", u"d", u"e"}, u"0"), {}},
    };
    for (const RowCase& c : cases) {
        const BuiltBase built = BuildQuestionBase({c.row}, column);
        EXPECT_EQ(Texts(built.findings), c.findings) << c.name;
        EXPECT_EQ(built.base.QuestionCount(), c.findings.empty() ? 1 : 0) << c.name;
    }
}

} // namespace
