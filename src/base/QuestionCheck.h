#pragma once

#include "base/BaseFormat.h"
#include "base/Finding.h"
#include "base/LargeMemory.h"
#include "base/QuestionBase.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The rules that a question of any input must meet before it goes into a
// base, the same for every format and for the check of base files.

namespace vt {

struct QuestionRowView;

/** One question as an input file states it, before it is checked: every
 *  field as text, and where it came from. */
struct QuestionRow
{
    std::u16string place; // how findings refer to it: "line 5", "item 3", "question 4"
    int line = 0;         // the line it starts on, where a line applies
    int number = -1;      // its question number in a base file, where it comes from one
    std::u16string round;
    std::u16string question;
    std::array<std::u16string, AnswerCount> answers;
    std::u16string correct;
    /** Where each field (FieldRound...) stands in a sheet ("B7"), for the
     *  findings about it; empty where the format has no cells. */
    std::array<std::u16string, EntriesPerQuestion> cells;

    operator QuestionRowView() const noexcept;
};

/** A QuestionRow whose texts are kept elsewhere, such as the record just
 *  read from a base file: the checks need no copy of them. */
struct QuestionRowView
{
    std::u16string_view place;
    int line = 0;
    int number = -1;
    std::u16string_view round;
    std::u16string_view question;
    std::array<std::u16string_view, AnswerCount> answers;
    std::u16string_view correct;
    std::array<std::u16string_view, EntriesPerQuestion> cells;
    /** Whether no text can hold a bar: a base file's record, whose texts end
     *  at their first one. The check then does not look for one. */
    bool withoutBars = false;
};

/** The finding `message` about a row, or about its field `field`: placed by
 *  its line, or else by the field's cell, or else the row's place. */
Finding FindingAt(const QuestionRowView& row, std::u16string message, int field = -1);

/** The text without the blanks that spreadsheets and text editors leave
 *  around a cell: C0 blanks (tab to carriage return), the space, U+0085,
 *  U+00A0 and the Unicode spaces. */
std::u16string Trimmed(std::u16string_view text);

/** The round 1 to 5 that a text holds as exactly one digit; 0 for any other. */
int RoundOfText(std::u16string_view text);

/** The answer number 0 to 4 that a text holds as exactly one digit; -1 for
 *  any other. */
int AnswerOfText(std::u16string_view text);

/** How many answers a question of the round text uses when exported: the
 *  round's count, or all five when the text is no round 1 to 5. */
int ExportedAnswerCount(std::u16string_view round);

/** Appends one finding per fault of the question (FindingAt): a round that
 *  is not 1 to 5, an empty question text, an empty answer that the round
 *  needs, a correct index beyond the round's answers, and, for the texts
 *  that a base file would store, a question text over 255 or an answer over
 *  40 code units and a bar "|" (the format's filler) in any of them. */
void CheckQuestionRow(const QuestionRowView& row, Findings& findings);

/** Checks rows one after another: CheckQuestionRow, and a question text that
 *  an earlier row has (the same UTF-16 code units: letter case and blanks
 *  count), which is reported as "the question text repeats <its place>".
 *  Each row is kept as adding it to a base would store it (AddedRecord). */
class RowChecker
{
public:
    /** With `keepRows` false only the question texts are kept, enough for
     *  the repeat check, and Rows() stays empty. */
    explicit RowChecker(bool keepRows = true) : m_keepRows(keepRows) {}

    /** Makes room for `rows` rows of the longest question texts, so that
     *  what is kept never moves; room the texts do not fill is never touched. */
    void Reserve(std::size_t rows);
    void Check(const QuestionRowView& row, Findings& findings);
    /** The rows checked so far, as a base. */
    QuestionBase& Rows() noexcept { return m_rows; }

private:
    // The earlier row whose question text is `text`, or -1; then keeps it.
    int FindOrKeepQuestion(std::u16string_view text);
    // Makes the table of question texts at most half full with `rows` rows.
    void GrowSlots(std::size_t rows);

    bool m_keepRows;
    QuestionBase m_rows;
    // What a whole table or base fills.
    using Units = std::basic_string<char16_t, std::char_traits<char16_t>, LargeAllocator<char16_t>>;
    template <class T> using Large = std::vector<T, LargeAllocator<T>>;

    // Without the rows: their question texts one after another, where each
    // ends, and a table by the texts' hash of the hash (the high half) and
    // the row number + 1 (the low half; 0 is a free slot).
    Units m_questions;
    Large<std::size_t> m_questionEnds;
    Large<std::uint64_t> m_slots;
    // The places of the rows, one after another, and where each ends.
    Units m_places;
    Large<std::size_t> m_placeEnds;
};

/** How a format's findings name answer n: "answer 3", "column answer3",
 *  "answers[3]". */
struct AnswerKey
{
    std::u16string before = u"answer ";
    std::u16string after;

    std::u16string Of(int n) const;
};

/** Where a reader of an input file puts what it reads, row by row. */
class RowSink
{
public:
    virtual ~RowSink() = default;
    /** How the format's findings name answer n; before the first row. */
    virtual void SetAnswerKey(AnswerKey key) = 0;
    /** One question as the file states it. */
    virtual void AddRow(QuestionRow&& row) = 0;
    /** A fault of the input itself (its syntax, a row it cannot make). */
    virtual void AddInputFinding(Finding finding) = 0;
    /** A question that the file holds but no base can (another type, a
     *  partial fraction): a fault of the input, unless unfit questions are
     *  skipped. */
    virtual void AddUnfitQuestion(Finding finding) { AddInputFinding(std::move(finding)); }
    /** What the file holds and the base has no place for, dropped from a
     *  question that is kept (feedback, images): reported, never a fault. */
    virtual void AddNote(Finding /*finding*/) {}
    /** Whether the reader may stop: more rows than any base holds have come. */
    virtual bool Full() const = 0;
    /** Forgets every row and finding so far: the input, read further, turned
     *  out to be malformed, and only that is to be reported. */
    virtual void Discard() = 0;
};

/** How many findings a base built from rows keeps; the others are counted. */
inline constexpr std::size_t KeptFindings = 100;

/** A base made from input rows, or the reasons it cannot be made. */
struct BuiltBase
{
    QuestionBase base;            // empty whenever findings is not
    Findings findings;            // the first KeptFindings of them
    std::size_t findingCount = 0; // all of them
};

/** Makes a base from rows given one at a time, as the editor's "Add
 *  Question" would store them: the round and index digits, the question, the
 *  answers the round uses, one blank for each answer it does not use. Each
 *  row is checked (RowChecker), and so is the answer filled beyond its
 *  round's answers, which the base would lose, and the count of questions.
 *  Only the first KeptFindings findings are kept, so that a table of any
 *  size costs no more than its base. */
class BaseBuilder : public RowSink
{
public:
    explicit BaseBuilder(AnswerKey key = {}) : m_key(std::move(key)) {}

    /** Makes room for `rows` rows. */
    void Reserve(std::size_t rows) { m_checker.Reserve(rows); }
    void SetAnswerKey(AnswerKey key) override { m_key = std::move(key); }
    /** Checks and keeps one row. */
    void Add(const QuestionRow& row);
    void AddRow(QuestionRow&& row) override { Add(row); }
    /** Faults of the input itself come first, before those of its rows. */
    void AddInputFinding(Finding finding) override;
    /** Whether more rows than a base file holds have come. */
    bool Full() const noexcept override { return m_count > std::size_t(MaxBaseQuestions); }
    void Discard() override;
    /** The base, or every finding and an empty base. */
    BuiltBase Finish();

private:
    AnswerKey m_key;
    RowChecker m_checker;
    Findings m_inputFindings;
    Findings m_rowFindings;
    std::size_t m_findingCount = 0;
    std::size_t m_count = 0;
};

/** BaseBuilder over all the rows. */
BuiltBase BuildQuestionBase(const std::vector<QuestionRow>& rows, const AnswerKey& key = {});

} // namespace vt
