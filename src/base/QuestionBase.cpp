#include "base/QuestionBase.h"

#include "base/UnitVector.h"
#include "text/Error.h"
#include "text/IntText.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

namespace vt {

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

// Replaced texts are dropped from the blocks once they take more room than
// this and more than the live texts.
constexpr std::size_t CompactAbove = std::size_t(1) << 20;
constexpr std::size_t MaxUnits = UINT32_MAX;

using Bytes8 = std::uint8_t __attribute__((vector_size(8)));

// Looks at a text's code units from U+0080 up and, when `Write`, writes the
// text in one byte per code unit: its low seven bits, with the top bit for
// a unit from U+0080 up. Returns the window of the text: 1 + the number of
// the run of 128 that holds those units (1 when it has none), or 0 when they
// lie in more than one run and the bytes cannot stand for the text.
template <bool Write> unsigned ScanBytes(std::u16string_view text, unsigned char* bytes) noexcept
{
    // All runs of the units from U+0080 up are one when their OR equals
    // their AND; units below U+0080 leave both alone.
    Units8 any{};
    Units8 all = ~Units8{};
    const auto step = [&](std::size_t i) {
        const Units8 v = LoadUnits8(text.data() + i);
        const Units8 runs = v >> 7;
        const auto wide = reinterpret_cast<Units8>(runs != 0);
        any |= runs;
        all &= runs | ~wide;
        if constexpr (Write) {
            const Bytes8 packed = __builtin_convertvector((v & 0x7f) | (wide & 0x80), Bytes8);
            std::memcpy(bytes + i, &packed, sizeof packed);
        }
    };
    std::size_t i = 0;
    for (; i + VectorUnits <= text.size(); i += VectorUnits)
        step(i);
    // The last units of a longer text are one more step, which looks at some
    // units again and writes their bytes again, as they were.
    if (i < text.size() && text.size() >= VectorUnits) {
        step(text.size() - VectorUnits);
        i = text.size();
    }
    unsigned anyRun = 0;
    unsigned allRuns = 0xffff;
    for (std::size_t lane = 0; lane < VectorUnits; ++lane) {
        anyRun |= any[lane];
        allRuns &= all[lane];
    }
    for (; i < text.size(); ++i) {
        const unsigned run = text[i] >> 7;
        anyRun |= run;
        allRuns &= run != 0 ? run : 0xffff;
        if constexpr (Write)
            bytes[i] = static_cast<unsigned char>((text[i] & 0x7f) | (run != 0 ? 0x80 : 0));
    }
    if (anyRun == 0)
        return 1;
    return anyRun == allRuns ? anyRun + 1 : 0;
}

unsigned ByteWindow(std::u16string_view text) noexcept
{
    return ScanBytes<false>(text, nullptr);
}

unsigned PackBytes(std::u16string_view text, unsigned char* bytes) noexcept
{
    return ScanBytes<true>(text, bytes);
}

// Code units a text takes in the blocks.
std::size_t StoredUnits(std::size_t length, unsigned window) noexcept
{
    return window == 0 ? length : (length + 1) / 2;
}

char16_t Widened(unsigned char b, char16_t base) noexcept
{
    return b < 0x80 ? char16_t(b) : char16_t(base + (b - 0x80));
}

} // namespace

std::u16string_view QuestionBase::Entry(int n) const
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    std::u16string& wide = m_wide[m_nextWide];
    const Span span = SpanOf(static_cast<std::size_t>(n));
    if (span.window != 0)
        m_nextWide = (m_nextWide + 1) % m_wide.size();
    return Text(span, wide);
}

std::u16string_view QuestionBase::Text(Span span, std::u16string& wide) const
{
    if (span.length == 0)
        return {};
    const char16_t* units = At(span.start);
    if (span.window == 0)
        return {units, span.length};
    // Bytes are read through unsigned char, which may look at any object.
    const auto* bytes = reinterpret_cast<const unsigned char*>(units);
    const auto base = static_cast<char16_t>((span.window - 1) << 7);
    wide.resize(span.length);
    for (std::size_t i = 0; i < span.length; ++i)
        wide[i] = Widened(bytes[i], base);
    return wide;
}

bool QuestionBase::Equals(Span span, std::u16string_view text) const noexcept
{
    if (span.length != text.size())
        return false;
    if (span.length == 0)
        return true;
    const char16_t* units = At(span.start);
    if (span.window == 0)
        return std::equal(text.begin(), text.end(), units);
    const auto* bytes = reinterpret_cast<const unsigned char*>(units);
    const auto base = static_cast<char16_t>((span.window - 1) << 7);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Widened(bytes[i], base) != text[i])
            return false;
    }
    return true;
}

void QuestionBase::ReserveSpans(std::size_t entries)
{
    constexpr std::size_t perBlock = std::size_t(1) << SpanBlockBits;
    const std::size_t blocks = (m_entries + entries + perBlock - 1) / perBlock;
    if (blocks > m_spans.size())
        m_spans.reserve(std::max(blocks, m_spans.size() * 2));
    while (m_spans.size() < blocks)
        m_spans.push_back(std::make_unique_for_overwrite<Span[]>(perBlock));
}

std::uint32_t QuestionBase::Place(std::size_t units)
{
    constexpr std::size_t blockUnits = std::size_t(1) << BlockBits;
    if (units == 0)
        return 0;
    // A text longer than a block gets blocks of its own, as many as it
    // spans, all of one allocation.
    const std::size_t blocks = (units + blockUnits - 1) / blockUnits;
    if (!m_blocks.empty() && blocks == 1 && m_free + units <= blockUnits)
        return static_cast<std::uint32_t>(((m_blocks.size() - 1) << BlockBits) + m_free);
    const std::size_t first = m_blocks.size();
    if ((first + blocks) << BlockBits > MaxUnits + std::size_t(1))
        throw std::length_error("question base texts");
    m_blocks.reserve(std::max(first + blocks, m_blocks.size() * 2));
    m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(blocks * blockUnits));
    // The further blocks of a long text lie in its one allocation; they are
    // kept as empty owners beside the first, so that no text is placed there.
    for (std::size_t b = 1; b < blocks; ++b)
        m_blocks.emplace_back(nullptr);
    m_free = 0;
    return static_cast<std::uint32_t>(first << BlockBits);
}

QuestionBase::Span QuestionBase::Store(std::u16string_view text)
{
    if (text.size() > MaxLength)
        throw std::length_error("question base text");
    // Room for the text's UTF-16 units; it is tried in bytes first.
    Span span{Place(text.size()), static_cast<std::uint32_t>(text.size()), 1};
    if (text.empty())
        return span;
    char16_t* units = At(span.start);
    span.window = PackBytes(text, reinterpret_cast<unsigned char*>(units));
    if (span.window == 0)
        std::copy(text.begin(), text.end(), units);
    m_free = static_cast<std::uint32_t>((span.start & ((1u << BlockBits) - 1)) +
                                        StoredUnits(text.size(), span.window));
    // After a text of blocks of its own the next one starts a new block.
    if (m_blocks.back() == nullptr)
        m_free = 1u << BlockBits;
    return span;
}

void QuestionBase::Write(Span span, std::u16string_view text) noexcept
{
    if (text.empty())
        return;
    char16_t* units = At(span.start);
    if (span.window == 0)
        std::copy(text.begin(), text.end(), units);
    else
        PackBytes(text, reinterpret_cast<unsigned char*>(units));
}

void QuestionBase::GrowIndex(std::size_t questions)
{
    GrowFor(m_hashes, questions);
    GrowFor(m_next, questions);
    if (questions > m_heads.size())
        Rehash(std::max<std::size_t>(m_heads.size() * 2, 16));
}

std::uint32_t QuestionBase::StoredHash(int k)
{
    return QuestionTextHash(
        Text(SpanOf(static_cast<std::size_t>(k) * EntriesPerQuestion + FieldQuestion), m_scratch));
}

void QuestionBase::Append(std::u16string_view entry)
{
    // Blocks never move, so a text of the base itself stays valid here.
    const bool completes = (EntryCount() + 1) % EntriesPerQuestion == 0;
    ReserveSpans(1);
    if (completes)
        GrowIndex(static_cast<std::size_t>(QuestionCount()) + 1);
    SpanOf(m_entries) = Store(entry);
    ++m_entries;
    if (completes)
        IndexQuestion(QuestionCount() - 1, StoredHash(QuestionCount() - 1));
}

void QuestionBase::AppendQuestion(const std::array<std::u16string_view, EntriesPerQuestion>& texts)
{
    if (EntryCount() % EntriesPerQuestion != 0) {
        for (const auto text : texts)
            Append(text);
        return;
    }
    // Everything is reserved before the first change: a question is stored
    // whole or not at all. Texts too long for the blocks fail here.
    std::size_t units = 0;
    for (const auto text : texts) {
        if (text.size() > MaxLength)
            throw std::length_error("question base text");
        units += text.size();
    }
    ReserveSpans(EntriesPerQuestion);
    const std::size_t k = static_cast<std::size_t>(QuestionCount());
    GrowIndex(k + 1);
    constexpr std::size_t blockUnits = std::size_t(1) << BlockBits;
    if (units <= blockUnits && units != 0 && (m_blocks.empty() || m_free + units > blockUnits)) {
        // All eight in one new block, so that storing them allocates nothing.
        Place(blockUnits);
        m_free = 0;
    }
    if (units <= blockUnits && units != 0) {
        // All eight fit the last block: each goes where the one before ended.
        const auto block = static_cast<std::uint32_t>((m_blocks.size() - 1) << BlockBits);
        char16_t* const room = m_blocks.back().get();
        for (std::size_t f = 0; f < texts.size(); ++f) {
            const std::u16string_view text = texts[f];
            Span span{0, static_cast<std::uint32_t>(text.size()), 1};
            if (!text.empty()) {
                span.start = block + m_free;
                char16_t* const at = room + m_free;
                span.window = PackBytes(text, reinterpret_cast<unsigned char*>(at));
                if (span.window == 0)
                    std::copy(text.begin(), text.end(), at);
                m_free += static_cast<std::uint32_t>(StoredUnits(text.size(), span.window));
            }
            SpanOf(m_entries + f) = span;
        }
    } else {
        // Should a block fail to come for texts longer than a block, the
        // spans stored so far are simply not counted.
        for (std::size_t f = 0; f < texts.size(); ++f)
            SpanOf(m_entries + f) = Store(texts[f]);
    }
    m_entries += EntriesPerQuestion;
    IndexQuestion(static_cast<int>(k), QuestionTextHash(texts[FieldQuestion]));
}

void QuestionBase::Replace(int n, std::u16string_view entry)
{
    if (n < 0 || n >= EntryCount())
        ThrowListIndexError(n);
    if (entry.size() > MaxLength)
        throw std::length_error("question base text");
    Span& old = SpanOf(static_cast<std::size_t>(n));
    const int k = n / EntriesPerQuestion;
    const bool indexed = n % EntriesPerQuestion == FieldQuestion && k < QuestionCount();
    const unsigned window = ByteWindow(entry);
    const std::size_t had = StoredUnits(old.length, old.window);
    const std::size_t needs = StoredUnits(entry.size(), window);
    if (needs <= had && old.length != 0) {
        // Fits in place. A text of the base itself is copied out first: it
        // may be this very entry, and bytes and code units would overlap.
        if (!entry.empty() && entry.data() >= At(old.start) && entry.data() < At(old.start) + had) {
            const std::u16string copy(entry);
            Replace(n, copy);
            return;
        }
        const Span span{old.start, static_cast<std::uint32_t>(entry.size()), window};
        if (indexed)
            UnindexQuestion(k);
        Write(span, entry);
        m_unused += had - needs;
        old = span;
    } else {
        const Span span = Store(entry);
        if (indexed)
            UnindexQuestion(k);
        m_unused += had;
        old = span;
    }
    if (indexed)
        IndexQuestion(k, QuestionTextHash(entry));
    if (m_unused > CompactAbove && 2 * m_unused > (static_cast<std::size_t>(m_blocks.size()) << BlockBits))
        Compact();
}

void QuestionBase::Compact()
{
    QuestionBase packed;
    try {
        packed.ReserveSpans(m_entries);
        for (std::size_t n = 0; n < m_entries; ++n) {
            const Span span = SpanOf(n);
            const std::size_t units = StoredUnits(span.length, span.window);
            Span moved{packed.Place(units), span.length, span.window};
            if (units != 0) {
                std::copy(At(span.start), At(span.start) + units, packed.At(moved.start));
                packed.m_free = static_cast<std::uint32_t>((moved.start & ((1u << BlockBits) - 1)) + units);
            }
            packed.SpanOf(n) = moved;
        }
    } catch (const std::bad_alloc&) {
        return; // Keeping the unused texts costs only room.
    }
    m_blocks.swap(packed.m_blocks);
    m_spans.swap(packed.m_spans);
    std::swap(m_free, packed.m_free);
    m_unused = 0;
}

QuestionBase::QuestionBase(const QuestionBase& other)
{
    Reserve(other.m_entries);
    for (int n = 0; n < other.EntryCount(); ++n)
        Append(other.Entry(n));
}

QuestionBase& QuestionBase::operator=(const QuestionBase& other)
{
    if (this != &other) {
        QuestionBase copy(other);
        Swap(copy);
    }
    return *this;
}

void QuestionBase::Clear() noexcept
{
    QuestionBase empty;
    Swap(empty);
}

void QuestionBase::Swap(QuestionBase& other) noexcept
{
    m_blocks.swap(other.m_blocks);
    std::swap(m_free, other.m_free);
    m_spans.swap(other.m_spans);
    std::swap(m_entries, other.m_entries);
    std::swap(m_unused, other.m_unused);
    m_hashes.swap(other.m_hashes);
    m_next.swap(other.m_next);
    m_heads.swap(other.m_heads);
    std::swap(m_linked, other.m_linked);
    m_wide.swap(other.m_wide);
    std::swap(m_nextWide, other.m_nextWide);
    m_scratch.swap(other.m_scratch);
}

void QuestionBase::Reserve(std::size_t entries, std::size_t)
{
    ReserveSpans(entries);
    // Room for some more questions too, so that the first add after a
    // load does not move the repeat check's tables.
    const std::size_t questions = (m_entries + entries) / EntriesPerQuestion;
    m_hashes.reserve(questions + questions / 8);
    m_next.reserve(questions + questions / 8);
    std::size_t buckets = m_heads.size();
    while (buckets < questions)
        buckets = std::max<std::size_t>(buckets * 2, 16);
    if (buckets != m_heads.size())
        Rehash(buckets);
}

void QuestionBase::IndexQuestion(int k, std::uint32_t hash) noexcept
{
    // Room for question k and its bucket was made beforehand.
    const auto at = static_cast<std::size_t>(k);
    if (at == m_hashes.size()) {
        // A new question waits for the next batch: linked one at a time
        // between the decoding of records, each bucket written is a cache
        // miss that nothing else overlaps.
        m_hashes.push_back(hash);
        m_next.push_back(-1);
        if (m_hashes.size() - m_linked >= LinkBatch)
            LinkPending();
        return;
    }
    LinkPending();
    m_hashes[at] = hash;
    std::int32_t& head = m_heads[hash & (m_heads.size() - 1)];
    m_next[at] = head;
    head = k;
}

void QuestionBase::LinkPending() const noexcept
{
    const std::size_t mask = m_heads.size() - 1;
    for (std::size_t at = m_linked; at < m_hashes.size(); ++at) {
        std::int32_t& head = m_heads[m_hashes[at] & mask];
        m_next[at] = head;
        head = static_cast<std::int32_t>(at);
    }
    m_linked = m_hashes.size();
}

void QuestionBase::UnindexQuestion(int k) noexcept
{
    LinkPending();
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
    m_linked = m_hashes.size();
}

int QuestionBase::FindQuestion(std::u16string_view text) const
{
    if (m_heads.empty())
        return -1;
    LinkPending();
    const std::uint32_t hash = QuestionTextHash(text);
    int first = -1;
    // A chain holds every question with an equal text, in no order.
    for (std::int32_t k = m_heads[hash & (m_heads.size() - 1)]; k >= 0;
         k = m_next[static_cast<std::size_t>(k)]) {
        if (m_hashes[static_cast<std::size_t>(k)] == hash &&
            Equals(SpanOf(static_cast<std::size_t>(k) * EntriesPerQuestion + FieldQuestion), text) &&
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

std::array<std::u16string_view, EntriesPerQuestion>
AddedTexts(std::u16string_view round, std::int32_t roundValue, std::u16string_view question,
           const std::array<std::u16string_view, AnswerCount>& answers, std::u16string_view correct)
{
    std::array<std::u16string_view, EntriesPerQuestion> texts;
    texts[FieldRound] = round;
    texts[FieldQuestion] = question;
    for (int n = 0; n < AnswerCount; ++n)
        texts[static_cast<std::size_t>(FieldAnswer0 + n)] =
            RoundUsesAnswer(roundValue, n) ? answers[static_cast<std::size_t>(n)] : UnusedAnswer;
    texts[FieldCorrect] = correct;
    return texts;
}

QuestionRecord AddedRecord(std::u16string round, std::int32_t roundValue, std::u16string question,
                           std::array<std::u16string, AnswerCount> answers, std::u16string correct)
{
    std::array<std::u16string_view, AnswerCount> given;
    std::copy(answers.begin(), answers.end(), given.begin());
    const auto texts = AddedTexts(round, roundValue, question, given, correct);
    QuestionRecord record;
    record.round = std::move(round);
    record.question = std::move(question);
    for (int n = 0; n < AnswerCount; ++n)
        record.answers[static_cast<std::size_t>(n)] = texts[static_cast<std::size_t>(FieldAnswer0 + n)];
    record.correct = std::move(correct);
    return record;
}

std::uint32_t QuestionTextHash(std::u16string_view text) noexcept
{
    // Four code units a step, mixed in by a multiplication; the end folds
    // the high bits down, as the buckets are told apart by the low ones.
    constexpr std::uint64_t mix = 0x9e3779b97f4a7c15u;
    std::uint64_t h = text.size() * mix;
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + i, sizeof w);
        h = (std::rotl(h, 23) ^ w) * mix;
    }
    std::uint64_t rest = 0;
    if (i < text.size())
        std::memcpy(&rest, text.data() + i, (text.size() - i) * sizeof(char16_t));
    h = (std::rotl(h, 23) ^ rest) * mix;
    h ^= h >> 32;
    h *= mix;
    h ^= h >> 29;
    return static_cast<std::uint32_t>(h);
}

int FindQuestionText(const QuestionBase& base, std::u16string_view text)
{
    return base.FindQuestion(text);
}

} // namespace vt
