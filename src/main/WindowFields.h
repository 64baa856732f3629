#pragma once

#include "main/EditorFields.h"

namespace vt {

class TF;

/** EditorFields over the controls of the main window. */
class WindowFields : public EditorFields
{
public:
    explicit WindowFields(TF& window) : m_window(window) {}

    std::u16string QuestionText() override;
    void SetQuestionText(const std::u16string& text) override;
    std::u16string AnswerText(int n) override;
    void SetAnswerText(int n, const std::u16string& text) override;
    std::u16string RoundText() override;
    std::int32_t RoundValue() override;
    void SetRoundValue(std::int32_t value) override;
    int CheckedAnswer() override;
    void CheckAnswer(int n) override;
    void SetAnswerEnabled(int n, bool enabled) override;
    int LineCount() override;
    std::u16string LineText(int i) override;
    void ReplaceLine(int i, const std::u16string& text) override;
    void AppendLine(const std::u16string& text) override;
    int SelectedLine() override;
    void SelectLine(int i) override;
    void ShowQuestions(const QuestionBase& base) override;
    void SetCaption(const std::u16string& text) override;
    void LogEvent(const std::u16string& message) override;
    void ClearQuestionFields() override;

private:
    TF& m_window;
};

} // namespace vt
