#include "main/WindowFields.h"

#include "cspin/TCSpinEdit.h"
#include "main/QtText.h"
#include "main/QuestionList.h"
#include "main/TF.h"

#include <QLineEdit>
#include <QRadioButton>

namespace vt {

std::u16string WindowFields::QuestionText()
{
    return FromQ(m_window.edQuestion->text());
}

void WindowFields::SetQuestionText(const std::u16string& text)
{
    m_window.edQuestion->setText(ToQ(text));
}

std::u16string WindowFields::AnswerText(int n)
{
    return FromQ(m_window.AnswerBox(n)->text());
}

void WindowFields::SetAnswerText(int n, const std::u16string& text)
{
    m_window.AnswerBox(n)->setText(ToQ(text));
}

std::u16string WindowFields::RoundText()
{
    return FromQ(m_window.edRound->text());
}

std::int32_t WindowFields::RoundValue()
{
    return m_window.edRound->GetValue();
}

void WindowFields::SetRoundValue(std::int32_t value)
{
    m_window.edRound->SetValue(value);
}

int WindowFields::CheckedAnswer()
{
    for (int n = 0; n < AnswerCount; ++n)
        if (m_window.AnswerRadio(n)->isChecked())
            return n;
    return 0;
}

void WindowFields::CheckAnswer(int n)
{
    m_window.AnswerRadio(n)->setChecked(true);
}

void WindowFields::SetAnswerEnabled(int n, bool enabled)
{
    m_window.AnswerRadio(n)->setEnabled(enabled);
    m_window.AnswerBox(n)->setEnabled(enabled);
}

int WindowFields::LineCount()
{
    return m_window.qlist->Lines()->Count();
}

std::u16string WindowFields::LineText(int i)
{
    if (i < 0 || i >= LineCount())
        ThrowListIndexError(i);
    return FromQ(m_window.qlist->Lines()->Line(i));
}

void WindowFields::ReplaceLine(int i, const std::u16string& text)
{
    if (i < 0 || i >= LineCount())
        ThrowListIndexError(i);
    m_window.qlist->Lines()->Replace(i, text);
}

void WindowFields::AppendLine(const std::u16string& text)
{
    m_window.qlist->Lines()->Append(text);
}

int WindowFields::SelectedLine()
{
    return m_window.qlist->SelectedLine();
}

void WindowFields::SelectLine(int i)
{
    m_window.qlist->SelectLine(i);
}

void WindowFields::ShowQuestions(const QuestionBase& base)
{
    // The lines are made from the window's own base, which `base` is.
    m_window.qlist->Lines()->Reset(base.QuestionCount());
}

void WindowFields::SetCaption(const std::u16string& text)
{
    m_window.setWindowTitle(ToQ(text));
}

void WindowFields::LogEvent(const std::u16string& message)
{
    m_window.LogEvent(message);
}

void WindowFields::ClearQuestionFields()
{
    m_window.ClearQuestionFields();
}

} // namespace vt
