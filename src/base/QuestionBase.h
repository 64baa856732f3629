#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/** Field numbers of a question's eight entries, in stored order. */
enum QuestionField : int
{
    FieldRound = 0,
    FieldQuestion = 1,
    FieldAnswer0 = 2, // answers 0 to 4 are fields 2 to 6
    FieldCorrect = 7,
};
inline constexpr int EntriesPerQuestion = 8;
/** Answers a question has room for, and the rounds of the game (1 to 5). */
inline constexpr int AnswerCount = 5;
inline constexpr int RoundCount = 5;

/** The eight strings of one question: round, question text, answers 0 to 4,
 *  correct index, all held as text. */
struct QuestionRecord
{
    std::u16string round;
    std::u16string question;
    std::array<std::u16string, AnswerCount> answers;
    std::u16string correct;

    bool operator==(const QuestionRecord&) const = default;
};

/** The document: a flat ordered list of UTF-16 strings, eight per question;
 *  question k occupies entries 8k to 8k+7. Only appending at the end,
 *  replacing in place and removing everything change it.
 *
 *  The texts live in one growable buffer, each entry a span of it; the base
 *  also keeps a hash of its complete questions' texts for FindQuestionText. */
class QuestionBase
{
public:
    int EntryCount() const noexcept { return static_cast<int>(m_spans.size()); }
    /** Entry count divided by 8, rounded down. */
    int QuestionCount() const noexcept { return EntryCount() / EntriesPerQuestion; }

    void Append(std::u16string_view entry);

    /** Entry n's text, valid until the base next changes. Throws
     *  Error("List index out of bounds (<n>)") for n outside the entries. */
    std::u16string_view Entry(int n) const;
    /** Throws as Entry; the base is unchanged then. */
    void Replace(int n, std::u16string_view entry);

    void Clear() noexcept;
    /** Makes room for `entries` more entries holding `units` more code units,
     *  so that appending that much allocates nothing. */
    void Reserve(std::size_t entries, std::size_t units = 0);

    /** Appends the record's eight strings in field order. */
    void AppendRecord(const QuestionRecord& record);
    /** Appends one question's eight texts in field order: all of them or,
     *  when memory runs out, none. */
    void AppendQuestion(const std::array<std::u16string_view, EntriesPerQuestion>& texts);
    /** The eight entries of question k; throws the list-index error for the
     *  first entry outside the base. */
    QuestionRecord Record(int k) const;

    void Swap(QuestionBase& other) noexcept;

private:
    friend int FindQuestionText(const QuestionBase& base, std::u16string_view text);

    struct Span
    {
        std::uint32_t start;
        std::uint32_t length;
    };

    std::u16string_view Text(Span span) const noexcept { return {m_text.data() + span.start, span.length}; }
    void ReserveMore(std::size_t entries, std::size_t units);
    Span Store(std::u16string_view text);
    void Compact();
    // The hash of question texts: one chain per bucket through m_next.
    void IndexQuestion(int k) noexcept;
    void UnindexQuestion(int k) noexcept;
    void Rehash(std::size_t buckets);
    int FindQuestion(std::u16string_view text) const;

    std::vector<char16_t> m_text;
    std::vector<Span> m_spans;
    // Code units of m_text that no entry uses any longer (left by Replace).
    std::size_t m_unused = 0;
    std::vector<std::uint32_t> m_hashes; // per complete question
    std::vector<std::int32_t> m_next;    // per complete question, -1 ends a chain
    std::vector<std::int32_t> m_heads;   // per bucket, a power of two of them
};

/** The list-index error for position n. */
[[noreturn]] void ThrowListIndexError(std::int64_t n);

/** The line shown for question k: k in decimal, ". ", the question text. */
std::u16string QuestionLabel(int k, std::u16string_view questionText);

// The round rules. A round uses answers 0 and 1 (round 1), 0 to 2 (round 2),
// 0 to 3 (round 3) or all five (rounds 4 and 5).

/** Whether a question of the round value uses answer n: answers 0 and 1
 *  always, answer n from 2 on when the value is at least n (so every answer
 *  for a value above 5, none beyond 1 for a value below 2). Adding a question
 *  needs exactly these answers filled (QuestionComplete) and stores them as
 *  typed; each of the others is stored as UnusedAnswer (AddedRecord). */
constexpr bool RoundUsesAnswer(std::int32_t round, int n) noexcept
{
    return n < 2 || round >= n;
}

/** Whether answer box n is enabled for the round value: rounds 1, 2 and 3
 *  disable the answers beyond their count, any other value disables none. */
constexpr bool AnswerEnabled(std::int32_t round, int n) noexcept
{
    return n < 2 || round < 1 || round > 3 || n <= round;
}

/** Number of answers that a round 1 to 5 uses (2, 3, 4, 5, 5); 0 otherwise. */
constexpr int AnswersOfRound(std::int32_t round) noexcept
{
    return round >= 1 && round <= 5 ? (round >= 4 ? 5 : round + 1) : 0;
}

/** The one blank that stands for an answer its question's round does not use. */
inline constexpr char16_t UnusedAnswer[] = u" ";

/** The record that adding a question stores: the texts as given, except that
 *  each answer the round value does not use (RoundUsesAnswer) is stored as
 *  UnusedAnswer. */
QuestionRecord AddedRecord(std::u16string round, std::int32_t roundValue, std::u16string question,
                           std::array<std::u16string, AnswerCount> answers, std::u16string correct);

/** Whether a question holds what its round needs: a question text, answers 0
 *  and 1, and each answer 2 to 4 that the round uses (RoundUsesAnswer). "Empty" is the
 *  empty text only; blanks count as filled. `round` is called only when an
 *  optional answer is empty, at most once. */
template <class RoundValue>
bool QuestionComplete(std::u16string_view question, const std::array<std::u16string, AnswerCount>& answers,
                      RoundValue round)
{
    if (question.empty())
        return false;
    bool known = false;
    std::int32_t value = 0;
    for (int n = 0; n < AnswerCount; ++n) {
        if (!answers[static_cast<std::size_t>(n)].empty())
            continue;
        if (n < 2)
            return false;
        if (!known) {
            value = round();
            known = true;
        }
        if (RoundUsesAnswer(value, n))
            return false;
    }
    return true;
}

/** The hash of a question text that the repeat check uses. */
std::uint32_t QuestionTextHash(std::u16string_view text) noexcept;

/** The first question whose text is `text` (the same code units: letter case
 *  and blanks count), or -1. This is the repeat check of adding a question;
 *  it costs the same however many questions the base holds. */
int FindQuestionText(const QuestionBase& base, std::u16string_view text);
