#pragma once

#include "main/EditorFields.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using namespace vt;

/** The main window's fields as plain values, with the side effects of the
 *  real controls: reading the round value of a non-number writes "1", and
 *  every change of the round text runs Commands::edRoundChange at once,
 *  nested. Each operation is recorded in `calls` so that tests can check the
 *  order in which a command works. The state starts as the window opens:
 *  empty boxes, round "4", answer 0 checked, all answers enabled, no lines. */
class InMemoryFields : public EditorFields
{
public:
    std::u16string question;
    std::array<std::u16string, 5> answers;
    std::u16string roundText = u"4";
    int checked = 0;
    std::array<bool, 5> enabled{true, true, true, true, true};
    std::vector<std::u16string> lines;
    int selected = -1;
    std::vector<std::u16string> log;
    std::u16string caption;
    /** "RoundValue", "SetRoundValue(2)", "edRoundChange", "SetAnswerEnabled(3,0)",
     *  "SetQuestionText", "SetAnswerText(1)", "CheckAnswer(4)", "LogEvent"... */
    std::vector<std::string> calls;
    /** Number of edRoundChange runs so far, nested ones included. */
    int roundChanges = 0;

    /** The operator's typing in the round selector: sets the text and, when
     *  it changed, runs the change handler. */
    void TypeRound(const std::u16string& text);
    /** Fills the question box and the answer boxes (missing ones empty). */
    void Fill(const std::u16string& questionText, std::vector<std::u16string> answerTexts);

    std::u16string QuestionText() override;
    void SetQuestionText(const std::u16string& text) override;
    std::u16string AnswerText(int n) override;
    void SetAnswerText(int n, const std::u16string& text) override;
    std::u16string RoundText() override;
    std::int32_t RoundValue() override;
    void SetRoundValue(std::int32_t value) override;
    int CheckedAnswer() override;
    void CheckAnswer(int n) override;
    void SetAnswerEnabled(int n, bool on) override;
    int LineCount() override;
    std::u16string LineText(int i) override;
    void ReplaceLine(int i, const std::u16string& text) override;
    void AppendLine(const std::u16string& text) override;
    int SelectedLine() override;
    void SelectLine(int i) override;
    void ShowQuestions(const QuestionBase& base) override;
    void SetCaption(const std::u16string& text) override;
    void LogEvent(const std::u16string& message) override;

private:
    void ChangeRoundText(const std::u16string& text);
};
