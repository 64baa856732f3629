#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

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
 *  The texts live in blocks that never move, each entry a span of one. A
 *  text whose code units are all below U+0080 or in one other run of 128
 *  (the Cyrillic letters, say) is kept in one byte per code unit, any other
 *  in its UTF-16 code units. The base also keeps a hash of its complete
 *  questions' texts for FindQuestionText. */
class QuestionBase
{
public:
    QuestionBase() = default;
    QuestionBase(const QuestionBase& other);
    QuestionBase& operator=(const QuestionBase& other);
    QuestionBase(QuestionBase&& other) noexcept { Swap(other); }
    QuestionBase& operator=(QuestionBase&& other) noexcept
    {
        Swap(other);
        return *this;
    }

    int EntryCount() const noexcept { return static_cast<int>(m_entries); }
    /** Entry count divided by 8, rounded down. */
    int QuestionCount() const noexcept { return EntryCount() / EntriesPerQuestion; }

    void Append(std::u16string_view entry);

    /** Entry n's text, valid until the base next changes and for at least
     *  the next ViewsKept - 1 calls of Entry (a text kept in bytes is
     *  widened into one of that many buffers). Not for use from two threads
     *  at once. Throws Error("List index out of bounds (<n>)") for n outside
     *  the entries. */
    std::u16string_view Entry(int n) const;
    static constexpr int ViewsKept = 16;
    /** Throws as Entry; the base is unchanged then. */
    void Replace(int n, std::u16string_view entry);

    void Clear() noexcept;
    /** Makes room for `entries` more entries, so that appending that many
     *  moves nothing; `units` is their code units at most (unused). */
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

    // Where an entry's text is: `start` counts code units from the first
    // block, a block holding 2^BlockBits of them. `window` 0 marks UTF-16
    // code units; w > 0 one byte per code unit, a byte b >= 0x80 standing
    // for (w - 1) * 0x80 + b - 0x80 and a smaller one for itself.
    struct Span
    {
        std::uint32_t start;
        std::uint32_t length : 22;
        std::uint32_t window : 10;
    };
    static constexpr unsigned BlockBits = 18;
    static constexpr unsigned SpanBlockBits = 13;
    static constexpr std::size_t MaxLength = (std::size_t(1) << 22) - 1;

    const Span& SpanOf(std::size_t n) const noexcept
    {
        return m_spans[n >> SpanBlockBits][n & ((std::size_t(1) << SpanBlockBits) - 1)];
    }
    Span& SpanOf(std::size_t n) noexcept
    {
        return m_spans[n >> SpanBlockBits][n & ((std::size_t(1) << SpanBlockBits) - 1)];
    }
    char16_t* At(std::uint32_t start) const noexcept
    {
        return m_blocks[start >> BlockBits].get() + (start & ((1u << BlockBits) - 1));
    }
    /** The text of a span, widened into `wide` when it is kept in bytes. */
    std::u16string_view Text(Span span, std::u16string& wide) const;
    bool Equals(Span span, std::u16string_view text) const noexcept;
    /** Makes room for `entries` more spans. */
    void ReserveSpans(std::size_t entries);
    /** Places `text` in the blocks, reserving first: a failure changes nothing. */
    Span Store(std::u16string_view text);
    /** Where `units` code units will go, making a block when needed. */
    std::uint32_t Place(std::size_t units);
    void Write(Span span, std::u16string_view text) noexcept;
    void Compact();
    // The hash of question texts: one chain per bucket through m_next. The
    // questions appended last may wait in m_hashes, unlinked, until
    // LinkPending puts them into their chains in one pass; every use of the
    // chains links them first.
    void IndexQuestion(int k, std::uint32_t hash) noexcept;
    void LinkPending() const noexcept;
    static constexpr std::size_t LinkBatch = 512;
    void UnindexQuestion(int k) noexcept;
    void GrowIndex(std::size_t questions);
    void Rehash(std::size_t buckets);
    int FindQuestion(std::u16string_view text) const;
    std::uint32_t StoredHash(int k);

    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    // The next free code unit of the last block.
    std::uint32_t m_free = 0;
    std::vector<std::unique_ptr<Span[]>> m_spans;
    std::size_t m_entries = 0;
    // Code units of the blocks that no entry uses any longer (left by Replace).
    std::size_t m_unused = 0;
    std::vector<std::uint32_t> m_hashes; // per complete question
    mutable std::vector<std::int32_t> m_next;  // per complete question, -1 ends a chain
    mutable std::vector<std::int32_t> m_heads; // per bucket, a power of two of them
    mutable std::size_t m_linked = 0;          // questions in the chains
    // Where Entry widens texts kept in bytes, used in turn.
    mutable std::array<std::u16string, ViewsKept> m_wide;
    mutable std::size_t m_nextWide = 0;
    std::u16string m_scratch;
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

/** The texts, in field order, of the record that adding a question stores:
 *  those given, except that each answer the round value does not use
 *  (RoundUsesAnswer) is stored as UnusedAnswer. */
std::array<std::u16string_view, EntriesPerQuestion>
AddedTexts(std::u16string_view round, std::int32_t roundValue, std::u16string_view question,
           const std::array<std::u16string_view, AnswerCount>& answers, std::u16string_view correct);
/** The same record with its own copies of the texts. */
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

} // namespace vt
