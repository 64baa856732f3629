#include "tables/SheetTable.h"

#include "text/Utf.h"

#include <algorithm>
#include <array>

namespace vt {

namespace {

std::u16string ColumnLetters(int column)
{
    std::u16string letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char16_t(u'A' + (c - 1) % 26));
    return letters;
}

} // namespace

std::u16string CellName(int column, std::int64_t row)
{
    return ColumnLetters(column) + Decimal(row);
}

int ColumnOfReference(std::string_view reference)
{
    int column = 0;
    std::size_t i = 0;
    for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z' && column <= SheetColumns; ++i)
        column = column * 26 + (reference[i] - 'A' + 1);
    return i == 0 || column > SheetColumns ? -1 : column - 1;
}

void SheetRows::Cell(int column, std::u16string text)
{
    if (text.empty() || column < 0 || column >= ReadColumns)
        return;
    if (m_fields.size() <= std::size_t(column))
        m_fields.resize(std::size_t(column) + 1);
    m_fields[std::size_t(column)] = std::move(text);
}

bool SheetRows::EndRow(std::int64_t row, std::int64_t repeat)
{
    std::vector<std::u16string> fields;
    fields.swap(m_fields);
    if (m_stopped || fields.empty())
        return !m_stopped;
    const bool header = !m_reader.HeaderSeen();
    if (header)
        m_width = fields.size();
    else if (fields.size() < m_width)
        fields.resize(m_width);
    while (m_letters.size() < fields.size())
        m_letters.push_back(ColumnLetters(int(m_letters.size())));
    for (std::int64_t n = 0; n < repeat && !m_stopped; ++n) {
        CsvRecord record;
        const std::u16string number = Decimal(row + n);
        record.place = u"row " + number;
        record.cells.reserve(fields.size());
        for (std::size_t c = 0; c < fields.size(); ++c) {
            std::u16string& cell = record.cells.emplace_back();
            cell.reserve(m_letters[c].size() + number.size());
            cell.append(m_letters[c]).append(number);
        }
        record.fields = n + 1 < repeat ? fields : std::move(fields);
        m_stopped = !m_reader.Record(std::move(record));
    }
    return !m_stopped;
}

void SheetRows::Finish(RowSink& sink)
{
    if (!m_reader.HeaderSeen())
        sink.AddInputFinding(TableRecordReader::NoHeader(u"row 1"));
}

std::u16string NumberText(std::string_view number)
{
    const std::size_t point = number.find('.');
    const bool digits =
        !number.empty() && std::all_of(number.begin() + (number[0] == '-' ? 1 : 0),
                                       number.begin() + std::ptrdiff_t(std::min(point, number.size())),
                                       [](char c) { return c >= '0' && c <= '9'; });
    if (digits && point != std::string_view::npos && point + 1 < number.size() &&
        number.find_first_not_of('0', point + 1) == std::string_view::npos)
        number = number.substr(0, point);
    return FromUtf8(number);
}

std::span<const SheetColumn> SheetColumnsOfExport()
{
    static constexpr std::array<SheetColumn, std::size(CsvColumnNames)> Columns{{{CsvColumnNames[0], 8},
                                                                                 {CsvColumnNames[1], 70},
                                                                                 {CsvColumnNames[2], 28},
                                                                                 {CsvColumnNames[3], 28},
                                                                                 {CsvColumnNames[4], 28},
                                                                                 {CsvColumnNames[5], 28},
                                                                                 {CsvColumnNames[6], 28},
                                                                                 {CsvColumnNames[7], 9}}};
    return Columns;
}

namespace {

// A whole number as a spreadsheet would show it again: digits without a
// leading zero, short enough to stay exact.
bool IsWholeNumber(std::u16string_view text)
{
    return !text.empty() && text.size() <= 9 && (text[0] != u'0' || text.size() == 1) &&
           std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

SheetCell CellOf(std::u16string_view text, bool numeric)
{
    return SheetCell{ToUtf8(text), numeric && IsWholeNumber(text)};
}

bool IsLoneSurrogate(std::u16string_view text, std::size_t i)
{
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF)
        return i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF;
    return unit >= 0xDC00 && unit <= 0xDFFF && (i == 0 || text[i - 1] < 0xD800 || text[i - 1] > 0xDBFF);
}

bool IsForbiddenControl(char16_t unit)
{
    return (unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r') || unit == 0xFFFE ||
           unit == 0xFFFF;
}

std::u16string Hex4(char16_t unit)
{
    static constexpr char16_t Digits[] = u"0123456789ABCDEF";
    std::u16string text;
    for (int shift = 12; shift >= 0; shift -= 4)
        text += Digits[(unit >> shift) & 0xF];
    return text;
}

} // namespace

std::vector<SheetCell> ExportedRow(const QuestionBase& base, int k)
{
    const int first = k * EntriesPerQuestion;
    const std::u16string_view round = base.Entry(first + FieldRound);
    const int used = ExportedAnswerCount(round);
    std::vector<SheetCell> cells;
    cells.push_back(CellOf(round, true));
    cells.push_back(CellOf(base.Entry(first + FieldQuestion), false));
    for (int n = 0; n < AnswerCount; ++n)
        cells.push_back(n < used ? CellOf(base.Entry(first + FieldAnswer0 + n), false) : SheetCell{});
    cells.push_back(CellOf(base.Entry(first + FieldCorrect), true));
    return cells;
}

Findings SheetUnwritable(const QuestionBase& base, std::u16string_view title)
{
    Findings found;
    for (int e = 0; e < base.EntryCount(); ++e) {
        const std::u16string_view text = base.Entry(e);
        std::size_t at = 0;
        while (at < text.size() && !IsForbiddenControl(text[at]) &&
               !(text[at] >= 0xD800 && text[at] <= 0xDFFF && IsLoneSurrogate(text, at)))
            ++at;
        if (at == text.size())
            continue;
        const std::u16string unit = Hex4(text[at]);
        const bool surrogate = text[at] >= 0xD800 && text[at] <= 0xDFFF;
        Finding finding;
        finding.question = e / EntriesPerQuestion;
        finding.place = u"question " + Decimal(finding.question);
        finding.message = FieldName(e % EntriesPerQuestion) + u" holds " +
                          (surrogate ? u"a lone surrogate" : u"the control character") + u" U+" + unit +
                          u", which XML and so " + std::u16string(title) +
                          u" cannot carry; export as JSON (--format json), which keeps it as a \\u" + unit +
                          u" escape";
        found.push_back(std::move(finding));
    }
    return found;
}

std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> ReadWhole(InputStream& in)
{
    std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> bytes;
    std::size_t size = 0;
    for (std::size_t got = 1; got > 0; size += got) {
        bytes.resize(size + (std::size_t(1) << 20));
        got = in.Read(bytes.data() + size, bytes.size() - size);
    }
    bytes.resize(size);
    return bytes;
}

Finding FileRefusal(std::u16string message)
{
    Finding finding;
    finding.message = std::move(message);
    return finding;
}

void ReadZippedSheet(InputStream& in, RowSink& sink, std::u16string_view kind,
                     void (*read)(std::span<const std::uint8_t> bytes, RowSink& sink, std::string& part))
{
    const auto bytes = ReadWhole(in);
    std::string part;
    try {
        read(bytes, sink, part);
    } catch (const XmlError& error) {
        sink.AddInputFinding(FileRefusal(u"the part " + FromUtf8(part) + u" of the " + std::u16string(kind) +
                                         u" is malformed XML: " + error.Message()));
    } catch (const ZipRefusal& refusal) {
        sink.AddInputFinding(FileRefusal(refusal.Message()));
    }
}

bool IsCompoundDocument(std::span<const std::uint8_t> content)
{
    static constexpr std::array<std::uint8_t, 8> Signature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return content.size() >= Signature.size() &&
           std::equal(Signature.begin(), Signature.end(), content.begin());
}

std::string_view AttributeOf(std::span<const XmlAttribute> attributes, std::string_view local,
                             std::string_view uri)
{
    for (const XmlAttribute& attribute : attributes)
        if (attribute.name.Is(local, uri))
            return attribute.value;
    return {};
}

void ParseXmlPart(std::string_view text, XmlHandler& handler)
{
    XmlReader reader(handler);
    if (reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())))
        reader.Finish();
}

void StreamXmlPart(ZipReader& zip, std::string_view part, XmlReader& reader)
{
    zip.Stream(part, [&reader](std::string_view piece) {
        return reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
    });
    if (!reader.Stopped())
        reader.Finish();
}

} // namespace vt
