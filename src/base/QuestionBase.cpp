#include "QuestionBase.h"

#include "Error.h"
#include "IntText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>

void ThrowListIndexError(std::int64_t n)
{
    std::u16string text = n < INT32_MIN || n > INT32_MAX ? u"?" : IntToStr(static_cast<std::int32_t>(n));
    throw Error(u"List index out of bounds (" + text + u")");
}

namespace {

// Room for `size` elements, growing by doubling: reserving the exact size
// on every add would copy the whole vector each time.
template <class T> void GrowFor(std::vector<T>& v, std::size_t size)
{
    if (size > v.capacity())
        v.reserve(std::max(v.capacity() * 2, size));
}

// Replaced texts are dropped from the buffer once they take more room than
// this and more than the live texts.
constexpr std::size_t CompactAbove = std::size_t(1) << 20;
constexpr std::size_t MaxUnits = UINT32_MAX;

} // namespace

std::u16string_view QuestionBase::Entry(int n) const
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    return Text(m_spans[static_cast<std::size_t>(n)]);
}

void QuestionBase::ReserveMore(std::size_t entries, std::size_t units)
{
    if (m_text.size() + units > MaxUnits)
        throw std::length_error("question base texts");
    if (m_text.size() + units > m_text.capacity())
        m_text.reserve(std::max(m_text.capacity() * 2, m_text.size() + units));
    if (m_spans.size() + entries > m_spans.capacity())
        m_spans.reserve(std::max(m_spans.capacity() * 2, m_spans.size() + entries));
}

void QuestionBase::Reserve(std::size_t entries, std::size_t units)
{
    if (m_text.size() + units > MaxUnits)
        throw std::length_error("question base texts");
    m_spans.reserve(m_spans.size() + entries);
    m_text.reserve(m_text.size() + units);
    const std::size_t questions = (m_spans.size() + entries) / EntriesPerQuestion;
    m_hashes.reserve(questions);
    m_next.reserve(questions);
    std::size_t buckets = m_heads.size();
    while (buckets < questions)
        buckets = std::max<std::size_t>(buckets * 2, 16);
    if (buckets != m_heads.size())
        Rehash(buckets);
}

QuestionBase::Span QuestionBase::Store(std::u16string_view text)
{
    // Room is reserved beforehand, so `text` (which may lie in the buffer)
    // stays valid while it is copied.
    const Span span{static_cast<std::uint32_t>(m_text.size()), static_cast<std::uint32_t>(text.size())};
    m_text.insert(m_text.end(), text.begin(), text.end());
    return span;
}

void QuestionBase::Append(std::u16string_view entry)
{
    // A text of the buffer itself is copied out first: growing moves the buffer.
    if (!m_text.empty() && entry.data() >= m_text.data() && entry.data() < m_text.data() + m_text.size()) {
        const std::u16string copy(entry);
        Append(copy);
        return;
    }
    const bool completes = (EntryCount() + 1) % EntriesPerQuestion == 0;
    ReserveMore(1, entry.size());
    if (completes) {
        GrowFor(m_hashes, static_cast<std::size_t>(QuestionCount()) + 1);
        GrowFor(m_next, static_cast<std::size_t>(QuestionCount()) + 1);
        if (static_cast<std::size_t>(QuestionCount()) + 1 > m_heads.size())
            Rehash(std::max<std::size_t>(m_heads.size() * 2, 16));
    }
    m_spans.push_back(Store(entry));
    if (completes)
        IndexQuestion(QuestionCount() - 1);
}

void QuestionBase::AppendQuestion(const std::array<std::u16string_view, EntriesPerQuestion>& texts)
{
    if (EntryCount() % EntriesPerQuestion != 0) {
        for (const auto text : texts)
            Append(text);
        return;
    }
    std::size_t units = 0;
    for (const auto text : texts) {
        if (!m_text.empty() && text.data() >= m_text.data() && text.data() < m_text.data() + m_text.size()) {
            // Texts of the base itself: copy them out before the buffer grows.
            std::array<std::u16string, EntriesPerQuestion> copies;
            std::array<std::u16string_view, EntriesPerQuestion> views;
            for (std::size_t f = 0; f < copies.size(); ++f) {
                copies[f] = texts[f];
                views[f] = copies[f];
            }
            AppendQuestion(views);
            return;
        }
        units += text.size();
    }
    // Everything is reserved before the first change: a question is stored whole or not at all.
    ReserveMore(EntriesPerQuestion, units);
    const std::size_t k = static_cast<std::size_t>(QuestionCount());
    GrowFor(m_hashes, k + 1);
    GrowFor(m_next, k + 1);
    if (k + 1 > m_heads.size())
        Rehash(std::max<std::size_t>(m_heads.size() * 2, 16));
    for (const auto text : texts)
        m_spans.push_back(Store(text));
    IndexQuestion(static_cast<int>(k));
}

void QuestionBase::Replace(int n, std::u16string_view entry)
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    if (!m_text.empty() && entry.data() >= m_text.data() && entry.data() < m_text.data() + m_text.size()) {
        const std::u16string copy(entry);
        Replace(n, copy);
        return;
    }
    Span& old = m_spans[static_cast<std::size_t>(n)];
    const int k = n / EntriesPerQuestion;
    const bool indexed = n % EntriesPerQuestion == FieldQuestion && k < QuestionCount();
    if (entry.size() <= old.length) {
        // Fits in place.
        std::copy(entry.begin(), entry.end(), m_text.begin() + old.start);
        m_unused += old.length - entry.size();
        if (indexed)
            UnindexQuestion(k);
        old.length = static_cast<std::uint32_t>(entry.size());
    } else {
        ReserveMore(0, entry.size());
        if (indexed)
            UnindexQuestion(k);
        m_unused += old.length;
        old = Store(entry);
    }
    if (indexed)
        IndexQuestion(k);
    if (m_unused > CompactAbove && m_unused > m_text.size() - m_unused)
        Compact();
}

void QuestionBase::Compact()
{
    std::vector<char16_t> text;
    try {
        text.reserve(m_text.size() - m_unused);
    } catch (const std::bad_alloc&) {
        return; // Keeping the unused texts costs only room.
    }
    for (Span& span : m_spans) {
        const auto start = static_cast<std::uint32_t>(text.size());
        text.insert(text.end(), m_text.begin() + span.start, m_text.begin() + span.start + span.length);
        span.start = start;
    }
    m_text.swap(text);
    m_unused = 0;
}

void QuestionBase::Clear() noexcept
{
    QuestionBase empty;
    Swap(empty);
}

void QuestionBase::Swap(QuestionBase& other) noexcept
{
    m_text.swap(other.m_text);
    m_spans.swap(other.m_spans);
    std::swap(m_unused, other.m_unused);
    m_hashes.swap(other.m_hashes);
    m_next.swap(other.m_next);
    m_heads.swap(other.m_heads);
}

void QuestionBase::IndexQuestion(int k) noexcept
{
    // Room for question k and its bucket was made beforehand.
    const std::uint32_t hash =
        QuestionTextHash(Text(m_spans[static_cast<std::size_t>(k) * EntriesPerQuestion + FieldQuestion]));
    const auto at = static_cast<std::size_t>(k);
    if (at == m_hashes.size()) {
        m_hashes.push_back(hash);
        m_next.push_back(-1);
    }
    m_hashes[at] = hash;
    std::int32_t& head = m_heads[hash & (m_heads.size() - 1)];
    m_next[at] = head;
    head = k;
}

void QuestionBase::UnindexQuestion(int k) noexcept
{
    const auto at = static_cast<std::size_t>(k);
    std::int32_t* link = &m_heads[m_hashes[at] & (m_heads.size() - 1)];
    while (*link != k)
        link = &m_next[static_cast<std::size_t>(*link)];
    *link = m_next[at];
}

void QuestionBase::Rehash(std::size_t buckets)
{
    std::vector<std::int32_t> heads(buckets, -1);
    const auto count = static_cast<std::int32_t>(m_hashes.size());
    for (std::int32_t k = 0; k < count; ++k) {
        std::int32_t& head = heads[m_hashes[static_cast<std::size_t>(k)] & (buckets - 1)];
        m_next[static_cast<std::size_t>(k)] = head;
        head = k;
    }
    m_heads.swap(heads);
}

int QuestionBase::FindQuestion(std::u16string_view text) const
{
    if (m_heads.empty())
        return -1;
    const std::uint32_t hash = QuestionTextHash(text);
    int first = -1;
    // A chain holds every question with an equal text, in no order.
    for (std::int32_t k = m_heads[hash & (m_heads.size() - 1)]; k >= 0;
         k = m_next[static_cast<std::size_t>(k)]) {
        if (m_hashes[static_cast<std::size_t>(k)] == hash &&
            Text(m_spans[static_cast<std::size_t>(k) * EntriesPerQuestion + FieldQuestion]) == text &&
            (first < 0 || k < first))
            first = k;
    }
    return first;
}

void QuestionBase::AppendRecord(const QuestionRecord& record)
{
    AppendQuestion({record.round, record.question, record.answers[0], record.answers[1], record.answers[2],
                    record.answers[3], record.answers[4], record.correct});
}

QuestionRecord QuestionBase::Record(int k) const
{
    const int first = k * EntriesPerQuestion;
    QuestionRecord record;
    record.round = Entry(first + FieldRound);
    record.question = Entry(first + FieldQuestion);
    for (int i = 0; i < AnswerCount; ++i)
        record.answers[static_cast<std::size_t>(i)] = Entry(first + FieldAnswer0 + i);
    record.correct = Entry(first + FieldCorrect);
    return record;
}

std::u16string QuestionLabel(int k, std::u16string_view questionText)
{
    std::u16string label = IntToStr(k);
    label += u". ";
    label += questionText;
    return label;
}

QuestionRecord AddedRecord(std::u16string round, std::int32_t roundValue, std::u16string question,
                           std::array<std::u16string, AnswerCount> answers, std::u16string correct)
{
    QuestionRecord record;
    record.round = std::move(round);
    record.question = std::move(question);
    for (int n = 0; n < AnswerCount; ++n) {
        auto& answer = answers[static_cast<std::size_t>(n)];
        record.answers[static_cast<std::size_t>(n)] =
            RoundUsesAnswer(roundValue, n) ? std::move(answer) : UnusedAnswer;
    }
    record.correct = std::move(correct);
    return record;
}

std::uint32_t QuestionTextHash(std::u16string_view text) noexcept
{
    return static_cast<std::uint32_t>(std::hash<std::u16string_view>{}(text));
}

int FindQuestionText(const QuestionBase& base, std::u16string_view text)
{
    return base.FindQuestion(text);
}
