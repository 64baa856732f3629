#include "EditorCommands.h"

#include "IntText.h"

#include <limits>
#include <string>
#include <utility>

namespace Commands {

namespace {

const std::u16string FieldsIncompleteMessage = u"Пожалуйста, заполните все поля";
const std::u16string RepeatMessage =
    u"Неудачно: вопрос уже есть в базе! Попробуйте открыть его для редактирования";
const std::u16string LoadedMessage = u"Вопрос загружен для редактирования";

// A stored answer that the question's round does not use.
const std::u16string UnusedAnswer = u" ";

// Throws the list-index error unless all eight entries of question k lie
// inside the base, before anything is read or written, so that a list out of
// step with the base never leaves a question half rewritten. The position is
// computed in 64 bits: k may come from a label number of any size.
void RequireQuestion(const QuestionBase& base, std::int64_t k)
{
    const std::int64_t first = k * EntriesPerQuestion;
    if (first < 0 || first >= base.EntryCount())
        ThrowListIndexError(first);
    if (first + EntriesPerQuestion > base.EntryCount())
        ThrowListIndexError(base.EntryCount());
}

bool IsRepeat(const QuestionBase& base, const std::u16string& question)
{
    const int count = base.QuestionCount();
    for (int j = 0; j < count; ++j) {
        if (base.Entry(j * EntriesPerQuestion + FieldQuestion) == question)
            return true;
    }
    return false;
}

void ReplaceQuestion(EditorFields& fields, QuestionBase& base, int k)
{
    RequireQuestion(base, k);
    const std::u16string question = fields.QuestionText();
    const int first = k * EntriesPerQuestion;
    base.Replace(first + FieldRound, fields.RoundText());
    base.Replace(first + FieldQuestion, question);
    // Every box is stored as it stands, also those the round does not use.
    for (int n = 0; n < AnswerCount; ++n)
        base.Replace(first + FieldAnswer0 + n, fields.AnswerText(n));
    base.Replace(first + FieldCorrect, IntToStr(fields.CheckedAnswer()));

    fields.ReplaceLine(k, QuestionLabel(k, question));
    fields.LogEvent(u"Вопрос №" + IntToStr(k) + u" успешно отредактирован");
    fields.SelectLine(-1);
    fields.ClearQuestionFields();
}

void AddQuestion(EditorFields& fields, QuestionBase& base)
{
    const std::u16string question = fields.QuestionText();
    if (IsRepeat(base, question)) {
        fields.LogEvent(RepeatMessage);
        return;
    }

    QuestionRecord record;
    record.round = fields.RoundText();
    record.question = question;
    const std::int32_t round = fields.RoundValue();
    for (int n = 0; n < AnswerCount; ++n) {
        record.answers[static_cast<std::size_t>(n)] =
            AnswerKept(round, n) ? fields.AnswerText(n) : UnusedAnswer;
    }
    record.correct = IntToStr(fields.CheckedAnswer());
    base.AppendRecord(std::move(record));

    fields.LogEvent(u"Вопрос '" + question + u"' успешно внесен в базу");
    // The label takes the list's own count, which is the new question's
    // number as long as the list mirrors the base.
    fields.AppendLine(QuestionLabel(fields.LineCount(), question));
    fields.ClearQuestionFields();
}

} // namespace

bool FieldsComplete(EditorFields& fields)
{
    if (fields.QuestionText().empty())
        return false;
    for (int n = 0; n < AnswerCount; ++n) {
        // The round is consulted only for an empty optional answer.
        if (fields.AnswerText(n).empty() && (n < 2 || AnswerRequired(fields.RoundValue(), n)))
            return false;
    }
    return true;
}

std::int32_t LabelNumber(std::u16string_view label)
{
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    std::int64_t n = 0;
    for (const char16_t c : label) {
        if (c < u'0' || c > u'9')
            break;
        // Stops growing once past the 32-bit range; further digits keep it there.
        if (n <= limit)
            n = n * 10 + (c - u'0');
    }
    return static_cast<std::int32_t>(n > limit ? limit : n);
}

void btnAddClick(EditorFields& fields, QuestionBase& base)
{
    if (!FieldsComplete(fields)) {
        fields.LogEvent(FieldsIncompleteMessage);
        return;
    }
    const int selected = fields.SelectedLine();
    if (selected != -1)
        ReplaceQuestion(fields, base, selected);
    else
        AddQuestion(fields, base);
}

void qlistDblClick(EditorFields& fields, QuestionBase& base)
{
    const std::u16string label = fields.LineText(fields.SelectedLine());
    const std::int32_t k = LabelNumber(label);
    RequireQuestion(base, k);
    // A copy: the handlers that run nested below must not see the base move.
    const QuestionRecord record = base.Record(k);

    // The round goes first: its change handler sets the enabled answers
    // before any text is loaded.
    fields.SetRoundValue(StrToInt(record.round));
    fields.SetQuestionText(record.question);
    for (int n = 0; n < AnswerCount; ++n)
        fields.SetAnswerText(n, record.answers[static_cast<std::size_t>(n)]);

    const std::int32_t correct = StrToInt(record.correct);
    if (correct >= 0 && correct < AnswerCount)
        fields.CheckAnswer(correct);
    fields.LogEvent(LoadedMessage);
}

void edRoundChange(EditorFields& fields)
{
    for (int n = 2; n < AnswerCount; ++n)
        fields.SetAnswerEnabled(n, true);
    const std::int32_t round = fields.RoundValue();
    for (int n = 2; n < AnswerCount; ++n) {
        if (!AnswerEnabled(round, n))
            fields.SetAnswerEnabled(n, false);
    }
}

} // namespace Commands
