#include "tables/JsonFormat.h"

#include "base/LargeMemory.h"
#include "base/QuestionCheck.h"
#include "tables/TableWriter.h"
#include "text/IntText.h"
#include "text/Utf.h"

#include <simdjson.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vt {

namespace {

void PutEscape(TableWriter& writer, char16_t unit)
{
    static constexpr char Digits[] = "0123456789abcdef";
    writer << "\\u" << Digits[unit >> 12] << Digits[(unit >> 8) & 0xF] << Digits[(unit >> 4) & 0xF]
           << Digits[unit & 0xF];
}

void PutString(TableWriter& writer, std::u16string_view text)
{
    writer << '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        switch (unit) {
        case u'"':
            writer << "\\\"";
            continue;
        case u'\\':
            writer << "\\\\";
            continue;
        case u'\b':
            writer << "\\b";
            continue;
        case u'\f':
            writer << "\\f";
            continue;
        case u'\n':
            writer << "\\n";
            continue;
        case u'\r':
            writer << "\\r";
            continue;
        case u'\t':
            writer << "\\t";
            continue;
        default:
            break;
        }
        if (unit < 0x20 || unit == 0xFEFF) {
            PutEscape(writer, unit);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            writer.PutCodePoint(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            PutEscape(writer, unit);
        } else {
            writer.PutCodePoint(unit);
        }
    }
    writer << '"';
}

void PutNumberOrText(TableWriter& writer, std::u16string_view text)
{
    std::int32_t value = 0;
    if (TryStrToInt(text, value))
        writer << std::to_string(value);
    else
        PutString(writer, text);
}

} // namespace

void WriteJsonQuestions(const QuestionBase& base, OutputStream& out)
{
    TableWriter writer(out);
    writer << "[\n";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const std::u16string_view round = base.Entry(first + FieldRound);
        const int used = ExportedAnswerCount(round);
        writer << (k == 0 ? "    {\n" : ",\n    {\n") << "        \"answers\": [\n";
        for (int n = 0; n < used; ++n) {
            writer << "            ";
            PutString(writer, base.Entry(first + FieldAnswer0 + n));
            writer << (n + 1 < used ? ",\n" : "\n");
        }
        writer << "        ],\n        \"correct\": ";
        PutNumberOrText(writer, base.Entry(first + FieldCorrect));
        writer << ",\n        \"question\": ";
        PutString(writer, base.Entry(first + FieldQuestion));
        writer << ",\n        \"round\": ";
        PutNumberOrText(writer, round);
        writer << "\n    }";
        writer.Step();
    }
    writer << (base.QuestionCount() > 0 ? "\n]\n" : "]\n");
    writer.Flush();
}

// Reading. SyntaxCheck first judges the whole text under the rules that
// files of this format have always been read by: strings may hold raw
// control characters and any code unit through "\uXXXX" (a lone surrogate
// too), an unknown escape gives the byte escaped, and numbers such as "1."
// and ".5" count. Its first fault, if any, is the one finding. The questions
// of a well-formed text then come through simdjson's on-demand parser,
// straight from one padded buffer, with every token decoded here by the same
// rules.

namespace {

enum class JsonFault
{
    None,
    UnterminatedObject,
    MissingNameSeparator,
    UnterminatedArray,
    MissingValueSeparator,
    IllegalValue,
    TerminationByNumber,
    IllegalNumber,
    IllegalEscape,
    IllegalUtf8,
    UnterminatedString,
    MissingObject,
    DeepNesting,
    GarbageAtEnd,
};

std::u16string_view FaultText(JsonFault fault)
{
    switch (fault) {
    case JsonFault::None:
        break;
    case JsonFault::UnterminatedObject:
        return u"unterminated object";
    case JsonFault::MissingNameSeparator:
        return u"missing name separator";
    case JsonFault::UnterminatedArray:
        return u"unterminated array";
    case JsonFault::MissingValueSeparator:
        return u"missing value separator";
    case JsonFault::IllegalValue:
        return u"illegal value";
    case JsonFault::TerminationByNumber:
        return u"invalid termination by number";
    case JsonFault::IllegalNumber:
        return u"illegal number";
    case JsonFault::IllegalEscape:
        return u"invalid escape sequence";
    case JsonFault::IllegalUtf8:
        return u"invalid UTF8 string";
    case JsonFault::UnterminatedString:
        return u"unterminated string";
    case JsonFault::MissingObject:
        return u"object is missing after a comma";
    case JsonFault::DeepNesting:
        return u"too deeply nested document";
    case JsonFault::GarbageAtEnd:
        return u"garbage at the end of the document";
    }
    return u"no error occurred";
}

// Containers nest at most this deep.
constexpr int NestingLimit = 1024;

bool IsJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The number of a token: an optional minus, digits (a leading zero alone),
// an optional fraction and exponent, each part possibly without digits, as
// long as the whole reads as a finite number that does not vanish. Returns
// how many bytes of `text` the number's syntax takes.
std::size_t NumberLength(std::string_view text)
{
    std::size_t i = 0;
    const auto digits = [&] {
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
    };
    if (i < text.size() && text[i] == '-')
        ++i;
    if (i < text.size() && text[i] == '0')
        ++i;
    else
        digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits();
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        digits();
    }
    return i;
}

bool NumberValue(std::string_view number, double& value)
{
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc() && end == number.data() + number.size();
}

// A number as text: an integer below 10^15 in full, any other as C's "%g".
std::u16string NumberText(double value)
{
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return Decimal(std::int64_t(value));
    char digits[32];
    const auto end =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::general, 6).ptr;
    return std::u16string(digits, end);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whether any of the 8 bytes of `word` is a quote, a backslash, a control
// character or, unless `utf8`, beyond ASCII. A carry may flag a byte after
// one that is, never one alone.
// The high bit of every byte of the little-endian word that a string must
// look at; the lowest one set is exact, those above it may be too many.
std::uint64_t SpecialBytes(std::uint64_t word, bool utf8)
{
    constexpr std::uint64_t Ones = 0x0101010101010101;
    constexpr std::uint64_t Highs = 0x8080808080808080;
    const auto zeroByte = [](std::uint64_t v) { return (v - Ones) & ~v & Highs; };
    return zeroByte(word ^ (Ones * '"')) | zeroByte(word ^ (Ones * '\\')) |
           ((word - Ones * 0x20) & ~word & Highs) | (utf8 ? 0 : word & Highs);
}
static_assert(std::endian::native == std::endian::little);

// The first fault of a whole JSON text, and where it was found.
class SyntaxCheck
{
public:
    /** `utf8` tells that the whole text is known to be well-formed UTF-8. */
    SyntaxCheck(std::string_view text, bool utf8) : m_text(text), m_utf8(utf8) {}

    JsonFault Run()
    {
        const char token = Token();
        if (token == '[')
            Array();
        else if (token == '{')
            Object();
        else
            Fail(JsonFault::IllegalValue);
        if (m_fault == JsonFault::None && SkipSpace())
            Fail(JsonFault::GarbageAtEnd);
        return m_fault;
    }
    /** The byte offset of the fault; it may lie one beyond the text. */
    std::size_t Offset() const noexcept { return m_at; }
    /** Whether a string holds what the parser takes only as an escape (see
     *  Escaped). */
    bool NeedsEscapes() const noexcept { return m_needsEscapes; }

private:
    bool Fail(JsonFault fault)
    {
        m_fault = fault;
        return false;
    }
    bool SkipSpace()
    {
        while (m_at < m_text.size() && IsJsonSpace(m_text[m_at]))
            ++m_at;
        return m_at < m_text.size();
    }
    // The next structural character, taken; 0 (and one byte taken) for any
    // other, and at the end.
    char Token()
    {
        if (!SkipSpace())
            return 0;
        const char c = m_text[m_at++];
        return std::string_view("[]{}:,\"").find(c) != std::string_view::npos ? c : 0;
    }
    std::size_t Left() const noexcept { return m_text.size() - m_at; }

    bool Object()
    {
        if (++m_depth > NestingLimit)
            return Fail(JsonFault::DeepNesting);
        char token = Token();
        while (token == '"') {
            if (!Member())
                return false;
            token = Token();
            if (token != ',')
                break;
            token = Token();
            if (token == '}')
                return Fail(JsonFault::MissingObject);
        }
        if (token != '}')
            return Fail(JsonFault::UnterminatedObject);
        --m_depth;
        return true;
    }
    bool Member()
    {
        if (!String())
            return false;
        if (Token() != ':')
            return Fail(JsonFault::MissingNameSeparator);
        if (!SkipSpace())
            return Fail(JsonFault::UnterminatedObject);
        return Value();
    }
    bool Array()
    {
        if (++m_depth > NestingLimit)
            return Fail(JsonFault::DeepNesting);
        if (!SkipSpace())
            return Fail(JsonFault::UnterminatedArray);
        if (m_text[m_at] == ']') {
            Token();
        } else {
            for (;;) {
                if (!SkipSpace())
                    return Fail(JsonFault::UnterminatedArray);
                if (!Value())
                    return false;
                const char token = Token();
                if (token == ']')
                    break;
                if (token != ',')
                    return Fail(SkipSpace() ? JsonFault::MissingValueSeparator
                                            : JsonFault::UnterminatedArray);
            }
        }
        --m_depth;
        return true;
    }
    // The rest of a word after its first letter: it needs `after` more
    // bytes in the text, and each letter taken is checked as it comes.
    bool Word(std::string_view rest, std::size_t after)
    {
        if (Left() < after)
            return Fail(JsonFault::IllegalValue);
        for (char letter : rest)
            if (m_text[m_at++] != letter)
                return Fail(JsonFault::IllegalValue);
        return true;
    }
    bool Value()
    {
        switch (m_text[m_at++]) {
        case 'n':
            return Word("ull", 4);
        case 't':
            return Word("rue", 4);
        case 'f':
            return Word("alse", 5);
        case '"':
            return String();
        case '[':
            return Array();
        case '{':
            return Object();
        case ',':
            return Fail(JsonFault::IllegalValue);
        case ']':
        case '}':
            return Fail(JsonFault::MissingObject);
        default:
            --m_at;
            return Number();
        }
    }
    bool Number()
    {
        const std::size_t length = NumberLength(m_text.substr(m_at));
        const std::string_view number = m_text.substr(m_at, length);
        m_at += length;
        if (m_at >= m_text.size())
            return Fail(JsonFault::TerminationByNumber);
        double value = 0;
        return NumberValue(number, value) || Fail(JsonFault::IllegalNumber);
    }
    // After the opening quote. A string without escapes is read once; one
    // with them is read up to the first, then again from its start.
    bool String()
    {
        const std::size_t start = m_at;
        bool escapes = false;
        while (!escapes && m_at < m_text.size() && m_text[m_at] != '"')
            escapes = m_text[m_at] == '\\' || !Character();
        if (m_fault != JsonFault::None)
            return false;
        if (++m_at >= m_text.size())
            return Fail(JsonFault::UnterminatedString);
        if (!escapes)
            return true;
        for (m_at = start; m_at < m_text.size() && m_text[m_at] != '"';) {
            if (m_text[m_at] != '\\') {
                if (!Character())
                    return false;
                continue;
            }
            if (++m_at >= m_text.size())
                return Fail(JsonFault::IllegalEscape);
            const auto escaped = static_cast<unsigned char>(m_text[m_at++]);
            m_needsEscapes = m_needsEscapes || escaped < 0x20 || escaped >= 0x80;
            // In well-formed UTF-8 a byte beyond ASCII after the backslash
            // leads a character, whose next byte cannot stand alone.
            if (escaped >= 0x80 && m_utf8)
                return Fail(JsonFault::IllegalUtf8);
            if (escaped == 'u') {
                if (Left() < 4)
                    return Fail(JsonFault::IllegalEscape);
                for (int i = 0; i < 4; ++i, ++m_at)
                    if (HexDigit(m_text[m_at]) < 0)
                        return Fail(JsonFault::IllegalEscape);
            }
        }
        if (++m_at >= m_text.size())
            return Fail(JsonFault::UnterminatedString);
        return true;
    }
    // One character of a string that is no escape, taken, or eight bytes
    // of plain text at once.
    bool Character()
    {
        std::uint64_t word = 0;
        if (m_text.size() - m_at >= sizeof word) {
            std::memcpy(&word, m_text.data() + m_at, sizeof word);
            // The plain bytes before the first that needs a look, all at once.
            const std::uint64_t special = SpecialBytes(word, m_utf8);
            const std::size_t plain =
                special == 0 ? sizeof word : static_cast<std::size_t>(std::countr_zero(special)) / 8;
            if (plain > 0) {
                m_at += plain;
                return true;
            }
        }
        const auto byte = static_cast<unsigned char>(m_text[m_at]);
        if (byte < 0x80 || m_utf8) {
            m_needsEscapes = m_needsEscapes || byte < 0x20;
            ++m_at;
            return true;
        }
        char32_t c = 0;
        const std::size_t length = DecodeUtf8At(m_text, m_at, c);
        m_at += length;
        return length > 0 || Fail(JsonFault::IllegalUtf8);
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    int m_depth = 0;
    JsonFault m_fault = JsonFault::None;
    bool m_utf8;
    bool m_needsEscapes = false;
};

// The text of a string token's inside: false where it holds malformed UTF-8
// or a cut or malformed escape.
bool DecodeString(std::string_view inside, std::u16string& text)
{
    text.clear();
    while (!inside.empty()) {
        const std::size_t escape = inside.find('\\');
        if (!AppendFromUtf8(inside.substr(0, escape), text))
            return false;
        if (escape == std::string_view::npos)
            return true;
        inside.remove_prefix(escape + 1);
        if (inside.empty())
            return false;
        const char escaped = inside.front();
        inside.remove_prefix(1);
        switch (escaped) {
        case 'b':
            text += u'\b';
            break;
        case 'f':
            text += u'\f';
            break;
        case 'n':
            text += u'\n';
            break;
        case 'r':
            text += u'\r';
            break;
        case 't':
            text += u'\t';
            break;
        case 'u': {
            if (inside.size() < 4)
                return false;
            char16_t unit = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = HexDigit(inside[std::size_t(i)]);
                if (digit < 0)
                    return false;
                unit = char16_t(unit << 4 | digit);
            }
            text += unit;
            inside.remove_prefix(4);
            break;
        }
        default:
            // '"', '\\', '/' and any other byte stand for themselves.
            text += char16_t(static_cast<unsigned char>(escaped));
            break;
        }
    }
    return true;
}

Finding AtOffset(std::string_view text, std::size_t offset, std::u16string message)
{
    offset = std::min(offset, text.size());
    const std::string_view before = text.substr(0, offset);
    const std::size_t lineStart = before.rfind('\n') + 1;
    Finding finding;
    finding.line = int(std::count(before.begin(), before.end(), '\n') + 1);
    std::u16string line;
    AppendFromUtf8(before.substr(lineStart), line);
    finding.column = int(line.size() + 1);
    finding.message = std::move(message);
    return finding;
}

Finding AtItem(std::size_t item, std::u16string message)
{
    Finding finding;
    finding.place = u"item " + Decimal(std::int64_t(item));
    finding.message = std::move(message);
    return finding;
}

// The input whole, with the zeroed room after it that simdjson reads ahead into.
class PaddedText
{
public:
    explicit PaddedText(InputStream& in)
    {
        constexpr std::size_t Block = std::size_t(1) << 20;
        for (std::size_t got = 1; got > 0; m_size += got) {
            if (m_capacity - m_size < Block + simdjson::SIMDJSON_PADDING)
                Grow(std::max(2 * m_capacity, Block + simdjson::SIMDJSON_PADDING));
            got = in.Read(reinterpret_cast<std::uint8_t*>(m_data) + m_size, Block);
        }
        std::fill_n(m_data + m_size, simdjson::SIMDJSON_PADDING, '\0');
    }
    ~PaddedText() { FreeLarge(m_data, m_capacity); }
    PaddedText(const PaddedText&) = delete;
    PaddedText& operator=(const PaddedText&) = delete;
    std::string_view View() const noexcept { return {m_data, m_size}; }
    std::size_t Capacity() const noexcept { return m_capacity; }

private:
    // A large buffer grows in place where the system can remap it.
    void Grow(std::size_t capacity)
    {
        m_data = static_cast<char*>(m_data == nullptr ? AllocateLarge(capacity)
                                                      : ResizeLarge(m_data, m_capacity, capacity));
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

namespace ondemand = simdjson::ondemand;

// What one item states, the last of each key given twice.
struct ItemFields
{
    std::u16string round;
    std::u16string question;
    std::u16string correct;
    enum class Answers
    {
        None,
        Array,
        Other
    } answersKind = Answers::None;
    std::size_t answerCount = 0;
    std::array<std::u16string, AnswerCount> answers;
    std::vector<std::u16string> unknownKeys;
};

// The walk of the parser over the items, row by row into the sink.
class ItemReader
{
public:
    explicit ItemReader(RowSink& sink) : m_sink(sink) {}

    /** Reads the items of a well-formed array until the sink is full; false
     *  when the parser refuses the text after all. */
    bool Read(ondemand::document& document)
    {
        ondemand::array items;
        if (document.get_array().get(items))
            return false;
        std::size_t number = 0;
        for (auto element : items) {
            ondemand::value item;
            if (element.get(item) || !Item(item, ++number))
                return false;
            if (m_sink.Full())
                break;
        }
        return true;
    }

private:
    bool Item(ondemand::value& value, std::size_t number)
    {
        ondemand::object object;
        if (Token(value).front() != '{') {
            m_sink.AddInputFinding(AtItem(number, u"not an object"));
            return true;
        }
        if (value.get_object().get(object))
            return false;
        ItemFields& item = m_item;
        item.round.clear();
        item.question.clear();
        item.correct.clear();
        item.answersKind = ItemFields::Answers::None;
        item.unknownKeys.clear();
        for (auto member : object) {
            ondemand::field field;
            if (std::move(member).get(field) || !Key(field.key(), m_key))
                return false;
            ondemand::value fieldValue = field.value();
            bool ok = true;
            if (m_key == u"round")
                ok = Text(fieldValue, item.round);
            else if (m_key == u"question")
                ok = Text(fieldValue, item.question);
            else if (m_key == u"correct")
                ok = Text(fieldValue, item.correct);
            else if (m_key == u"answers")
                ok = Answers(fieldValue, item);
            else
                item.unknownKeys.push_back(m_key);
            if (!ok)
                return false;
        }
        Emit(item, number);
        return true;
    }

    void Emit(ItemFields& item, std::size_t number)
    {
        if (!item.unknownKeys.empty()) {
            std::sort(item.unknownKeys.begin(), item.unknownKeys.end());
            item.unknownKeys.erase(std::unique(item.unknownKeys.begin(), item.unknownKeys.end()),
                                   item.unknownKeys.end());
            for (const std::u16string& key : item.unknownKeys)
                m_sink.AddInputFinding(AtItem(number, u"unknown key \"" + key +
                                                          u"\" (the keys are round, question, answers and "
                                                          u"correct)"));
            return;
        }
        if (item.answersKind == ItemFields::Answers::Other) {
            m_sink.AddInputFinding(AtItem(number, u"\"answers\" is not an array"));
            return;
        }
        const std::size_t answers = item.answersKind == ItemFields::Answers::Array ? item.answerCount : 0;
        if (answers > AnswerCount) {
            m_sink.AddInputFinding(AtItem(number, Decimal(std::int64_t(answers)) + u" answers, at most " +
                                                      Decimal(AnswerCount) + u" fit"));
            return;
        }
        QuestionRow row;
        row.place = u"item " + Decimal(std::int64_t(number));
        row.round = Trimmed(item.round);
        row.question = std::move(item.question);
        row.correct = Trimmed(item.correct);
        for (std::size_t n = 0; n < answers; ++n)
            row.answers[n] = std::move(item.answers[n]);
        m_sink.AddRow(std::move(row));
    }

    bool Answers(ondemand::value& value, ItemFields& item)
    {
        if (Token(value).front() != '[') {
            item.answersKind = ItemFields::Answers::Other;
            return Text(value, m_scratch);
        }
        ondemand::array list;
        if (value.get_array().get(list))
            return false;
        item.answersKind = ItemFields::Answers::Array;
        item.answerCount = 0;
        for (auto element : list) {
            ondemand::value answer;
            if (element.get(answer) ||
                !Text(answer, item.answerCount < AnswerCount ? item.answers[item.answerCount] : m_scratch))
                return false;
            ++item.answerCount;
        }
        return true;
    }

    // The raw token of a value, without the blanks after it.
    static std::string_view Token(ondemand::value& value)
    {
        std::string_view token = value.raw_json_token();
        while (!token.empty() && IsJsonSpace(token.back()))
            token.remove_suffix(1);
        return token.empty() ? std::string_view(" ") : token;
    }

    static bool Key(ondemand::raw_json_string key, std::u16string& text)
    {
        // The parser has found the closing quote; an escaped quote is no end.
        const char* const start = key.raw();
        const char* end = start;
        while (*end != '"')
            end += *end == '\\' ? 2 : 1;
        return DecodeString(std::string_view(start, std::size_t(end - start)), text);
    }

    // A value as the text of a field: a string as itself, a number in
    // digits, true, false, nothing for null, "[...]" and "{...}" for the
    // arrays and objects, which are left unread. False for a token that the
    // rules refuse, which a well-formed text does not hold.
    bool Text(ondemand::value& value, std::u16string& text)
    {
        const std::string_view token = Token(value);
        double number = 0;
        switch (token.front()) {
        case '"':
            return token.size() >= 2 && token.back() == '"' &&
                   DecodeString(token.substr(1, token.size() - 2), text);
        case '[':
        case '{':
            text = token.front() == '[' ? u"[...]" : u"{...}";
            return true;
        case 't':
        case 'f':
        case 'n':
            text = token == "true" ? u"true" : token == "false" ? u"false" : u"";
            return token == "true" || token == "false" || token == "null";
        default:
            if (NumberLength(token) != token.size() || !NumberValue(token, number))
                return false;
            text = NumberText(number);
            return true;
        }
    }

    RowSink& m_sink;
    ItemFields m_item;
    std::u16string m_key;
    std::u16string m_scratch;
};

// Reads the items of the well-formed `text`, which is followed by `room`
// bytes that the parser may read ahead into; false when it refuses the text.
bool ReadItems(std::string_view text, std::size_t room, RowSink& sink)
{
    ondemand::parser parser;
    ondemand::document document;
    ItemReader reader(sink);
    // Deeper than SyntaxCheck allows, so that the depth is always its to judge.
    return !parser.allocate(std::max<std::size_t>(text.size(), 1), 2 * NestingLimit) &&
           !parser.iterate(text.data(), text.size(), room).get(document) && reader.Read(document);
}

// The well-formed text with what the parser takes only as an escape written
// as one: a raw control character in a string, and an escaped control
// character or byte beyond ASCII, each as the "\u00XX" of the byte.
std::string Escaped(std::string_view text)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        bool escape = false;
        if (inString && byte == '\\') {
            byte = static_cast<unsigned char>(text[++i]);
            escape = true;
            if (byte >= 0x20 && byte < 0x80) {
                escaped += '\\';
                escaped += char(byte);
                continue;
            }
        } else if (byte == '"') {
            inString = !inString;
        }
        if (inString && (byte < 0x20 || escape)) {
            escaped += "\\u00";
            escaped += Digits[byte >> 4];
            escaped += Digits[byte & 0xF];
        } else {
            escaped += char(byte);
        }
    }
    return escaped;
}

} // namespace

void ReadJsonQuestions(InputStream& in, RowSink& sink)
{
    const PaddedText padded(in);
    std::string_view text = padded.View();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    sink.SetAnswerKey(AnswerKey{u"answers[", u"]"});

    // Most files are well-formed UTF-8, which simdjson confirms fastest.
    SyntaxCheck check(text, simdjson::validate_utf8(text.data(), text.size()));
    Finding finding;
    if (const JsonFault fault = check.Run(); fault != JsonFault::None) {
        finding = AtOffset(text, check.Offset(), std::u16string(FaultText(fault)));
    } else if (text[text.find_first_not_of(" \t\n\r")] == '{') {
        finding.line = 1;
        finding.message = u"the file holds no JSON array of questions";
    } else if (check.NeedsEscapes()) {
        const simdjson::padded_string escaped(Escaped(text));
        if (ReadItems(escaped, escaped.size() + simdjson::SIMDJSON_PADDING, sink))
            return;
    } else if (ReadItems(text, padded.Capacity() - std::size_t(text.data() - padded.View().data()), sink)) {
        return;
    }
    if (finding.message.empty()) {
        // The parser refused what the rules of the format accept.
        finding.line = 1;
        finding.message = u"the JSON parser cannot read the file";
    }
    sink.Discard();
    sink.AddInputFinding(std::move(finding));
}

} // namespace vt
