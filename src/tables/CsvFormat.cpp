#include "tables/CsvFormat.h"

#include "base/QuestionCheck.h"
#include "tables/TableWriter.h"
#include "text/Utf.h"

#include <csv.h>

#include <algorithm>

namespace vt {

namespace {

constexpr char Quote = '"';

bool NeedsQuotes(std::string_view utf8, char delimiter)
{
    if (utf8.find_first_of(std::string{delimiter, Quote, '\n', '\r'}) != std::string_view::npos)
        return true;
    const auto blank = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || (byte >= '\t' && byte <= '\r') || byte == 0x85 || byte == 0xA0;
    };
    return !utf8.empty() && (blank(utf8.front()) || blank(utf8.back()));
}

bool IsLoneSurrogateAt(std::u16string_view text, std::size_t i)
{
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF)
        return i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF;
    return unit >= 0xDC00 && unit <= 0xDFFF && (i == 0 || text[i - 1] < 0xD800 || text[i - 1] > 0xDBFF);
}

} // namespace

std::u16string FieldName(int field)
{
    switch (field) {
    case FieldRound:
        return u"the round";
    case FieldQuestion:
        return u"the question text";
    case FieldCorrect:
        return u"the correct answer";
    default:
        return u"answer " + Decimal(field - FieldAnswer0);
    }
}

namespace {

std::u16string Hex(char16_t unit)
{
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (int shift = 12; shift >= 0; shift -= 4)
        if (const int digit = (unit >> shift) & 0xF; digit != 0 || !text.empty() || shift == 0)
            text += Digits[digit];
    return text;
}

} // namespace

std::string CsvField(std::u16string_view text, char delimiter)
{
    std::string utf8 = ToUtf8(text, U'?');
    if (!NeedsQuotes(utf8, delimiter))
        return utf8;
    std::string quoted(csv_write2(nullptr, 0, utf8.data(), utf8.size(), Quote), '\0');
    csv_write2(quoted.data(), quoted.size(), utf8.data(), utf8.size(), Quote);
    return quoted;
}

void WriteCsvQuestions(const QuestionBase& base, OutputStream& out, char delimiter, bool byteOrderMark)
{
    TableWriter writer(out);
    if (byteOrderMark)
        writer << "\xEF\xBB\xBF";
    for (std::size_t c = 0; c < std::size(CsvColumnNames); ++c)
        writer << (c == 0 ? "" : std::string(1, delimiter)) << CsvColumnNames[c];
    writer << "\r\n";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const int first = k * EntriesPerQuestion;
        const std::u16string_view round = base.Entry(first + FieldRound);
        const int used = ExportedAnswerCount(round);
        writer << CsvField(round, delimiter) << delimiter
               << CsvField(base.Entry(first + FieldQuestion), delimiter);
        for (int n = 0; n < AnswerCount; ++n) {
            writer << delimiter;
            if (n < used)
                writer << CsvField(base.Entry(first + FieldAnswer0 + n), delimiter);
        }
        writer << delimiter << CsvField(base.Entry(first + FieldCorrect), delimiter) << "\r\n";
        writer.Step();
    }
    writer.Flush();
}

Findings CsvUnwritable(const QuestionBase& base)
{
    Findings found;
    for (int e = 0; e < base.EntryCount(); ++e) {
        const std::u16string_view text = base.Entry(e);
        std::size_t at = 0;
        while (at < text.size() && !(text[at] >= 0xD800 && text[at] <= 0xDFFF && IsLoneSurrogateAt(text, at)))
            ++at;
        if (at == text.size())
            continue;
        Finding finding;
        finding.question = e / EntriesPerQuestion;
        finding.place = u"question " + Decimal(finding.question);
        const std::u16string unit = Hex(text[at]);
        finding.message = FieldName(e % EntriesPerQuestion) + u" holds a lone surrogate (U+" + unit +
                          u"), which UTF-8 and so CSV cannot carry; export as JSON (--format json), which "
                          u"keeps it as a \\u" +
                          unit + u" escape";
        found.push_back(std::move(finding));
    }
    return found;
}

// The parser, fed line by line so that each record knows the line it starts on.
struct CsvParser::State
{
    csv_parser parser{};
    std::function<bool(CsvRecord&&)> record;
    CsvRecord current;
    bool rowOpen = false;
    bool atLineStart = true;
    bool refused = false;
    int line = 0; // the line being fed
};

namespace {

void OnField(void* data, std::size_t length, void* opaque)
{
    auto& state = *static_cast<CsvParser::State*>(opaque);
    if (!state.rowOpen) {
        // A row that starts after a lone CR in the middle of a line.
        state.rowOpen = true;
        state.current.line = state.line;
    }
    std::u16string text;
    if (!AppendFromUtf8(std::string_view(static_cast<const char*>(data), length), text))
        state.current.badUtf8 = true;
    state.current.fields.push_back(std::move(text));
}

void OnRowEnd(int, void* opaque)
{
    auto& state = *static_cast<CsvParser::State*>(opaque);
    if (!state.refused && !state.record(std::move(state.current)))
        state.refused = true;
    state.current = CsvRecord{};
    state.rowOpen = false;
}

std::u16string Lowered(std::string_view ascii)
{
    std::u16string text(ascii.begin(), ascii.end());
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return text;
}

// Fields keep their blanks and tabs: an answer of one blank is a real answer.
int NoSpace(unsigned char)
{
    return 0;
}

} // namespace

CsvParser::CsvParser(char delimiter, std::function<bool(CsvRecord&&)> record)
    : m_state(std::make_unique<State>())
{
    if (csv_init(&m_state->parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        throw std::bad_alloc();
    csv_set_delim(&m_state->parser, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&m_state->parser, NoSpace);
    m_state->record = std::move(record);
}

CsvParser::~CsvParser()
{
    csv_free(&m_state->parser);
}

bool CsvParser::Feed(std::string_view bytes)
{
    State& state = *m_state;
    while (!m_stopped && !bytes.empty()) {
        const std::size_t lineEnd = bytes.find('\n');
        const std::string_view piece =
            bytes.substr(0, lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1);
        bytes.remove_prefix(piece.size());
        if (state.atLineStart) {
            ++state.line;
            state.atLineStart = false;
        }
        if (!state.rowOpen && piece.find_first_not_of("\r\n") != std::string_view::npos) {
            state.rowOpen = true;
            state.current.line = state.line;
        }
        const std::size_t done =
            csv_parse(&state.parser, piece.data(), piece.size(), OnField, OnRowEnd, &state);
        if (piece.back() == '\n')
            state.atLineStart = true;
        if (done != piece.size()) {
            m_failure =
                csv_error(&state.parser) == CSV_EPARSE
                    ? u"malformed CSV: a quote inside an unquoted field, or text after a closing quote"
                    : Lowered(csv_strerror(csv_error(&state.parser)));
            m_failureLine = state.line;
            m_stopped = true;
        }
        m_stopped = m_stopped || state.refused;
    }
    return !m_stopped;
}

bool CsvParser::Finish()
{
    if (m_stopped)
        return false;
    State& state = *m_state;
    if (csv_fini(&state.parser, OnField, OnRowEnd, &state) != 0 || csv_error(&state.parser) == CSV_EPARSE) {
        m_failure = u"malformed CSV: a quoted field is not closed";
        m_failureLine = state.current.line;
        m_stopped = true;
    }
    return !m_stopped && !state.refused;
}

namespace {

enum Column
{
    ColRound,
    ColQuestion,
    ColAnswer0,
    ColCorrect = ColAnswer0 + AnswerCount,
    ColumnCount
};

bool ColumnRequired(int column)
{
    return column == ColRound || column == ColQuestion || column == ColCorrect || column == ColAnswer0 ||
           column == ColAnswer0 + 1;
}

bool AllBlank(const std::vector<std::u16string>& fields, std::size_t from = 0)
{
    for (std::size_t i = from; i < fields.size(); ++i)
        if (!Trimmed(fields[i]).empty())
            return false;
    return true;
}

int ColumnOfName(std::u16string_view name)
{
    const std::u16string key = Trimmed(name);
    for (int c = 0; c < ColumnCount; ++c)
        if (std::equal(
                key.begin(), key.end(), CsvColumnNames[c].begin(), CsvColumnNames[c].end(),
                [](char16_t k, char n) { return (k >= u'A' && k <= u'Z' ? k - u'A' + u'a' : k) == n; }))
            return c;
    return -1;
}

std::u16string Text(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string ColumnList()
{
    std::u16string list;
    for (std::string_view name : CsvColumnNames)
        list += (list.empty() ? u"" : u",") + Text(name);
    return list;
}

// A finding about a record: at its line, or at its place in a sheet.
Finding AtRecord(const CsvRecord& record, std::u16string message, int field = -1)
{
    if (record.place.empty())
        return FindingOnLine(record.line, std::move(message));
    Finding finding;
    finding.place = field >= 0 && std::size_t(field) < record.cells.size() ? record.cells[std::size_t(field)]
                                                                           : record.place;
    finding.message = std::move(message);
    return finding;
}

Finding NotUtf8(int line)
{
    return FindingOnLine(line, u"the text is not UTF-8 (save the table as CSV in UTF-8)");
}

// The delimiter under which the first line names the most known columns.
char DetectDelimiter(std::string_view headerLine)
{
    char best = ',';
    int bestScore = 0;
    for (char candidate : {',', ';', '\t'}) {
        int score = -1;
        CsvParser parser(candidate, [&](CsvRecord&& record) {
            score = 0;
            for (const std::u16string& name : record.fields)
                score += ColumnOfName(name) >= 0 ? 1 : 0;
            return false;
        });
        if (parser.Feed(headerLine))
            parser.Finish();
        if (score > bestScore) {
            best = candidate;
            bestScore = score;
        }
    }
    return best;
}

} // namespace

// Turns the records of a table into rows, header first.
class CsvQuestionReader
{
public:
    explicit CsvQuestionReader(RowSink& sink) : m_sink(sink) {}

    bool Record(CsvRecord&& record)
    {
        return m_headerSeen ? Row(std::move(record)) : Header(std::move(record));
    }
    bool HeaderSeen() const noexcept { return m_headerSeen; }

private:
    bool Header(CsvRecord&& header)
    {
        m_headerSeen = true;
        if (header.badUtf8) {
            m_sink.AddInputFinding(NotUtf8(header.line));
            return false;
        }
        bool found = false;
        for (std::size_t i = 0; i < header.fields.size(); ++i) {
            const int column = ColumnOfName(header.fields[i]);
            if (column < 0)
                continue;
            if (m_columnAt[column] >= 0) {
                m_sink.AddInputFinding(AtRecord(
                    header, u"the column \"" + Text(CsvColumnNames[column]) + u"\" is named twice", int(i)));
                found = true;
            }
            m_columnAt[column] = int(i);
        }
        std::u16string missing;
        for (int c = 0; c < ColumnCount; ++c)
            if (ColumnRequired(c) && m_columnAt[c] < 0)
                missing += (missing.empty() ? u"" : u", ") + Text(CsvColumnNames[c]);
        if (!missing.empty()) {
            m_sink.AddInputFinding(AtRecord(header, u"the header row lacks " + missing +
                                                        u" (the columns are " + ColumnList() +
                                                        u"; answer2 to answer4 may be left out)"));
            found = true;
        }
        m_header = std::move(header);
        m_sink.SetAnswerKey(AnswerKey{u"column answer", u""});
        return !found;
    }

    bool Row(CsvRecord&& record)
    {
        if (AllBlank(record.fields))
            return true;
        if (record.badUtf8) {
            m_sink.AddInputFinding(NotUtf8(record.line));
            return true;
        }
        const std::size_t columns = m_header.fields.size();
        // Blank cells after the last column are what some spreadsheets write.
        if (record.fields.size() < columns ||
            (record.fields.size() > columns && !AllBlank(record.fields, columns))) {
            m_sink.AddInputFinding(
                AtRecord(record, Counted(std::int64_t(record.fields.size()), u"field", u"fields") +
                                     u", but the header row names " +
                                     Counted(std::int64_t(columns), u"column", u"columns")));
            return true;
        }
        auto field = [&](int column) {
            const int at = m_columnAt[column];
            return at >= 0 ? std::move(record.fields[std::size_t(at)]) : std::u16string();
        };
        QuestionRow row;
        row.place = record.place.empty() ? u"line " + Decimal(record.line) : record.place;
        row.line = record.place.empty() ? record.line : 0;
        row.round = Trimmed(field(ColRound));
        row.question = field(ColQuestion);
        for (int n = 0; n < AnswerCount; ++n)
            row.answers[std::size_t(n)] = field(ColAnswer0 + n);
        row.correct = Trimmed(field(ColCorrect));
        for (int c = 0; c < ColumnCount && !record.cells.empty(); ++c)
            if (const int at = m_columnAt[c]; at >= 0 && std::size_t(at) < record.cells.size())
                row.cells[std::size_t(c)] = std::move(record.cells[std::size_t(at)]);
        m_sink.AddRow(std::move(row));
        return !m_sink.Full();
    }

    RowSink& m_sink;
    CsvRecord m_header;
    bool m_headerSeen = false;
    int m_columnAt[ColumnCount] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

TableRecordReader::TableRecordReader(RowSink& sink) : m_reader(std::make_unique<CsvQuestionReader>(sink)) {}

TableRecordReader::~TableRecordReader() = default;

bool TableRecordReader::Record(CsvRecord&& record)
{
    return m_reader->Record(std::move(record));
}

bool TableRecordReader::HeaderSeen() const noexcept
{
    return m_reader->HeaderSeen();
}

Finding TableRecordReader::NoHeader(std::u16string place)
{
    Finding finding;
    finding.place = std::move(place);
    finding.message = u"no header row; the first row names the columns " + ColumnList();
    return finding;
}

void ReadCsvQuestions(InputStream& in, RowSink& sink)
{
    // The first line decides the delimiter, so it is read before parsing.
    std::string head;
    std::vector<std::uint8_t> block(TableWriter::BlockBytes);
    bool ended = false;
    while (!ended && head.find_first_of("\r\n") == std::string::npos) {
        const std::size_t got = in.Read(block.data(), block.size());
        head.append(reinterpret_cast<const char*>(block.data()), got);
        ended = got == 0;
    }
    std::string_view start = head;
    if (start.substr(0, 3) == "\xEF\xBB\xBF")
        start.remove_prefix(3);

    CsvQuestionReader reader(sink);
    CsvParser parser(DetectDelimiter(start.substr(0, start.find_first_of("\r\n"))),
                     [&reader](CsvRecord&& record) { return reader.Record(std::move(record)); });
    bool going = parser.Feed(start);
    while (going && !ended) {
        const std::size_t got = in.Read(block.data(), block.size());
        ended = got == 0;
        going = parser.Feed(std::string_view(reinterpret_cast<const char*>(block.data()), got));
    }
    if (going)
        parser.Finish();
    if (!reader.HeaderSeen())
        sink.AddInputFinding(
            parser.Failure().empty()
                ? FindingOnLine(1, u"no header row; the first line names the columns " + ColumnList())
                : FindingOnLine(parser.FailureLine(), parser.Failure()));
    else if (!parser.Failure().empty())
        sink.AddInputFinding(FindingOnLine(parser.FailureLine(), parser.Failure()));
}

} // namespace vt
