#include "main/EditorCommands.h"

#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"
#include "main/FileDialog.h"
#include "main/LogMessages.h"
#include "main/QtText.h"
#include "tables/FileStorage.h"
#include "text/IntText.h"
#include "text/Utf.h"

#include <algorithm>
#include <limits>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <string>
#include <utility>

namespace vt {

namespace Commands {

namespace {

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

// How many findings an error report lists before it only counts the rest.
constexpr std::size_t ListedFindings = 10;

/** The format of a chosen file, by its extension (letter case aside): a
 *  base file for a name that no format claims. */
const FileFormat& FormatOfName(const std::string& path)
{
    const FileFormat* format = FormatOfExtension(path);
    return format ? *format : BaseFileFormat();
}

/** `headline`, then the first findings, one a line, as vertalina-base
 *  prints them for the file `name`, then how many more of `count` there are. */
std::u16string FindingsReport(const QString& headline, const Findings& findings, const std::string& name,
                              std::size_t count)
{
    const QString shown = ToQ(DisplayPath(name));
    QString text = headline;
    for (std::size_t i = 0; i < findings.size() && i < ListedFindings; ++i)
        text += u'\n' + ToQ(findings[i].Text(FromQ(shown)));
    const std::size_t listed = std::min(findings.size(), ListedFindings);
    if (count > listed)
        text += QStringLiteral("\nand %1 more").arg(count - listed);
    return FromQ(text);
}

/** The base that the file at `path` holds, read as `format`. Throws the
 *  errors of LoadFile, and an Error listing the findings when a table makes
 *  no base. */
QuestionBase LoadQuestions(const std::string& path, const FileFormat& format)
{
    // A .txt is Aiken or CSV as its content says.
    LoadedFile loaded = LoadFile(path, format.extensionNeedsContent ? nullptr : &format);
    if (!loaded.findings.empty()) {
        const QString headline =
            QStringLiteral("Cannot load the questions of \"%1\": %2")
                .arg(ToQ(DisplayPath(path)),
                     ToQ(Counted(std::int64_t(loaded.findingCount), u"finding", u"findings")));
        throw Error(FindingsReport(headline, loaded.findings, FileNameOnly(path), loaded.findingCount));
    }
    return std::move(loaded.base);
}

/** Writes the base to `path` as `format`, a table as vertalina-base export
 *  writes it with its default options. Throws the errors of SaveFile, and an
 *  Error listing the texts that the format cannot carry (nothing written then). */
void SaveQuestions(const QuestionBase& base, const std::string& path, const FileFormat& format,
                   const WriteOptions& options)
{
    const Findings unwritable = SaveFile(base, path, format, options);
    if (!unwritable.empty()) {
        const QString headline =
            QStringLiteral("Cannot save \"%1\": %2; nothing written")
                .arg(ToQ(DisplayPath(path)), ToQ(UnwritableSummary(format, unwritable.size())));
        throw Error(FindingsReport(headline, unwritable, FileNameOnly(path), unwritable.size()));
    }
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
    fields.LogEvent(LogMessages::EditedBefore + IntToStr(k) + LogMessages::EditedAfter);
    fields.SelectLine(-1);
    fields.ClearQuestionFields();
}

void AddQuestion(EditorFields& fields, QuestionBase& base)
{
    const std::u16string question = fields.QuestionText();
    if (FindQuestionText(base, question) >= 0) {
        fields.LogEvent(LogMessages::Repeat);
        return;
    }

    std::u16string round = fields.RoundText();
    const std::int32_t roundValue = fields.RoundValue();
    std::array<std::u16string, AnswerCount> answers;
    for (int n = 0; n < AnswerCount; ++n)
        answers[static_cast<std::size_t>(n)] = fields.AnswerText(n);
    base.AppendRecord(AddedRecord(std::move(round), roundValue, question, std::move(answers),
                                  IntToStr(fields.CheckedAnswer())));

    fields.LogEvent(LogMessages::AddedBefore + ShownText(question) + LogMessages::AddedAfter);
    // The label takes the list's own count, which is the new question's
    // number as long as the list mirrors the base.
    fields.AppendLine(QuestionLabel(fields.LineCount(), question));
    fields.ClearQuestionFields();
}

} // namespace

bool FieldsComplete(EditorFields& fields)
{
    const std::u16string question = fields.QuestionText();
    if (question.empty())
        return false;
    std::array<std::u16string, AnswerCount> answers;
    for (int n = 0; n < AnswerCount; ++n)
        answers[static_cast<std::size_t>(n)] = fields.AnswerText(n);
    return QuestionComplete(question, answers, [&fields] { return fields.RoundValue(); });
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
        fields.LogEvent(LogMessages::FieldsIncomplete);
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
    fields.LogEvent(LogMessages::Loaded);
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

void btnLoadClick(EditorFields& fields, QuestionBase& base, FileDialog& openDialog, FileDialog& saveDialog)
{
    if (!openDialog.Execute())
        return;
    saveDialog.FileName = openDialog.FileName;

    // The file is read into a base of its own: only a complete read replaces
    // the operator's questions, so a failed load loses nothing.
    const std::string path = PathOf(openDialog.FileName);
    QuestionBase loaded = LoadQuestions(path, FormatOfName(path));
    base.Swap(loaded);
    // The old questions go before the new list is shown, so that a reload
    // never holds two bases for longer than the read.
    loaded.Clear();
#ifdef __GLIBC__
    // Its pages go back to the system too, so that repeated loads do not grow
    // the process by the holes they leave in the heap.
    malloc_trim(0);
#endif

    fields.LogEvent(LogMessages::BaseLoaded);
    fields.LogEvent(LogMessages::QuestionCount + IntToStr(base.QuestionCount()));
    fields.ShowQuestions(base);
}

void btnSaveClick(EditorFields& fields, const QuestionBase& base, FileDialog& saveDialog)
{
    if (!saveDialog.Execute())
        return;
    const std::string path = PathOf(saveDialog.FileName);
    const std::u16string name = DisplayPath(FileNameOnly(path));
    const FileFormat& format = FormatOfName(path);
    WriteOptions options;
    // Only a base file has records; for a table the caption keeps what it shows.
    int shown = -1;
    if (!format.table)
        options.recordWritten = [&fields, &shown](int length) {
            // Every record shows its length in the caption; set it only when it changes.
            if (length != shown) {
                fields.SetCaption(IntToStr(length));
                shown = length;
            }
        };
    try {
        SaveQuestions(base, path, format, options);
    } catch (const SaveNotConfirmed& unconfirmed) {
        // The file is saved: no error box, only what the system left unsure.
        fields.LogEvent(LogMessages::SavedUnconfirmedBefore + name + LogMessages::SavedUnconfirmedAfter +
                        unconfirmed.Cause());
        return;
    }
    fields.LogEvent(LogMessages::BaseSaved + name);
}

} // namespace Commands

} // namespace vt
