#include "tables/XlsxFormat.h"

#include "tables/OdsFormat.h"
#include "tables/SheetTable.h"
#include "tables/XmlReader.h"
#include "tables/ZipArchive.h"
#include "text/Utf.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace vt {

namespace {

std::string_view Attribute(std::span<const XmlAttribute> attributes, std::string_view local)
{
    return AttributeOf(attributes, local);
}

// r:id, in the namespace of transitional or of strict workbooks.
std::string_view RelationshipId(std::span<const XmlAttribute> attributes)
{
    const std::string_view transitional =
        AttributeOf(attributes, "id", "http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    return transitional.empty()
               ? AttributeOf(attributes, "id", "http://purl.oclc.org/ooxml/officeDocument/relationships")
               : transitional;
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The part that `target` names from the part `from`: a path from the
// archive's root, "." and ".." resolved.
std::string PartPath(std::string_view from, std::string_view target)
{
    std::string path =
        target.starts_with('/') ? std::string() : std::string(from.substr(0, from.rfind('/') + 1));
    path += target.starts_with('/') ? target.substr(1) : target;
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string& part : parts)
        joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

// The relationships part of the part at `path`.
std::string RelationshipsOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/') + 1;
    return std::string(path.substr(0, slash)) + "_rels/" + std::string(path.substr(slash)) + ".rels";
}

struct Relationship
{
    std::string id;
    std::string type;
    std::string target;
};

class RelationshipsHandler : public XmlHandler
{
public:
    std::vector<Relationship> found;

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        if (name.local == "Relationship" && Attribute(attributes, "TargetMode") != "External")
            found.push_back({std::string(Attribute(attributes, "Id")),
                             std::string(Attribute(attributes, "Type")),
                             std::string(Attribute(attributes, "Target"))});
    }
    void EndElement(const XmlName&) override {}
    void Text(std::string_view) override {}
};

// The first <sheet> of the workbook, by its relationship.
class WorkbookHandler : public XmlHandler
{
public:
    std::string firstSheet;

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        if (name.local == "sheet" && firstSheet.empty())
            firstSheet = RelationshipId(attributes);
    }
    void EndElement(const XmlName&) override {}
    void Text(std::string_view) override {}
};

// "_xHHHH_" stands for the code unit HHHH in the strings of a workbook.
std::u16string Unescaped(std::string_view utf8)
{
    if (utf8.find("_x") == std::string_view::npos)
        return FromUtf8(utf8);
    const std::u16string text = FromUtf8(utf8);
    const auto hex = [](char16_t c) {
        return c >= u'0' && c <= u'9'   ? c - u'0'
               : c >= u'A' && c <= u'F' ? c - u'A' + 10
               : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                        : -1;
    };
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i + 7 <= text.size() && text[i] == u'_' && text[i + 1] == u'x' && text[i + 6] == u'_' &&
            std::all_of(text.begin() + std::ptrdiff_t(i) + 2, text.begin() + std::ptrdiff_t(i) + 6,
                        [&](char16_t c) { return hex(c) >= 0; })) {
            out += char16_t(hex(text[i + 2]) << 12 | hex(text[i + 3]) << 8 | hex(text[i + 4]) << 4 |
                            hex(text[i + 5]));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The text of a string item (<si>, <is>): its <t> and the <t> of its runs,
// not those of phonetic hints (<rPh>).
class StringItem
{
public:
    void Start(std::string_view local)
    {
        if (local == "rPh")
            ++m_phonetic;
        else if (local == "t" && m_phonetic == 0)
            m_inText = true;
    }
    void End(std::string_view local)
    {
        if (local == "rPh")
            --m_phonetic;
        else if (local == "t")
            m_inText = false;
    }
    void Text(std::string_view utf8)
    {
        if (m_inText)
            m_utf8 += utf8;
    }
    std::u16string Take()
    {
        std::u16string text = Unescaped(m_utf8);
        m_utf8.clear();
        return text;
    }

private:
    std::string m_utf8;
    int m_phonetic = 0;
    bool m_inText = false;
};

class SharedStringsHandler : public XmlHandler
{
public:
    std::vector<std::u16string> strings;

    void StartElement(const XmlName& name, std::span<const XmlAttribute>) override
    {
        if (name.local == "si")
            m_inItem = true;
        else if (m_inItem)
            m_item.Start(name.local);
    }
    void EndElement(const XmlName& name) override
    {
        if (name.local == "si") {
            strings.push_back(m_item.Take());
            m_inItem = false;
        } else if (m_inItem) {
            m_item.End(name.local);
        }
    }
    void Text(std::string_view utf8) override { m_item.Text(utf8); }

private:
    StringItem m_item;
    bool m_inItem = false;
};

// The whole number of the text when it is one of at least `least`.
std::int64_t NumberOf(std::string_view digits, std::int64_t otherwise, std::int64_t least = 1)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= least ? value : otherwise;
}

// The rows of the sheet as its XML streams by.
class SheetHandler : public XmlHandler
{
public:
    SheetHandler(SheetRows& rows, const std::vector<std::u16string>& shared, XmlReader*& reader)
        : m_rows(rows), m_shared(shared), m_reader(reader)
    {
    }

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        const std::string_view local = name.local;
        if (local == "row") {
            m_row = NumberOf(Attribute(attributes, "r"), m_row + 1);
            m_column = -1;
        } else if (local == "c") {
            const std::string_view reference = Attribute(attributes, "r");
            const int column = reference.empty() ? -1 : ColumnOfReference(reference);
            m_column = column >= 0 ? column : m_column + 1;
            m_type = Attribute(attributes, "t");
            m_value.clear();
            m_inCell = true;
        } else if (m_inCell && local == "v") {
            m_inValue = true;
        } else if (m_inCell && local == "is") {
            m_inInline = true;
        } else if (m_inInline) {
            m_inlineText.Start(local);
        }
    }

    void EndElement(const XmlName& name) override
    {
        const std::string_view local = name.local;
        if (local == "v") {
            m_inValue = false;
        } else if (local == "is") {
            m_inInline = false;
        } else if (m_inInline) {
            m_inlineText.End(local);
        } else if (local == "c" && m_inCell) {
            m_inCell = false;
            m_rows.Cell(m_column, CellText());
        } else if (local == "row") {
            if (!m_rows.EndRow(m_row))
                m_reader->Stop();
        } else if (local == "sheetData") {
            m_reader->Stop();
        }
    }

    void Text(std::string_view utf8) override
    {
        if (m_inValue)
            m_value += utf8;
        else if (m_inInline)
            m_inlineText.Text(utf8);
    }

private:
    std::u16string CellText()
    {
        if (m_type == "inlineStr")
            return m_inlineText.Take();
        if (m_type == "s") {
            const std::int64_t index = NumberOf(m_value, -1, 0);
            if (index < 0 || std::size_t(index) >= m_shared.size())
                throw ZipRefusal(u"the cell " + CellName(m_column, m_row) + u" names the shared string " +
                                 FromUtf8(m_value) + u", which the workbook lacks");
            return m_shared[std::size_t(index)];
        }
        if (m_type == "b")
            return m_value == "1" ? u"TRUE" : m_value.empty() ? u"" : u"FALSE";
        if (m_type == "str")
            return Unescaped(m_value);
        if (m_type == "e" || m_type == "d")
            return FromUtf8(m_value);
        return NumberText(m_value);
    }

    SheetRows& m_rows;
    const std::vector<std::u16string>& m_shared;
    XmlReader*& m_reader;
    std::int64_t m_row = 0;
    int m_column = -1;
    std::string m_type;
    std::string m_value;
    StringItem m_inlineText;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
};

const Relationship* OfType(const std::vector<Relationship>& relationships, std::string_view type)
{
    const auto found = std::find_if(relationships.begin(), relationships.end(),
                                    [&](const Relationship& r) { return EndsWith(r.type, type); });
    return found == relationships.end() ? nullptr : &*found;
}

std::vector<Relationship> RelationshipsIn(ZipReader& zip, const std::string& part)
{
    RelationshipsHandler handler;
    if (zip.Has(part))
        ParseXmlPart(zip.Read(part), handler);
    return handler.found;
}

constexpr std::u16string_view NoWorkbook = u"the file is no Excel workbook (.xlsx)";

// An encrypted workbook is a compound document holding an "EncryptedPackage".
bool HoldsEncryptedPackage(std::span<const std::uint8_t> content)
{
    static constexpr std::string_view Name = "EncryptedPackage";
    std::string utf16;
    for (char c : Name)
        utf16 += {c, '\0'};
    return std::search(content.begin(), content.end(), utf16.begin(), utf16.end()) != content.end();
}

void ReadWorkbook(std::span<const std::uint8_t> bytes, RowSink& sink, std::string& part)
{
    if (IsCompoundDocument(bytes))
        throw ZipRefusal(HoldsEncryptedPackage(bytes)
                             ? u"the workbook is encrypted; save it without a password"
                             : std::u16string(NoWorkbook) +
                                   u": it is an older compound document, such as an Excel 97-2003 workbook "
                                   u"(.xls); save it as an Excel workbook (.xlsx)");
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != 'K')
        throw ZipRefusal(std::u16string(NoWorkbook) + u": it is not a zip archive");
    ZipReader zip(bytes);
    part = "_rels/.rels";
    const std::vector<Relationship> package = RelationshipsIn(zip, part);
    const Relationship* office = OfType(package, "/officeDocument");
    const std::string workbook = office ? PartPath("", office->target) : "xl/workbook.xml";
    if (!zip.Has(workbook))
        throw ZipRefusal(std::u16string(NoWorkbook) + u": it has no workbook part " + FromUtf8(workbook));
    part = RelationshipsOf(workbook);
    const std::vector<Relationship> relationships = RelationshipsIn(zip, part);
    part = workbook;
    WorkbookHandler book;
    ParseXmlPart(zip.Read(workbook), book);
    const auto sheet = std::find_if(relationships.begin(), relationships.end(),
                                    [&](const Relationship& r) { return r.id == book.firstSheet; });
    if (book.firstSheet.empty() || sheet == relationships.end())
        throw ZipRefusal(u"the workbook has no worksheet");
    part = PartPath(workbook, sheet->target);
    if (!zip.Has(part))
        throw ZipRefusal(u"the workbook lacks its first worksheet " + FromUtf8(part));

    SharedStringsHandler shared;
    if (const Relationship* strings = OfType(relationships, "/sharedStrings")) {
        const std::string sheetPart = part;
        part = PartPath(workbook, strings->target);
        if (zip.Has(part)) {
            // Streamed like the sheet: held whole, a full base's strings
            // part would be a second copy of nearly every text.
            XmlReader strings(shared);
            StreamXmlPart(zip, part, strings);
        }
        part = sheetPart;
    }

    SheetRows rows(sink);
    XmlReader* running = nullptr;
    SheetHandler handler(rows, shared.strings, running);
    XmlReader reader(handler);
    running = &reader;
    StreamXmlPart(zip, part, reader);
    rows.Finish(sink);
}

// A folder of the system's temporary folder that only this user can enter,
// removed with what it holds.
class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        std::random_device random;
        const std::filesystem::path system = std::filesystem::temp_directory_path();
        for (int attempt = 0;; ++attempt) {
            m_path = system / ("vt-sheet-" + std::to_string(random()) + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(m_path, error))
                break;
            if (attempt == 100 || std::filesystem::exists(system, error) == false)
                throw Error(u"Cannot make a temporary folder in " + FromUtf8(ToString(system)) + u": " +
                            FromUtf8(error.message()));
        }
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const noexcept { return m_path; }
    static std::string ToString(const std::filesystem::path& path)
    {
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
    }
    /** The name that libxlsxwriter can open the file by. */
    static std::string NameForLibrary(const std::filesystem::path& path);

private:
    std::filesystem::path m_path;
};

#ifdef _WIN32
// Built with MinGW, libxlsxwriter opens files by narrow names in the
// system's code page: the short name of the folder, where the volume keeps
// short names, is ASCII whatever the user's name is, and a Cyrillic one fits
// the code page of a Russian system anyway.
std::string TemporaryFolder::NameForLibrary(const std::filesystem::path& path)
{
    std::wstring name = path.wstring();
    if (const DWORD length = GetShortPathNameW(name.c_str(), nullptr, 0); length > 0) {
        std::wstring shortName(length, L'\0');
        const DWORD written = GetShortPathNameW(name.c_str(), shortName.data(), length);
        if (written > 0 && written < length)
            name = shortName.substr(0, written);
    }
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), int(name.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(std::size_t(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), int(name.size()), narrow.data(), bytes, nullptr,
                            nullptr);
    return narrow;
}
#else
std::string TemporaryFolder::NameForLibrary(const std::filesystem::path& path)
{
    return ToString(path);
}
#endif

void Check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw Error(u"Cannot make the workbook: " + FromUtf8(lxw_strerror(error)));
}

// The workbook's creation time: a fixed one, so that the same base makes
// the same bytes whenever it is written, as in CSV.
constexpr std::time_t CreatedTime = 946684800; // 2000-01-01

// A text as a workbook stores it: an "_xHHHH_" of the text itself gets its
// "_" escaped as "_x005F_", so that reading it gives it back (libxlsxwriter
// escapes the control characters).
std::string Escaped(std::string utf8)
{
    const auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    for (std::size_t at = utf8.find("_x"); at != std::string::npos; at = utf8.find("_x", at + 1))
        if (at + 7 <= utf8.size() && utf8[at + 6] == '_' &&
            std::all_of(utf8.begin() + std::ptrdiff_t(at) + 2, utf8.begin() + std::ptrdiff_t(at) + 6, hex)) {
            utf8.insert(at + 1, "x005F_");
            at += 6;
        }
    return utf8;
}

void WriteSheet(lxw_workbook* book, const QuestionBase& base)
{
    lxw_worksheet* sheet = workbook_add_worksheet(book, std::string(ExportSheetName).c_str());
    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    // Text cells keep what is typed into them as text, too.
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    format_set_text_wrap(text);
    const std::span<const SheetColumn> columns = SheetColumnsOfExport();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto column = lxw_col_t(c);
        const bool numeric = c == FieldRound || c == FieldCorrect;
        Check(worksheet_set_column(sheet, column, column, columns[c].width, numeric ? nullptr : text));
        Check(worksheet_write_string(sheet, 0, column, std::string(columns[c].name).c_str(), header));
    }
    worksheet_freeze_panes(sheet, 1, 0);
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const std::vector<SheetCell> cells = ExportedRow(base, k);
        const auto row = lxw_row_t(k + 1);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const SheetCell& cell = cells[c];
            if (cell.utf8.empty())
                continue;
            Check(cell.number
                      ? worksheet_write_number(sheet, row, lxw_col_t(c), std::stod(cell.utf8), nullptr)
                      : worksheet_write_string(sheet, row, lxw_col_t(c), Escaped(cell.utf8).c_str(), text));
        }
    }
}

} // namespace

bool StartsAsXlsx(std::span<const std::uint8_t> content)
{
    static constexpr std::string_view Zip = "PK\x03\x04";
    return IsCompoundDocument(content) ||
           (content.size() >= Zip.size() && std::equal(Zip.begin(), Zip.end(), content.begin()) &&
            !StartsAsOds(content));
}

void ReadXlsxQuestions(InputStream& in, RowSink& sink)
{
    ReadZippedSheet(in, sink, u"workbook", ReadWorkbook);
}

void WriteXlsxQuestions(const QuestionBase& base, OutputStream& out)
{
    const TemporaryFolder folder;
    const std::string folderPath = TemporaryFolder::NameForLibrary(folder.Path());
    const std::filesystem::path file = folder.Path() / "questions.xlsx";
    // Rows go to the file as they come, so that memory stays small.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(folderPath.c_str());
    const std::string fileName =
        folderPath + char(std::filesystem::path::preferred_separator) + "questions.xlsx";
    lxw_workbook* book = workbook_new_opt(fileName.c_str(), &options);
    if (!book)
        throw Error(u"Cannot make the workbook in " + FromUtf8(TemporaryFolder::ToString(folder.Path())));
    lxw_doc_properties properties{};
    properties.created = CreatedTime;
    try {
        Check(workbook_set_properties(book, &properties));
        WriteSheet(book, base);
    } catch (...) {
        workbook_close(book);
        throw;
    }
    Check(workbook_close(book));

    std::ifstream written(file, std::ios::binary);
    std::vector<char> block(std::size_t(1) << 20);
    while (written) {
        written.read(block.data(), std::streamsize(block.size()));
        if (const std::streamsize got = written.gcount(); got > 0)
            out.Write(reinterpret_cast<const std::uint8_t*>(block.data()), std::size_t(got));
    }
    if (written.bad())
        throw Error(u"Cannot read the workbook made in " +
                    FromUtf8(TemporaryFolder::ToString(folder.Path())));
}

Findings XlsxUnwritable(const QuestionBase& base)
{
    return SheetUnwritable(base, u"an Excel workbook");
}

} // namespace vt
