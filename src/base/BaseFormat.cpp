#include "base/BaseFormat.h"

#include "base/UnitVector.h"
#include "text/Error.h"
#include "text/IntText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace vt {

namespace {

// The filler and field-end character: short fields are filled with it, and a
// field read from a file ends at its first one.
constexpr char16_t Bar = u'|';

constexpr std::size_t HeaderWidth = 5;
constexpr std::size_t RecordWidth = 457;
constexpr unsigned KeyModulus = 7;

// Offsets of the fields within a record, in code units from 0.
constexpr std::size_t RoundAt = 0;
constexpr std::size_t QuestionAt = 1;
constexpr std::size_t FirstAnswerAt = QuestionAt + QuestionWidth;
constexpr std::size_t CorrectAt = FirstAnswerAt + AnswerCount * AnswerWidth;

static_assert(CorrectAt + 1 == RecordWidth);
static_assert(BaseHeaderBytes == 2 * HeaderWidth && BaseRecordBytes == 2 * RecordWidth);

constexpr std::size_t AnswerAt(std::size_t i)
{
    return FirstAnswerAt + i * AnswerWidth;
}

// The scrambling key of every offset in a record: the position (offset + 1)
// modulo 7, and 0 for the last code unit, which is never scrambled.
constexpr std::array<char16_t, RecordWidth> RecordKey = [] {
    std::array<char16_t, RecordWidth> key{};
    for (std::size_t i = 0; i + 1 < RecordWidth; ++i)
        key[i] = static_cast<char16_t>((i + 1) % KeyModulus);
    return key;
}();

char16_t LoadUnit(const std::uint8_t* bytes)
{
    return static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
}

void StoreUnit(char16_t unit, std::uint8_t* bytes)
{
    bytes[0] = static_cast<std::uint8_t>(unit & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(unit >> 8);
}

void PutField(std::u16string_view text, std::size_t width, char16_t* units)
{
    const std::size_t n = std::min(text.size(), width);
    std::copy_n(text.data(), n, units);
    // The filler eight units at a time: most of a field is filler.
    std::size_t i = n;
    for (const Units8 bars = Units8{} + static_cast<std::uint16_t>(Bar); i + VectorUnits <= width;
         i += VectorUnits)
        StoreUnits8(units + i, bars);
    std::fill(units + i, units + width, Bar);
}

// The one code unit that a round or correct-index text is written as, or
// false when it has none. An empty text is written as a bar, which keeps the
// record's width and reads back as an empty index; a longer text that reads
// as a number from 0 to 9 is written as that digit.
bool FitUnit(std::u16string_view text, char16_t& unit)
{
    if (text.empty()) {
        unit = Bar;
        return true;
    }
    if (text.size() == 1) {
        unit = text[0];
        return true;
    }
    std::int32_t value = 0;
    if (TryStrToInt(text, value) && value >= 0 && value <= 9) {
        unit = static_cast<char16_t>(u'0' + value);
        return true;
    }
    return false;
}

std::u16string_view Field(const QuestionBase& base, int k, int field)
{
    return base.Entry(k * EntriesPerQuestion + field);
}

std::u16string Quoted(std::u16string_view text)
{
    constexpr std::size_t shown = 20;
    if (text.size() <= shown)
        return u"\"" + std::u16string(text) + u"\"";
    return u"\"" + std::u16string(text.substr(0, shown)) + u"\u2026\"";
}

[[noreturn]] void ThrowUnfit(int k, const std::u16string& problem)
{
    throw Error(u"Question " + IntToStr(k) + u" cannot be saved: " + problem);
}

void CheckUnit(int k, std::u16string_view text, const char16_t* what)
{
    char16_t unit;
    if (!FitUnit(text, unit))
        ThrowUnfit(k, std::u16string(what) + u" " + Quoted(text) +
                          u" does not fit the file's one-character field");
}

// `answer` is the answer's number, or -1 for the question text; the name is
// made only for the message, as the check runs for every text of a base.
void CheckWidth(int k, std::u16string_view text, std::size_t width, int answer)
{
    if (text.size() > width)
        ThrowUnfit(
            k, (answer < 0 ? std::u16string(u"its question text") : u"its answer " + IntToStr(answer)) +
                   u" is " + IntToStr(static_cast<std::int32_t>(text.size())) +
                   u" characters long, the file holds at most " + IntToStr(static_cast<std::int32_t>(width)));
}

// The eight texts of one question, wherever they are held.
using QuestionTexts = std::array<std::u16string_view, EntriesPerQuestion>;

QuestionTexts TextsOf(const QuestionRecord& record)
{
    QuestionTexts texts{};
    texts[FieldRound] = record.round;
    texts[FieldQuestion] = record.question;
    for (int i = 0; i < AnswerCount; ++i)
        texts[static_cast<std::size_t>(FieldAnswer0 + i)] = record.answers[static_cast<std::size_t>(i)];
    texts[FieldCorrect] = record.correct;
    return texts;
}

QuestionTexts TextsOf(const QuestionBase& base, int k)
{
    QuestionTexts texts{};
    for (int f = 0; f < EntriesPerQuestion; ++f)
        texts[static_cast<std::size_t>(f)] = Field(base, k, f);
    return texts;
}

// The record codec: the one place where texts become a record's bytes and back.
void EncodeTexts(const QuestionTexts& texts, std::uint8_t* bytes)
{
    std::array<char16_t, RecordWidth> units;
    // A text that does not fit (CheckBaseLimits refuses it before writing)
    // still gives a defined unit: its first.
    if (!FitUnit(texts[FieldRound], units[RoundAt]))
        units[RoundAt] = texts[FieldRound].front();
    PutField(texts[FieldQuestion], QuestionWidth, &units[QuestionAt]);
    for (std::size_t i = 0; i < AnswerCount; ++i)
        PutField(texts[FieldAnswer0 + i], AnswerWidth, &units[AnswerAt(i)]);
    if (!FitUnit(texts[FieldCorrect], units[CorrectAt]))
        units[CorrectAt] = texts[FieldCorrect].front();
    // Scrambled eight units at a time, as decoding does; the last unit after
    // the whole vectors is never scrambled.
    std::size_t i = 0;
    for (; i + VectorUnits <= RecordWidth; i += VectorUnits)
        StoreUnits8(bytes + 2 * i, LoadUnits8(&units[i]) ^ LoadUnits8(&RecordKey[i]));
    for (; i < RecordWidth; ++i)
        StoreUnit(static_cast<char16_t>(units[i] ^ RecordKey[i]), &bytes[2 * i]);
}

// Records encoded per write: large writes, and little enough memory.
constexpr int RecordsPerWrite = 1024;

} // namespace

namespace {

// A record is decoded eight code units at a time (the file is
// little-endian, as is every machine it is read on).
static_assert(std::endian::native == std::endian::little);
constexpr std::size_t RecordVectors = RecordWidth / VectorUnits;
// The one unit after the whole vectors is the last, which is never scrambled.
static_assert(RecordVectors * VectorUnits + 1 == RecordWidth);

// The length of a field's text: the units before its first bar, or all of
// the field when it has none.
std::size_t TextLength(const char16_t* field, std::size_t width)
{
    return FindUnit(field, width, Bar);
}

} // namespace

// Decodes one record's bytes into `units` and points `texts` at its fields
// there: each field's text before its first bar, the round as its one unit.
void DecodeRecordTexts(const std::uint8_t* bytes, RecordUnits& units, RecordTexts& texts)
{
    for (std::size_t v = 0; v < RecordVectors; ++v) {
        const std::size_t at = v * VectorUnits;
        StoreUnits8(&units[at], LoadUnits8(bytes + 2 * at) ^ LoadUnits8(&RecordKey[at]));
    }
    units[RecordWidth - 1] = LoadUnit(&bytes[2 * (RecordWidth - 1)]);
    const auto cut = [&units](std::size_t at, std::size_t width) {
        return std::u16string_view(&units[at], TextLength(&units[at], width));
    };
    texts[FieldRound] = std::u16string_view(&units[RoundAt], 1);
    texts[FieldQuestion] = cut(QuestionAt, QuestionWidth);
    for (std::size_t i = 0; i < AnswerCount; ++i)
        texts[FieldAnswer0 + i] = cut(AnswerAt(i), AnswerWidth);
    texts[FieldCorrect] = cut(CorrectAt, 1);
}

namespace {

// The question whose texts a decoded record holds, copied out of it.
QuestionRecord RecordOf(const RecordTexts& texts)
{
    QuestionRecord record;
    record.round = texts[FieldRound];
    record.question = texts[FieldQuestion];
    for (std::size_t i = 0; i < AnswerCount; ++i)
        record.answers[i] = texts[FieldAnswer0 + i];
    record.correct = texts[FieldCorrect];
    return record;
}

QuestionRecord DecodeBytes(const std::uint8_t* bytes)
{
    RecordUnits units;
    RecordTexts texts;
    DecodeRecordTexts(bytes, units, texts);
    return RecordOf(texts);
}

} // namespace

std::u16string EncodeHeader(int count)
{
    if (count < 0 || count > MaxBaseQuestions)
        throw Error(u"The question count " + IntToStr(count) + u" does not fit the file header");
    std::u16string text = IntToStr(count);
    text.append(HeaderWidth - text.size(), Bar);
    return text;
}

std::int32_t DecodeHeader(std::u16string_view header)
{
    return StrToInt(std::u16string(header.substr(0, std::min(header.find(Bar), header.size()))));
}

RecordBytes EncodeRecord(const QuestionRecord& record)
{
    RecordBytes bytes;
    EncodeTexts(TextsOf(record), bytes.data());
    return bytes;
}

QuestionRecord DecodeRecord(const std::uint8_t* bytes)
{
    return DecodeBytes(bytes);
}

void CheckBaseLimits(const QuestionBase& base)
{
    const int n = base.QuestionCount();
    if (n > MaxBaseQuestions)
        throw Error(u"The base cannot be saved: it holds " + IntToStr(n) +
                    u" questions, the file holds at most " + IntToStr(MaxBaseQuestions));
    for (int k = 0; k < n; ++k) {
        CheckUnit(k, Field(base, k, FieldRound), u"its round");
        CheckWidth(k, Field(base, k, FieldQuestion), QuestionWidth, -1);
        for (int i = 0; i < AnswerCount; ++i)
            CheckWidth(k, Field(base, k, FieldAnswer0 + i), AnswerWidth, i);
        CheckUnit(k, Field(base, k, FieldCorrect), u"its correct answer number");
    }
}

namespace {

// The one writer loop: the header, then the records, `perWrite` of them
// encoded into each write; every record is notified once the write that
// holds it has gone through.
void WriteRecords(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify,
                  int perWrite)
{
    const int n = base.QuestionCount();

    std::array<std::uint8_t, BaseHeaderBytes> header;
    const std::u16string headerText = EncodeHeader(n);
    for (std::size_t i = 0; i < HeaderWidth; ++i)
        StoreUnit(headerText[i], &header[2 * i]);
    out.Write(header.data(), header.size());

    std::vector<std::uint8_t> chunk(std::size_t(std::min(n, perWrite)) * BaseRecordBytes);
    for (int first = 0; first < n; first += perWrite) {
        const int count = std::min(perWrite, n - first);
        for (int k = 0; k < count; ++k)
            EncodeTexts(TextsOf(base, first + k), chunk.data() + std::size_t(k) * BaseRecordBytes);
        out.Write(chunk.data(), std::size_t(count) * BaseRecordBytes);
        for (int k = 0; notify && k < count; ++k)
            notify(static_cast<int>(RecordWidth));
    }
}

} // namespace

void WriteBase(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify)
{
    // Every record must be exactly 457 code units, or the game misreads all
    // the records after it: refuse the base before the first byte.
    CheckBaseLimits(base);
    WriteRecords(base, out, notify, 1);
}

void WriteCheckedBase(const QuestionBase& base, OutputStream& out, const std::function<void(int)>& notify)
{
    WriteRecords(base, out, notify, RecordsPerWrite);
}

BaseReader::BaseReader(InputStream& in) : m_in(in)
{
    // Bytes that a short read leaves out keep the bytes of blanks.
    std::array<std::uint8_t, BaseHeaderBytes> header;
    for (std::size_t i = 0; i < HeaderWidth; ++i)
        StoreUnit(u' ', &header[2 * i]);
    std::array<std::uint8_t, BaseHeaderBytes> got;
    const std::size_t gotCount = std::min(in.Read(got.data(), got.size()), got.size());
    std::copy_n(got.begin(), gotCount, header.begin());

    std::u16string headerText(HeaderWidth, u' ');
    for (std::size_t i = 0; i < HeaderWidth; ++i)
        headerText[i] = LoadUnit(&header[2 * i]);
    m_count = DecodeHeader(headerText);
}

bool BaseReader::NextTexts(RecordTexts& texts)
{
    if (m_cutShort || m_read >= m_count)
        return false;
    // The record is decoded where the stream holds it when it can.
    const std::uint8_t* bytes = m_in.Borrow(m_bytes.size());
    if (bytes == nullptr) {
        const std::size_t got = m_in.Read(m_bytes.data(), m_bytes.size());
        if (got < m_bytes.size()) {
            m_cutShort = true;
            m_short = got;
            return false;
        }
        bytes = m_bytes.data();
    }
    DecodeRecordTexts(bytes, m_units, texts);
    ++m_read;
    return true;
}

bool BaseReader::Next(QuestionRecord& record)
{
    RecordTexts texts;
    if (!NextTexts(texts))
        return false;
    record = RecordOf(texts);
    return true;
}

void ReadBase(InputStream& in, QuestionBase& base)
{
    BaseReader reader(in);
    const std::int32_t n = reader.HeaderCount();

    // Room for every counted question at its longest, so that the buffers
    // never move while reading; the header's five digits bound the count,
    // and room that the texts do not fill is never touched.
    const std::size_t counted = n > 0 ? static_cast<std::size_t>(n) : 0;
    base.Reserve(counted * EntriesPerQuestion, counted * RecordWidth);

    RecordTexts texts;
    while (reader.NextTexts(texts))
        base.AppendQuestion(texts);
    if (reader.CutShort())
        throw Error(u"Stream read error");
}

} // namespace vt
