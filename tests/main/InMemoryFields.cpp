#include "tests/main/InMemoryFields.h"

#include "base/QuestionBase.h"
#include "main/EditorCommands.h"
#include "text/IntText.h"

#include <algorithm>
#include <stdexcept>

using namespace vt;

namespace {

std::size_t Index(int n)
{
    if (n < 0 || n >= 5)
        throw std::out_of_range("answer number out of range");
    return static_cast<std::size_t>(n);
}

} // namespace

void InMemoryFields::TypeRound(const std::u16string& text)
{
    ChangeRoundText(text);
}

void InMemoryFields::Fill(const std::u16string& questionText, std::vector<std::u16string> answerTexts)
{
    question = questionText;
    answerTexts.resize(answers.size());
    std::copy(answerTexts.begin(), answerTexts.end(), answers.begin());
}

void InMemoryFields::ChangeRoundText(const std::u16string& text)
{
    if (text == roundText)
        return;
    roundText = text;
    calls.push_back("edRoundChange");
    ++roundChanges;
    Commands::edRoundChange(*this);
}

std::u16string InMemoryFields::QuestionText()
{
    calls.push_back("QuestionText");
    return question;
}

void InMemoryFields::SetQuestionText(const std::u16string& text)
{
    calls.push_back("SetQuestionText");
    question = text;
}

std::u16string InMemoryFields::AnswerText(int n)
{
    calls.push_back("AnswerText(" + std::to_string(n) + ")");
    return answers[Index(n)];
}

void InMemoryFields::SetAnswerText(int n, const std::u16string& text)
{
    calls.push_back("SetAnswerText(" + std::to_string(n) + ")");
    answers[Index(n)] = text;
}

std::u16string InMemoryFields::RoundText()
{
    calls.push_back("RoundText");
    return roundText;
}

std::int32_t InMemoryFields::RoundValue()
{
    calls.push_back("RoundValue");
    std::int32_t value = 0;
    if (TryStrToInt(roundText, value))
        return value;
    ChangeRoundText(u"1");
    return 1;
}

void InMemoryFields::SetRoundValue(std::int32_t value)
{
    calls.push_back("SetRoundValue(" + std::to_string(value) + ")");
    ChangeRoundText(IntToStr(std::clamp<std::int32_t>(value, 1, 5)));
}

int InMemoryFields::CheckedAnswer()
{
    calls.push_back("CheckedAnswer");
    return checked;
}

void InMemoryFields::CheckAnswer(int n)
{
    calls.push_back("CheckAnswer(" + std::to_string(n) + ")");
    checked = static_cast<int>(Index(n));
}

void InMemoryFields::SetAnswerEnabled(int n, bool on)
{
    calls.push_back("SetAnswerEnabled(" + std::to_string(n) + "," + (on ? "1" : "0") + ")");
    if (n < 2)
        throw std::out_of_range("answers 0 and 1 are always enabled");
    enabled[Index(n)] = on;
}

int InMemoryFields::LineCount()
{
    calls.push_back("LineCount");
    return static_cast<int>(lines.size());
}

std::u16string InMemoryFields::LineText(int i)
{
    calls.push_back("LineText(" + std::to_string(i) + ")");
    if (i < 0 || i >= static_cast<int>(lines.size()))
        ThrowListIndexError(i);
    return lines[static_cast<std::size_t>(i)];
}

void InMemoryFields::ReplaceLine(int i, const std::u16string& text)
{
    calls.push_back("ReplaceLine(" + std::to_string(i) + ")");
    if (i < 0 || i >= static_cast<int>(lines.size()))
        ThrowListIndexError(i);
    lines[static_cast<std::size_t>(i)] = text;
}

void InMemoryFields::AppendLine(const std::u16string& text)
{
    calls.push_back("AppendLine");
    lines.push_back(text);
}

int InMemoryFields::SelectedLine()
{
    calls.push_back("SelectedLine");
    return selected;
}

void InMemoryFields::SelectLine(int i)
{
    calls.push_back("SelectLine(" + std::to_string(i) + ")");
    selected = i >= 0 && i < static_cast<int>(lines.size()) ? i : -1;
}

void InMemoryFields::ShowQuestions(const QuestionBase& base)
{
    calls.push_back("ShowQuestions");
    lines.clear();
    for (int k = 0; k < base.QuestionCount(); ++k)
        lines.push_back(QuestionLabel(k, base.Entry(k * EntriesPerQuestion + FieldQuestion)));
    selected = -1;
}

void InMemoryFields::SetCaption(const std::u16string& text)
{
    calls.push_back("SetCaption");
    caption = text;
}

void InMemoryFields::LogEvent(const std::u16string& message)
{
    calls.push_back("LogEvent");
    log.push_back(message);
}
