#pragma once

#include "base/QuestionBase.h"

#include <cstdint>
#include <string>

namespace vt {

/** The narrow view of the main window that the editing commands work on.
 *  The window implements it over its controls; tests use an in-memory one
 *  that reproduces the same side effects. */
class EditorFields
{
public:
    virtual ~EditorFields() = default;

    virtual std::u16string QuestionText() = 0;
    virtual void SetQuestionText(const std::u16string& text) = 0;
    /** n = 0 to 4. */
    virtual std::u16string AnswerText(int n) = 0;
    /** n = 0 to 4; writes the box also while it is disabled. */
    virtual void SetAnswerText(int n, const std::u16string& text) = 0;

    /** The round selector's text as it stands ("03" stays "03"). */
    virtual std::u16string RoundText() = 0;
    /** The number the round text holds, not clamped. A text that is no number
     *  is first replaced by the lower bound 1, which runs edRoundChange
     *  nested inside this call; 1 is then returned. */
    virtual std::int32_t RoundValue() = 0;
    /** Clamps to 1..5 and writes plain decimal text; edRoundChange runs before
     *  this returns when (and only when) the text changes. */
    virtual void SetRoundValue(std::int32_t value) = 0;

    /** 0 to 4: the checked radio button. */
    virtual int CheckedAnswer() = 0;
    /** Checks radio button n (0 to 4), unchecking the others. */
    virtual void CheckAnswer(int n) = 0;
    /** n = 2 to 4: radio button n and answer box n together. */
    virtual void SetAnswerEnabled(int n, bool enabled) = 0;

    virtual int LineCount() = 0;
    /** Throws Error("List index out of bounds (<i>)") for i outside the lines. */
    virtual std::u16string LineText(int i) = 0;
    /** Rewrites line i in place; the selection stays as it was. */
    virtual void ReplaceLine(int i, const std::u16string& text) = 0;
    /** Adds a last line; the selection does not change. */
    virtual void AppendLine(const std::u16string& text) = 0;
    /** The selected line, or -1. */
    virtual int SelectedLine() = 0;
    /** Selects line i; -1 leaves no line selected. */
    virtual void SelectLine(int i) = 0;

    /** Replaces every line by the labels of the base's questions, in order,
     *  and leaves no line selected. */
    virtual void ShowQuestions(const QuestionBase& base) = 0;

    /** Sets the window's caption. */
    virtual void SetCaption(const std::u16string& text) = 0;

    /** Appends one time-stamped line to the event log. */
    virtual void LogEvent(const std::u16string& message) = 0;

    /** Empties the question box and answer boxes 0 to 4, in that order. */
    virtual void ClearQuestionFields()
    {
        SetQuestionText(std::u16string());
        for (int n = 0; n < AnswerCount; ++n)
            SetAnswerText(n, std::u16string());
    }
};

} // namespace vt
