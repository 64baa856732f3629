#include "EditorCommands.h"

#include "BaseStorage.h"
#include "FileDialog.h"
#include "FileNames.h"
#include "InputFile.h"
#include "IntText.h"
#include "LogMessages.h"
#include "OutputFile.h"
#include "QtEdge.h"
#include "QuestionCheck.h"
#include "QuestionTable.h"
#include "Utf.h"

#include <QFileInfo>

#include <limits>
#include <optional>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <string>
#include <utility>

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

/** What a chosen file holds, by its extension (letter case aside): a table
 *  for ".csv" and ".json", a base file for any other name. */
std::optional<TableFormat> TableFormatOfName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return TableFormat::Csv;
    if (suffix == QLatin1String("json"))
        return TableFormat::Json;
    return std::nullopt;
}

/** `headline`, then the first findings, one a line, as vertalina-base
 *  prints them for the file `name`, then how many more there are. */
std::u16string FindingsReport(const QString& headline, const Findings& findings, const std::string& name)
{
    const QString shown = ToQ(DisplayPath(name));
    QString text = headline;
    for (std::size_t i = 0; i < findings.size() && i < ListedFindings; ++i)
        text += u'\n' + findings[i].Text(shown);
    if (findings.size() > ListedFindings)
        text += QStringLiteral("\nand %1 more").arg(findings.size() - ListedFindings);
    return FromQ(text);
}

/** The base that the table file at `path` makes, as vertalina-base build
 *  makes it. Throws the file errors of InputFile, and an Error listing the
 *  findings when the table makes no base. */
QuestionBase LoadTableFile(const std::string& path, TableFormat format)
{
    const std::vector<std::uint8_t> bytes = InputFile(path).ReadAll();
    BuiltBase built = BuildBaseFromTable(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), format);
    if (!built.findings.empty()) {
        const QString headline =
            QStringLiteral("Cannot load the questions of \"%1\": %2")
                .arg(ToQ(DisplayPath(path)), Counted(qsizetype(built.findings.size()),
                                                     QStringLiteral("finding"), QStringLiteral("findings")));
        throw Error(FindingsReport(headline, built.findings, FileNameOnly(path)));
    }
    return std::move(built.base);
}

/** Writes the base to `path` as the table that vertalina-base export writes
 *  with its default options, through the one output writer. Throws an Error
 *  listing the texts that CSV cannot carry (nothing written then) and the
 *  errors of WriteOutputFile. */
void SaveTableFile(const QuestionBase& base, const std::string& path, TableFormat format)
{
    if (format == TableFormat::Csv) {
        const Findings unwritable = CsvUnwritable(base);
        if (!unwritable.empty()) {
            const QString headline =
                QStringLiteral("Cannot save \"%1\": %2; nothing written")
                    .arg(ToQ(DisplayPath(path)), CsvUnwritableSummary(qsizetype(unwritable.size())));
            throw Error(FindingsReport(headline, unwritable, FileNameOnly(path)));
        }
    }
    const QByteArray bytes = format == TableFormat::Json ? WriteJsonQuestions(base) : WriteCsvQuestions(base);
    WriteOutputFile(path, [&bytes](OutputStream& out) {
        out.Write(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    });
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
    const std::optional<TableFormat> table = TableFormatOfName(openDialog.FileName);
    QuestionBase loaded = table ? LoadTableFile(path, *table) : LoadBaseFile(path);
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
    try {
        // A table holds no records, so the caption keeps what it shows.
        if (const std::optional<TableFormat> table = TableFormatOfName(saveDialog.FileName)) {
            SaveTableFile(base, path, *table);
        } else {
            int shown = -1;
            SaveBaseFile(base, path, [&fields, &shown](int length) {
                // Every record shows its length in the caption; set it only when it changes.
                if (length != shown) {
                    fields.SetCaption(IntToStr(length));
                    shown = length;
                }
            });
        }
    } catch (const SaveNotConfirmed& unconfirmed) {
        // The file is saved: no error box, only what the system left unsure.
        fields.LogEvent(LogMessages::SavedUnconfirmedBefore + name + LogMessages::SavedUnconfirmedAfter +
                        unconfirmed.Cause());
        return;
    }
    fields.LogEvent(LogMessages::BaseSaved + name);
}

} // namespace Commands
