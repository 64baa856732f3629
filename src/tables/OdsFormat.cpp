#include "tables/OdsFormat.h"

#include "tables/SheetTable.h"
#include "tables/TableWriter.h"
#include "tables/XmlReader.h"
#include "tables/ZipArchive.h"
#include "text/Utf.h"

#include <algorithm>
#include <charconv>

namespace vt {

namespace {

constexpr std::string_view OfficeUri = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view TableUri = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view TextUri = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view SpreadsheetType = "application/vnd.oasis.opendocument.spreadsheet";

// A count attribute (repeats, spaces): 1 when absent or no count.
std::int64_t CountOf(std::string_view digits)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value > 0 ? value : 1;
}

// The rows of the first table as content.xml streams by.
class ContentHandler : public XmlHandler
{
public:
    ContentHandler(SheetRows& rows, XmlReader*& reader) : m_rows(rows), m_reader(reader) {}

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        if (m_inCell) {
            CellStart(name, attributes);
        } else if (name.Is("table", TableUri)) {
            ++m_tables;
        } else if (m_tables == 1 && name.Is("table-row", TableUri)) {
            m_rowRepeat = CountOf(AttributeOf(attributes, "number-rows-repeated", TableUri));
            m_column = 0;
        } else if (m_tables == 1 &&
                   (name.Is("table-cell", TableUri) || name.Is("covered-table-cell", TableUri))) {
            m_inCell = true;
            m_cellRepeat = CountOf(AttributeOf(attributes, "number-columns-repeated", TableUri));
            m_text.clear();
            m_paragraphs = 0;
            m_value = ValueOf(attributes);
            m_valued = !m_value.empty() || AttributeOf(attributes, "value-type", OfficeUri) == "void";
        }
    }

    void EndElement(const XmlName& name) override
    {
        if (m_inCell && (name.Is("table-cell", TableUri) || name.Is("covered-table-cell", TableUri)) &&
            m_depth == 0) {
            m_inCell = false;
            std::u16string text = m_valued ? FromUtf8(m_value) : FromUtf8(m_text);
            if (!text.empty())
                for (std::int64_t n = 0; n < m_cellRepeat && m_column + n < ReadColumns; ++n)
                    m_rows.Cell(int(m_column + n), text);
            m_column += m_cellRepeat;
        } else if (m_inCell) {
            CellEnd(name);
        } else if (name.Is("table-row", TableUri) && m_tables == 1) {
            if (!m_rows.EndRow(m_row, m_rowRepeat))
                m_reader->Stop();
            m_row += m_rowRepeat;
        } else if (name.Is("table", TableUri) && --m_tables == 0) {
            // Only the first table is read.
            m_reader->Stop();
        }
    }

    void Text(std::string_view utf8) override
    {
        if (m_inCell && m_inParagraph > 0 && m_annotation == 0)
            m_text += utf8;
    }

private:
    // What a cell's value attribute says, where its type gives one: numbers
    // as office:value ("3"), not as they are shown.
    static std::string ValueOf(std::span<const XmlAttribute> attributes)
    {
        const std::string_view type = AttributeOf(attributes, "value-type", OfficeUri);
        if (type == "float" || type == "percentage" || type == "currency") {
            const std::u16string number = NumberText(AttributeOf(attributes, "value", OfficeUri));
            return ToUtf8(number);
        }
        if (type == "date")
            return std::string(AttributeOf(attributes, "date-value", OfficeUri));
        if (type == "time")
            return std::string(AttributeOf(attributes, "time-value", OfficeUri));
        if (type == "boolean")
            return AttributeOf(attributes, "boolean-value", OfficeUri) == "true" ? "TRUE" : "FALSE";
        return std::string(AttributeOf(attributes, "string-value", OfficeUri));
    }

    void CellStart(const XmlName& name, std::span<const XmlAttribute> attributes)
    {
        ++m_depth;
        if (name.Is("annotation", OfficeUri))
            ++m_annotation;
        if (m_annotation > 0)
            return;
        if (name.Is("p", TextUri) || name.Is("h", TextUri)) {
            if (m_inParagraph == 0 && m_paragraphs++ > 0)
                m_text += '\n';
            ++m_inParagraph;
        } else if (m_inParagraph > 0 && name.Is("s", TextUri)) {
            // No more spaces than a cell can hold.
            m_text.append(
                std::size_t(std::min<std::int64_t>(CountOf(AttributeOf(attributes, "c", TextUri)), 32767)),
                ' ');
        } else if (m_inParagraph > 0 && name.Is("tab", TextUri)) {
            m_text += '\t';
        } else if (m_inParagraph > 0 && name.Is("line-break", TextUri)) {
            m_text += '\n';
        }
    }

    void CellEnd(const XmlName& name)
    {
        --m_depth;
        if (name.Is("annotation", OfficeUri))
            --m_annotation;
        else if (m_annotation == 0 && (name.Is("p", TextUri) || name.Is("h", TextUri)))
            --m_inParagraph;
    }

    SheetRows& m_rows;
    XmlReader*& m_reader;
    int m_tables = 0; // the depth of tables, the first one being read
    std::int64_t m_row = 1;
    std::int64_t m_rowRepeat = 1;
    std::int64_t m_column = 0;
    std::int64_t m_cellRepeat = 1;
    bool m_inCell = false;
    int m_depth = 0; // of elements inside the cell
    int m_annotation = 0;
    int m_inParagraph = 0;
    int m_paragraphs = 0;
    std::string m_text;
    std::string m_value;
    bool m_valued = false;
};

// Whether the manifest names encryption data for any member.
class ManifestHandler : public XmlHandler
{
public:
    bool encrypted = false;

    void StartElement(const XmlName& name, std::span<const XmlAttribute>) override
    {
        encrypted = encrypted || name.local == "encryption-data";
    }
    void EndElement(const XmlName&) override {}
    void Text(std::string_view) override {}
};

constexpr std::u16string_view NoSpreadsheet = u"the file is no OpenDocument spreadsheet (.ods)";

void ReadSpreadsheet(std::span<const std::uint8_t> bytes, RowSink& sink, std::string& part)
{
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != 'K')
        throw ZipRefusal(std::u16string(NoSpreadsheet) + u": it is not a zip archive");
    ZipReader zip(bytes);
    if (zip.Has("mimetype")) {
        part = "mimetype";
        const std::string type = zip.Read(part);
        if (type != SpreadsheetType && type != std::string(SpreadsheetType) + "-template")
            throw ZipRefusal(std::u16string(NoSpreadsheet) + u": its type is " +
                             FromUtf8(type.substr(0, 100)));
    }
    part = "META-INF/manifest.xml";
    if (zip.Has(part)) {
        ManifestHandler manifest;
        ParseXmlPart(zip.Read(part), manifest);
        if (manifest.encrypted)
            throw ZipRefusal(u"the spreadsheet is encrypted; save it without a password");
    }
    part = "content.xml";
    if (!zip.Has(part))
        throw ZipRefusal(std::u16string(NoSpreadsheet) + u": it has no content.xml");
    SheetRows rows(sink);
    XmlReader* running = nullptr;
    ContentHandler handler(rows, running);
    XmlReader reader(handler);
    running = &reader;
    StreamXmlPart(zip, part, reader);
    rows.Finish(sink);
}

// Text for XML, "&", "<", ">" and the quote escaped; a carriage return as a
// reference, since XML reads a raw one as a line feed.
void PutEscaped(TableWriter& out, std::string_view utf8)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const char* escape = c == '&'    ? "&amp;"
                             : c == '<'  ? "&lt;"
                             : c == '>'  ? "&gt;"
                             : c == '"'  ? "&quot;"
                             : c == '\r' ? "&#13;"
                                         : nullptr;
        if (escape) {
            out << utf8.substr(start, i - start) << escape;
            start = i + 1;
        }
    }
    out << utf8.substr(start);
}

// A text as cell paragraphs: one per line, each space after the first of a
// run (and those at a paragraph's start or end) as text:s, tabs as text:tab, so that
// a reader that collapses blanks gets the text back.
void PutParagraphs(TableWriter& out, std::string_view utf8)
{
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(utf8.find('\n', start), utf8.size());
        out << "<text:p>";
        std::size_t plain = start;
        for (std::size_t i = start; i < end;) {
            if (utf8[i] == '\t') {
                PutEscaped(out, utf8.substr(plain, i - plain));
                out << "<text:tab/>";
                plain = ++i;
            } else if (utf8[i] == ' ') {
                std::size_t run = i;
                while (run < end && utf8[run] == ' ')
                    ++run;
                const std::size_t literal = i > start && utf8[i - 1] != '\t' && run < end ? 1 : 0;
                PutEscaped(out, utf8.substr(plain, i + literal - plain));
                if (const std::size_t rest = run - i - literal; rest > 0)
                    out << (rest == 1 ? std::string("<text:s/>")
                                      : "<text:s text:c=\"" + std::to_string(rest) + "\"/>");
                plain = i = run;
            } else {
                ++i;
            }
        }
        PutEscaped(out, utf8.substr(plain, end - plain));
        out << "</text:p>";
        if (end == utf8.size())
            return;
        start = end + 1;
    }
}

constexpr std::string_view Namespaces =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " office:version=\"1.2\"";

// Collects the bytes in the text that the zip takes, without a copy.
class TextOutput : public OutputStream
{
public:
    explicit TextOutput(std::string& text) : m_text(text) {}
    void Write(const std::uint8_t* data, std::size_t n) override
    {
        m_text.append(reinterpret_cast<const char*>(data), n);
    }

private:
    std::string& m_text;
};

std::string Content(const QuestionBase& base)
{
    std::string content;
    TextOutput bytes(content);
    TableWriter out(bytes);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content" << Namespaces
        << "><office:automatic-styles>";
    const std::span<const SheetColumn> columns = SheetColumnsOfExport();
    for (std::size_t c = 0; c < columns.size(); ++c)
        // About a fifth of a centimetre per character of the default font.
        out << "<style:style style:name=\"co" << std::to_string(c + 1)
            << "\" style:family=\"table-column\"><style:table-column-properties style:column-width=\""
            << std::to_string(columns[c].width * 0.2).substr(0, 5) << "cm\"/></style:style>";
    out << "<style:style style:name=\"ce1\" style:family=\"table-cell\"><style:text-properties "
           "fo:font-weight=\"bold\"/></style:style></"
           "office:automatic-styles><office:body><office:spreadsheet>"
           "<table:table table:name=\""
        << ExportSheetName << "\">";
    for (std::size_t c = 0; c < columns.size(); ++c)
        out << "<table:table-column table:style-name=\"co" << std::to_string(c + 1) << "\"/>";
    out << "<table:table-header-rows><table:table-row>";
    for (const SheetColumn& column : columns)
        out << "<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><text:p>"
            << column.name << "</text:p></table:table-cell>";
    out << "</table:table-row></table:table-header-rows>";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        out << "<table:table-row>";
        for (const SheetCell& cell : ExportedRow(base, k)) {
            if (cell.utf8.empty())
                out << "<table:table-cell/>";
            else if (cell.number)
                out << "<table:table-cell office:value-type=\"float\" office:value=\"" << cell.utf8
                    << "\"><text:p>" << cell.utf8 << "</text:p></table:table-cell>";
            else {
                out << "<table:table-cell office:value-type=\"string\">";
                PutParagraphs(out, cell.utf8);
                out << "</table:table-cell>";
            }
        }
        out << "</table:table-row>";
        out.Step();
    }
    out << "</table:table></office:spreadsheet></office:body></office:document-content>\n";
    out.Flush();
    return content;
}

} // namespace

bool StartsAsOds(std::span<const std::uint8_t> content)
{
    // A local header of 30 bytes, the name "mimetype", then its stored content.
    static constexpr std::string_view Name = "mimetype";
    if (content.size() < 30 + Name.size() + SpreadsheetType.size() || content[0] != 'P' ||
        content[1] != 'K' || content[2] != 3 || content[3] != 4)
        return false;
    const auto text = [&](std::size_t at, std::string_view expected) {
        return std::equal(expected.begin(), expected.end(), content.begin() + std::ptrdiff_t(at));
    };
    return text(30, Name) && text(30 + Name.size(), SpreadsheetType);
}

void ReadOdsQuestions(InputStream& in, RowSink& sink)
{
    ReadZippedSheet(in, sink, u"spreadsheet", ReadSpreadsheet);
}

void WriteOdsQuestions(const QuestionBase& base, OutputStream& out)
{
    ZipWriter zip;
    zip.Add("mimetype", std::string(SpreadsheetType), true);
    zip.Add(
        "META-INF/manifest.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
        "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
        "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" manifest:media-type=\"" +
            std::string(SpreadsheetType) +
            "\"/><manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
            "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>"
            "</manifest:manifest>\n");
    zip.Add("styles.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles" +
                              std::string(Namespaces) + "/>\n");
    zip.Add("content.xml", Content(base));
    const std::vector<std::uint8_t> bytes = zip.Finish();
    out.Write(bytes.data(), bytes.size());
}

Findings OdsUnwritable(const QuestionBase& base)
{
    return SheetUnwritable(base, u"an OpenDocument spreadsheet");
}

} // namespace vt
