#include "main/EditorCommands.h"
#include "base/QuestionBase.h"
#include "main/FileDialog.h"
#include "tests/main/InMemoryFields.h"
#include "tests/support/SystemTexts.h"
#include "text/Error.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

using namespace vt;

namespace {

const std::u16string Incomplete = u"Пожалуйста, заполните все поля";
const std::u16string Repeat = u"Неудачно: вопрос уже есть в базе! Попробуйте открыть его для редактирования";
const std::u16string Loaded = u"Вопрос загружен для редактирования";

std::u16string ErrorOf(auto&& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.Message();
    }
    return u"(no error)";
}

std::vector<std::u16string> Entries(const QuestionBase& base)
{
    std::vector<std::u16string> entries;
    for (int n = 0; n < base.EntryCount(); ++n)
        entries.emplace_back(base.Entry(n));
    return entries;
}

std::array<bool, 3> EnabledOptional(const InMemoryFields& fields)
{
    return {fields.enabled[2], fields.enabled[3], fields.enabled[4]};
}

std::ptrdiff_t PositionOf(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
}

// The main window and its base, with helpers for the operator's gestures.
struct Editor
{
    InMemoryFields fields;
    QuestionBase base;

    void Click() { Commands::btnAddClick(fields, base); }
    void DoubleClick(int line)
    {
        fields.SelectLine(line);
        Commands::qlistDblClick(fields, base);
    }
    // Types the round, the question and the answers, checks `correct` and
    // presses "Add Question".
    void Add(const std::u16string& round, const std::u16string& question,
             std::vector<std::u16string> answers = {u"a0", u"a1", u"a2", u"a3", u"a4"}, int correct = 0)
    {
        fields.TypeRound(round);
        fields.Fill(question, std::move(answers));
        fields.CheckAnswer(correct);
        Click();
    }
    // A base as a load leaves it: the records, their labels, no selection.
    void Load(const std::vector<QuestionRecord>& records)
    {
        base.Clear();
        fields.lines.clear();
        for (const auto& record : records) {
            fields.lines.push_back(QuestionLabel(base.QuestionCount(), record.question));
            base.AppendRecord(record);
        }
        fields.selected = -1;
    }
};

QuestionRecord Stored(const std::u16string& round, const std::u16string& question,
                      const std::u16string& correct = u"0")
{
    return {round, question, {u"s0", u"s1", u"s2", u"s3", u"s4"}, correct};
}

// Everything a command may change, apart from the call record.
void ExpectSameState(const Editor& before, const Editor& after)
{
    EXPECT_EQ(after.fields.question, before.fields.question);
    EXPECT_EQ(after.fields.answers, before.fields.answers);
    EXPECT_EQ(after.fields.roundText, before.fields.roundText);
    EXPECT_EQ(after.fields.checked, before.fields.checked);
    EXPECT_EQ(after.fields.enabled, before.fields.enabled);
    EXPECT_EQ(after.fields.lines, before.fields.lines);
    EXPECT_EQ(after.fields.selected, before.fields.selected);
    EXPECT_EQ(after.fields.log, before.fields.log);
    EXPECT_EQ(after.fields.roundChanges, before.fields.roundChanges);
    EXPECT_EQ(Entries(after.base), Entries(before.base));
}

// ---- LabelNumber ----------------------------------------------------------

TEST(LabelNumber, ReadsTheLeadingAsciiDigits)
{
    const struct
    {
        std::u16string label;
        std::int32_t number;
    } cases[] = {
        {u"0. Вопрос", 0}, {u"12. x", 12},
        {u"007. x", 7},    {u"2147483647. x", 2147483647},
        {u"Вопрос", 0},    {u"", 0},
        {u". 5", 0},       {u"3", 3},
        {u"45abc", 45},    {u" 5. x", 0},
        {u"\uff11. x", 0}, {u"\u0663. x", 0}, // full-width and Arabic-Indic digits are not digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(Commands::LabelNumber(c.label), c.number) << ToUtf8(c.label);
}

TEST(LabelNumber, AbsurdNumbersSaturateAndReachNoQuestion)
{
    constexpr auto max = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(Commands::LabelNumber(u"2147483648. x"), max);
    EXPECT_EQ(Commands::LabelNumber(u"99999999999999999999999999999999. x"), max);

    Editor editor;
    editor.Load({Stored(u"4", u"q0")});
    editor.fields.lines = {u"4294967296. x"}; // 8k would wrap to 0 in 32 bits
    editor.fields.selected = 0;
    const Editor before = editor;
    const std::u16string message = ErrorOf([&] { Commands::qlistDblClick(editor.fields, editor.base); });
    EXPECT_EQ(message.rfind(u"List index out of bounds (", 0), 0u);
    ExpectSameState(before, editor);
}

// ---- edRoundChange --------------------------------------------------------

TEST(RoundChange, DisablesByExactRoundValuesOneToThree)
{
    const struct
    {
        std::u16string round;
        std::array<bool, 3> enabled; // answers 2, 3, 4
    } cases[] = {
        {u"1", {false, false, false}}, {u"2", {true, false, false}},   {u"3", {true, true, false}},
        {u"4", {true, true, true}},    {u"5", {true, true, true}},     {u"0", {true, true, true}},
        {u"9", {true, true, true}},    {u"-2", {true, true, true}},    {u"03", {true, true, false}},
        {u"+2", {true, false, false}}, {u"$1", {false, false, false}},
    };
    for (const auto& c : cases) {
        Editor editor;
        // Start from the opposite extreme so that both directions are seen.
        editor.fields.TypeRound(c.enabled[2] ? u"1" : u"5");
        editor.fields.TypeRound(c.round);
        EXPECT_EQ(EnabledOptional(editor.fields), c.enabled) << "round " << ToUtf8(c.round);
        EXPECT_TRUE(editor.fields.enabled[0] && editor.fields.enabled[1]);
        EXPECT_EQ(editor.fields.roundText, c.round) << "a number is not rewritten";
    }
}

TEST(RoundChange, EnablesBeforeReadingTheValue)
{
    InMemoryFields fields;
    fields.calls.clear();
    Commands::edRoundChange(fields);
    EXPECT_EQ(fields.calls, (std::vector<std::string>{"SetAnswerEnabled(2,1)", "SetAnswerEnabled(3,1)",
                                                      "SetAnswerEnabled(4,1)", "RoundValue"}));
}

TEST(RoundChange, DisablingKeepsTextsAndCheckedAnswer)
{
    Editor editor;
    editor.fields.TypeRound(u"5");
    editor.fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    editor.fields.CheckAnswer(4);
    editor.fields.TypeRound(u"1");
    EXPECT_EQ(EnabledOptional(editor.fields), (std::array{false, false, false}));
    EXPECT_EQ(editor.fields.checked, 4);
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{u"a0", u"a1", u"a2", u"a3", u"a4"}));
}

TEST(RoundChange, NonNumberBecomesOneThroughANestedRun)
{
    for (const std::u16string text : {u"", u"-", u"abc", u"3 ", u"1,5"}) {
        InMemoryFields fields;
        fields.TypeRound(text);
        EXPECT_EQ(fields.roundText, u"1");
        EXPECT_EQ(fields.roundChanges, 2) << "the outer run and the one nested in its read";
        EXPECT_EQ(EnabledOptional(fields), (std::array{false, false, false}));
    }
}

// ---- FieldsComplete -------------------------------------------------------

TEST(FieldsComplete, RequiresAnswerNWhenRoundValueExceedsNMinusOne)
{
    const struct
    {
        std::u16string round;
        int emptyAnswer; // -1: none
        bool complete;
    } cases[] = {
        {u"1", 2, true},  {u"1", 0, false}, {u"1", 1, false}, {u"2", 2, false},  {u"2", 3, true},
        {u"3", 3, false}, {u"3", 4, true},  {u"4", 4, false}, {u"5", 4, false},  {u"5", -1, true},
        {u"0", 2, true},  {u"9", 4, false}, {u"03", 4, true}, {u"+3", 3, false},
    };
    for (const auto& c : cases) {
        InMemoryFields fields;
        fields.TypeRound(c.round);
        fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
        if (c.emptyAnswer >= 0)
            fields.answers[static_cast<std::size_t>(c.emptyAnswer)].clear();
        EXPECT_EQ(Commands::FieldsComplete(fields), c.complete)
            << "round " << ToUtf8(c.round) << ", empty answer " << c.emptyAnswer;
    }
}

TEST(FieldsComplete, OnlyTheEmptyTextIsEmpty)
{
    InMemoryFields fields;
    fields.TypeRound(u"1");
    fields.Fill(u" ", {u" ", u"  "});
    EXPECT_TRUE(Commands::FieldsComplete(fields)) << "blanks fill a box";
    fields.Fill(u"", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    EXPECT_FALSE(Commands::FieldsComplete(fields)) << "no question text";
}

TEST(FieldsComplete, ReadsRoundOnlyForAnEmptyOptionalAnswer)
{
    InMemoryFields fields;
    fields.roundText = u"abc"; // as if written without notification
    fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    EXPECT_TRUE(Commands::FieldsComplete(fields));
    EXPECT_EQ(std::count(fields.calls.begin(), fields.calls.end(), "RoundValue"), 0);
    EXPECT_EQ(fields.roundText, u"abc");
    fields.answers[1].clear();
    EXPECT_FALSE(Commands::FieldsComplete(fields));
    EXPECT_EQ(fields.roundText, u"abc") << "answers 0 and 1 are needed whatever the round";

    fields.answers[1] = u"a1";
    fields.answers[4].clear();
    EXPECT_TRUE(Commands::FieldsComplete(fields)) << "the round read as 1 needs no answer 4";
    EXPECT_EQ(fields.roundText, u"1");
    EXPECT_EQ(fields.roundChanges, 1) << "the change handler ran inside the read";
    EXPECT_EQ(EnabledOptional(fields), (std::array{false, false, false}));
}

TEST(FieldsComplete, IgnoresEnabledStates)
{
    InMemoryFields fields;
    fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u""});
    fields.enabled[4] = false;
    EXPECT_FALSE(Commands::FieldsComplete(fields)) << "round 4 needs answer 4, disabled or not";
}

// ---- Adding ---------------------------------------------------------------

TEST(AddQuestion, AppendsEightEntriesWithBlanksForUnusedAnswers)
{
    const struct
    {
        std::u16string round;
        std::array<std::u16string, 5> stored;
    } cases[] = {
        {u"1", {u"a0", u"a1", u" ", u" ", u" "}},    {u"2", {u"a0", u"a1", u"a2", u" ", u" "}},
        {u"3", {u"a0", u"a1", u"a2", u"a3", u" "}},  {u"4", {u"a0", u"a1", u"a2", u"a3", u"a4"}},
        {u"5", {u"a0", u"a1", u"a2", u"a3", u"a4"}}, {u"03", {u"a0", u"a1", u"a2", u"a3", u" "}},
        {u"+2", {u"a0", u"a1", u"a2", u" ", u" "}},
    };
    for (const auto& c : cases) {
        Editor editor;
        // Texts left in the disabled boxes are replaced by blanks all the same.
        editor.Add(c.round, u"Вопрос", {u"a0", u"a1", u"a2", u"a3", u"a4"}, 1);
        const std::vector<std::u16string> expected{c.round,     u"Вопрос",   c.stored[0], c.stored[1],
                                                   c.stored[2], c.stored[3], c.stored[4], u"1"};
        EXPECT_EQ(Entries(editor.base), expected) << "the round is stored as its text";
    }
}

TEST(AddQuestion, AcceptsRoundOneWithOnlyTwoAnswers)
{
    Editor editor;
    editor.Add(u"1", u"q", {u"yes", u"no"});
    EXPECT_EQ(Entries(editor.base),
              (std::vector<std::u16string>{u"1", u"q", u"yes", u"no", u" ", u" ", u" ", u"0"}));
}

TEST(AddQuestion, LabelsLogsAndClearsOnlyTheTextBoxes)
{
    Editor editor;
    editor.Add(u"3", u"Первый", {u"a0", u"a1", u"a2", u"a3"}, 2);
    EXPECT_EQ(editor.fields.lines, std::vector<std::u16string>{u"0. Первый"});
    EXPECT_EQ(editor.base.Entry(1), u"Первый");
    EXPECT_EQ(editor.fields.log, std::vector<std::u16string>{u"Вопрос 'Первый' успешно внесен в базу"});
    EXPECT_EQ(editor.fields.question, u"");
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{}));
    EXPECT_EQ(editor.fields.roundText, u"3");
    EXPECT_EQ(editor.fields.checked, 2);
    EXPECT_EQ(EnabledOptional(editor.fields), (std::array{true, true, false}));
    EXPECT_EQ(editor.fields.selected, -1);

    editor.Add(u"4", u"Второй");
    editor.Add(u"4", u"Третий");
    EXPECT_EQ(editor.fields.lines.back(), u"2. Третий");
    EXPECT_EQ(editor.base.Entry(17), u"Третий");
    EXPECT_EQ(editor.base.QuestionCount(), 3);
}

TEST(AddQuestion, StoresCheckedIndexOfADisabledRadioButton)
{
    Editor editor;
    editor.fields.TypeRound(u"5");
    editor.fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    editor.fields.CheckAnswer(4);
    editor.fields.TypeRound(u"3");
    ASSERT_FALSE(editor.fields.enabled[4]);
    editor.Click();
    EXPECT_EQ(editor.base.Entry(6), u" ");
    EXPECT_EQ(editor.base.Entry(7), u"4");
}

TEST(AddQuestion, IncompleteFieldsAreRefusedWithoutChange)
{
    for (const int selected : {-1, 0}) {
        Editor editor;
        editor.Add(u"4", u"stored");
        editor.fields.TypeRound(u"4");
        editor.fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u""});
        editor.fields.selected = selected;
        Editor before = editor;
        editor.Click();
        before.fields.log.push_back(Incomplete);
        ExpectSameState(before, editor);
    }
}

TEST(AddQuestion, RefusesAQuestionTextAlreadyInTheBase)
{
    Editor editor;
    editor.Add(u"4", u"Столица Франции?");
    // The round and the answers of the stored question do not matter.
    editor.fields.TypeRound(u"2");
    editor.fields.Fill(u"Столица Франции?", {u"x", u"y", u"z"});
    Editor before = editor;
    editor.Click();
    before.fields.log.push_back(Repeat);
    ExpectSameState(before, editor);
}

TEST(AddQuestion, OnlyTheSameCodeUnitsMakeARepeat)
{
    Editor editor;
    editor.Add(u"1", u"Вопрос", {u"Ответ", u"Нет"});
    // Case, a trailing blank, a stored answer, round, index or blank are all new.
    for (const std::u16string text : {u"вопрос", u"Вопрос ", u"Ответ", u"1", u"0", u" "})
        editor.Add(u"1", text, {u"a", u"b"});
    EXPECT_EQ(editor.base.QuestionCount(), 7);
    EXPECT_EQ(std::count(editor.fields.log.begin(), editor.fields.log.end(), Repeat), 0);
}

TEST(AddQuestion, ListOutOfStepStillAppendsToTheBase)
{
    // A failed load has emptied the base and left three old lines.
    Editor editor;
    editor.fields.lines = {u"0. a", u"1. b", u"2. c"};
    editor.Add(u"4", u"new");
    EXPECT_EQ(editor.base.QuestionCount(), 1);
    EXPECT_EQ(editor.base.Entry(1), u"new");
    EXPECT_EQ(editor.fields.lines.back(), u"3. new");
}

// ---- Replacing ------------------------------------------------------------

TEST(ReplaceQuestion, OverwritesTheSelectedQuestionAndReturnsToAdding)
{
    Editor editor;
    editor.Load({Stored(u"4", u"q0"), Stored(u"4", u"q1"), Stored(u"4", u"q2"), Stored(u"4", u"q3")});
    editor.fields.SelectLine(2); // a single click: nothing is loaded
    editor.fields.TypeRound(u"2");
    // Replacing writes every box as it stands and checks no repeat.
    editor.fields.Fill(u"q0", {u"n0", u"n1", u"n2", u"old3", u"old4"});
    editor.fields.CheckAnswer(3);
    editor.Click();

    EXPECT_EQ(editor.base.Record(2),
              (QuestionRecord{u"2", u"q0", {u"n0", u"n1", u"n2", u"old3", u"old4"}, u"3"}));
    EXPECT_EQ(editor.base.Record(1), Stored(u"4", u"q1"));
    EXPECT_EQ(editor.base.Record(3), Stored(u"4", u"q3"));
    EXPECT_EQ(editor.fields.lines, (std::vector<std::u16string>{u"0. q0", u"1. q1", u"2. q0", u"3. q3"}));
    EXPECT_EQ(editor.fields.log, std::vector<std::u16string>{u"Вопрос №2 успешно отредактирован"});
    EXPECT_EQ(editor.fields.selected, -1);
    EXPECT_EQ(editor.fields.question, u"");
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{}));
    // The line is rewritten while still selected, then the selection goes.
    EXPECT_LT(PositionOf(editor.fields.calls, "ReplaceLine(2)"),
              PositionOf(editor.fields.calls, "SelectLine(-1)"));
}

TEST(ReplaceQuestion, SelectedLineBeyondTheBaseChangesNothing)
{
    // A failed load has emptied the base and left four old lines.
    Editor editor;
    editor.fields.lines = {u"0. a", u"1. b", u"2. c", u"3. d"};
    editor.fields.selected = 3;
    editor.fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    const Editor before = editor;
    EXPECT_EQ(ErrorOf([&] { editor.Click(); }), u"List index out of bounds (24)");
    ExpectSameState(before, editor);
}

TEST(ReplaceQuestion, CutShortQuestionIsNotHalfRewritten)
{
    Editor editor;
    editor.Load({Stored(u"4", u"q0")});
    for (int n = 0; n < 4; ++n)
        editor.base.Append(u"part");
    editor.fields.lines.push_back(u"1. part");
    editor.fields.selected = 1;
    editor.fields.Fill(u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"});
    const Editor before = editor;
    EXPECT_EQ(ErrorOf([&] { editor.Click(); }), u"List index out of bounds (12)");
    ExpectSameState(before, editor);
}

// ---- Reopening ------------------------------------------------------------

TEST(OpenQuestion, LoadsTheQuestionTheLabelNumbers)
{
    Editor editor;
    std::vector<QuestionRecord> records;
    for (int k = 0; k < 14; ++k)
        records.push_back(Stored(u"4", u"q" + std::u16string(1, char16_t(u'a' + k))));
    records[12] = {u"4", u"Двенадцатый", {u"r0", u"r1", u"r2", u"r3", u"r4"}, u"4"};
    editor.Load(records);

    editor.DoubleClick(12);
    EXPECT_EQ(editor.fields.question, u"Двенадцатый");
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{u"r0", u"r1", u"r2", u"r3", u"r4"}));
    EXPECT_EQ(editor.fields.checked, 4);
    EXPECT_EQ(editor.fields.log, std::vector<std::u16string>{Loaded});
    EXPECT_EQ(editor.fields.selected, 12);

    editor.fields.answers[0] = u"edited";
    editor.Click();
    EXPECT_EQ(editor.base.Entry(98), u"edited");
    EXPECT_EQ(editor.base.QuestionCount(), 14);
    EXPECT_EQ(editor.fields.lines[12], u"12. Двенадцатый");
}

TEST(OpenQuestion, FindsTheQuestionByTheLabelNotTheLineIndex)
{
    Editor editor;
    editor.Load({Stored(u"4", u"q0"), Stored(u"4", u"q1")});
    editor.fields.lines[0] = u"1. stale";
    editor.DoubleClick(0);
    EXPECT_EQ(editor.fields.question, u"q1");
}

TEST(OpenQuestion, SetsTheRoundBeforeLoadingTexts)
{
    Editor editor;
    editor.Add(u"2", u"Раунд два", {u"a0", u"a1", u"a2"}, 2);
    editor.fields.TypeRound(u"4");
    editor.fields.calls.clear();

    editor.DoubleClick(0);
    EXPECT_EQ(editor.fields.roundText, u"2");
    EXPECT_EQ(EnabledOptional(editor.fields), (std::array{true, false, false}));
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{u"a0", u"a1", u"a2", u" ", u" "}));
    const auto& calls = editor.fields.calls;
    EXPECT_LT(PositionOf(calls, "SetRoundValue(2)"), PositionOf(calls, "edRoundChange"));
    EXPECT_LT(PositionOf(calls, "SetAnswerEnabled(4,0)"), PositionOf(calls, "SetQuestionText"));
    EXPECT_LT(PositionOf(calls, "SetAnswerText(4)"), PositionOf(calls, "CheckAnswer(2)"));
}

TEST(OpenQuestion, UnchangedRoundRunsNoChangeHandler)
{
    Editor editor;
    editor.Load({Stored(u"4", u"q0")});
    const int changes = editor.fields.roundChanges;
    editor.DoubleClick(0);
    EXPECT_EQ(editor.fields.roundChanges, changes);
    EXPECT_EQ(EnabledOptional(editor.fields), (std::array{true, true, true}));
}

TEST(OpenQuestion, ShowsTheStoredRoundClamped)
{
    const struct
    {
        std::u16string stored;
        std::u16string shown;
    } cases[] = {{u"7", u"5"}, {u"0", u"1"}, {u"-4", u"1"}, {u"03", u"3"}, {u" +2", u"2"}, {u"$5", u"5"}};
    for (const auto& c : cases) {
        Editor editor;
        editor.Load({Stored(c.stored, u"q")});
        editor.DoubleClick(0);
        EXPECT_EQ(editor.fields.roundText, c.shown);
        editor.Click();
        EXPECT_EQ(editor.base.Entry(0), c.shown) << "replacing stores the shown round";
    }
}

TEST(OpenQuestion, ChecksOnlyAStoredIndexFromZeroToFour)
{
    const struct
    {
        std::u16string stored;
        int checked;
    } cases[] = {{u"4", 4}, {u"0", 0}, {u"03", 3}, {u"5", 1}, {u"-1", 1}, {u"7", 1}};
    for (const auto& c : cases) {
        Editor editor;
        editor.Load({Stored(u"4", u"q", c.stored)});
        editor.fields.CheckAnswer(1);
        editor.DoubleClick(0);
        EXPECT_EQ(editor.fields.checked, c.checked);
        EXPECT_EQ(editor.fields.log.back(), Loaded);
    }
}

TEST(OpenQuestion, SelectingAnotherLineRedirectsTheReplacement)
{
    Editor editor;
    editor.Load({Stored(u"4", u"q0"), Stored(u"4", u"q1")});
    editor.DoubleClick(0);
    editor.fields.question = u"edited q0";
    editor.fields.SelectLine(1);
    editor.Click();
    EXPECT_EQ(editor.base.Record(0), Stored(u"4", u"q0"));
    EXPECT_EQ(editor.base.Record(1), Stored(u"4", u"edited q0"));
    EXPECT_EQ(editor.fields.lines[1], u"1. edited q0");
}

TEST(OpenQuestion, RoundFiveReopenedAsRoundTwoKeepsItsOldAnswers)
{
    Editor editor;
    editor.Load({{u"5", u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"}, u"0"}});
    editor.DoubleClick(0);
    editor.fields.TypeRound(u"2");
    editor.Click();
    EXPECT_EQ(editor.base.Record(0), (QuestionRecord{u"2", u"q", {u"a0", u"a1", u"a2", u"a3", u"a4"}, u"0"}));
}

TEST(OpenQuestion, FailuresBeforeLoadingChangeNothing)
{
    const struct
    {
        const char* name;
        std::vector<QuestionRecord> base;
        std::vector<std::u16string> lines;
        int selected;
        std::u16string message;
    } cases[] = {
        {"no line selected", {Stored(u"4", u"q0")}, {u"0. q0"}, -1, u"List index out of bounds (-1)"},
        {"base emptied by a failed load", {}, {u"0. q0"}, 0, u"List index out of bounds (0)"},
        {"label beyond the base",
         {Stored(u"4", u"q0")},
         {u"0. q0", u"3. q3"},
         1,
         u"List index out of bounds (24)"},
        {"round not a number", {Stored(u"4x", u"q0")}, {u"0. q0"}, 0, u"''4x'' is not a valid integer value"},
        {"empty round", {Stored(u"", u"q0")}, {u"0. q0"}, 0, u"'''' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editor editor;
        for (const auto& record : c.base)
            editor.base.AppendRecord(record);
        editor.fields.lines = c.lines;
        editor.fields.selected = c.selected;
        editor.fields.TypeRound(u"3");
        editor.fields.Fill(u"typed", {u"t0", u"t1"});
        const Editor before = editor;
        EXPECT_EQ(ErrorOf([&] { Commands::qlistDblClick(editor.fields, editor.base); }), c.message);
        ExpectSameState(before, editor);
    }
}

TEST(OpenQuestion, IndexNotANumberFailsAfterLoadingTheTexts)
{
    Editor editor;
    editor.Load({{u"2", u"q", {u"a0", u"a1", u"a2", u" ", u" "}, u"x"}});
    editor.fields.CheckAnswer(3);
    editor.fields.selected = 0;
    EXPECT_EQ(ErrorOf([&] { Commands::qlistDblClick(editor.fields, editor.base); }),
              u"''x'' is not a valid integer value");
    EXPECT_EQ(editor.fields.roundText, u"2");
    EXPECT_EQ(EnabledOptional(editor.fields), (std::array{true, false, false}));
    EXPECT_EQ(editor.fields.question, u"q");
    EXPECT_EQ(editor.fields.answers, (std::array<std::u16string, 5>{u"a0", u"a1", u"a2", u" ", u" "}));
    EXPECT_EQ(editor.fields.checked, 3);
    EXPECT_TRUE(editor.fields.log.empty());
    EXPECT_EQ(editor.fields.selected, 0);
}

} // namespace

namespace {

/** A file dialog that confirms the queued paths in turn, then cancels. */
class QueuedDialog : public FileDialog
{
public:
    explicit QueuedDialog(std::vector<QString> answers) : m_answers(std::move(answers)) {}
    bool Execute() override
    {
        if (m_next == m_answers.size())
            return false;
        FileName = m_answers[m_next++];
        return true;
    }

private:
    std::vector<QString> m_answers;
    std::size_t m_next = 0;
};

TEST(LoadAndSave, RunWithoutAWindow)
{
    const std::string dir = testing::TempDir() + "vt-commands-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const QString path = QString::fromStdString(dir + "/base.dat");

    InMemoryFields fields;
    QuestionBase base;
    base.AppendRecord({u"2", u"Небо?", {u"синее", u"зелёное", u"красное", u" ", u" "}, u"1"});
    QueuedDialog save({path});
    Commands::btnSaveClick(fields, base, save);
    EXPECT_EQ(fields.caption, u"457");
    EXPECT_EQ(fields.log.back(), u"База успешно сохранена в base.dat");

    QuestionBase loaded;
    QueuedDialog open({path});
    QueuedDialog proposed({});
    fields.selected = 0;
    Commands::btnLoadClick(fields, loaded, open, proposed);
    EXPECT_EQ(proposed.FileName, path);
    EXPECT_EQ(Entries(loaded), Entries(base));
    EXPECT_EQ(fields.lines, std::vector<std::u16string>{u"0. Небо?"});
    EXPECT_EQ(fields.selected, -1);
    EXPECT_EQ(std::vector<std::u16string>(fields.log.end() - 2, fields.log.end()),
              (std::vector<std::u16string>{u"База вопросов успешно загружена", u"Вопросов в базе: 1"}));

    // A failed load changes neither the base nor the list.
    QueuedDialog missing({QString::fromStdString(dir + "/missing.dat")});
    EXPECT_EQ(ErrorOf([&] { Commands::btnLoadClick(fields, loaded, missing, proposed); }),
              FromUtf8("Cannot open file \"" + dir + "/missing.dat\". ") + SystemText::MissingFile());
    EXPECT_EQ(loaded.QuestionCount(), 1);
    EXPECT_EQ(fields.lines.size(), 1u);
    std::filesystem::remove_all(dir);
}

} // namespace
