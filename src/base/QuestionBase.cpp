#include "QuestionBase.h"

#include "Error.h"
#include "IntText.h"

void ThrowListIndexError(std::int64_t n)
{
    std::u16string text = n < INT32_MIN || n > INT32_MAX ? u"?" : IntToStr(static_cast<std::int32_t>(n));
    throw Error(u"List index out of bounds (" + text + u")");
}

const std::u16string& QuestionBase::Entry(int n) const
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    return m_entries[static_cast<std::size_t>(n)];
}

void QuestionBase::Replace(int n, std::u16string entry)
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    m_entries[static_cast<std::size_t>(n)] = std::move(entry);
}

void QuestionBase::AppendRecord(QuestionRecord record)
{
    m_entries.push_back(std::move(record.round));
    m_entries.push_back(std::move(record.question));
    for (auto& answer : record.answers)
        m_entries.push_back(std::move(answer));
    m_entries.push_back(std::move(record.correct));
}

QuestionRecord QuestionBase::Record(int k) const
{
    const int first = k * EntriesPerQuestion;
    QuestionRecord record;
    record.round = Entry(first + FieldRound);
    record.question = Entry(first + FieldQuestion);
    for (int i = 0; i < AnswerCount; ++i)
        record.answers[static_cast<std::size_t>(i)] = Entry(first + FieldAnswer0 + i);
    record.correct = Entry(first + FieldCorrect);
    return record;
}

std::u16string QuestionLabel(int k, const std::u16string& questionText)
{
    return IntToStr(k) + u". " + questionText;
}

QuestionRecord AddedRecord(std::u16string round, std::int32_t roundValue, std::u16string question,
                           std::array<std::u16string, AnswerCount> answers, std::u16string correct)
{
    QuestionRecord record;
    record.round = std::move(round);
    record.question = std::move(question);
    for (int n = 0; n < AnswerCount; ++n) {
        auto& answer = answers[static_cast<std::size_t>(n)];
        record.answers[static_cast<std::size_t>(n)] =
            AnswerKept(roundValue, n) ? std::move(answer) : UnusedAnswer;
    }
    record.correct = std::move(correct);
    return record;
}

int FindQuestionText(const QuestionBase& base, std::u16string_view text)
{
    const int count = base.QuestionCount();
    for (int k = 0; k < count; ++k) {
        if (base.Entry(k * EntriesPerQuestion + FieldQuestion) == text)
            return k;
    }
    return -1;
}

int QuestionTextIndex::Find(std::u16string_view text) const
{
    const auto found = m_first.find(std::u16string(text));
    return found == m_first.end() ? -1 : found->second;
}

void QuestionTextIndex::Add(std::u16string_view text, int k)
{
    m_first.emplace(std::u16string(text), k);
}
