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
