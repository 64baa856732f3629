#include "base/FileKind.h"

#include "base/BaseFormat.h"
#include "text/Error.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vt {

namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::string_view prefix)
{
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

bool ReadsAsBaseHeader(const std::vector<std::uint8_t>& head)
{
    // The editor's own reader decides, short headers included.
    MemoryInputStream in(head);
    try {
        BaseReader reader(in);
        return true;
    } catch (const Error&) {
        return false;
    }
}

/** The kind of a head that is text: what its first line holds. */
FileKind TextKind(const std::vector<std::uint8_t>& head, std::size_t from)
{
    for (std::size_t i = from; i < head.size(); ++i) {
        const std::uint8_t c = head[i];
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return FileKind::Unknown;
    }
    auto first = std::find_if(head.begin() + std::ptrdiff_t(from), head.end(),
                              [](std::uint8_t c) { return c != ' ' && c != '\t' && c != '\n' && c != '\r'; });
    if (first != head.end() && (*first == '[' || *first == '{'))
        return FileKind::Json;
    const auto lineEnd = std::find(head.begin() + std::ptrdiff_t(from), head.end(), std::uint8_t('\n'));
    const std::string_view line(reinterpret_cast<const char*>(head.data()) + from,
                                std::size_t(lineEnd - head.begin()) - from);
    if (line.find('\t') != std::string_view::npos)
        return FileKind::TsvTable;
    if (line.find_first_of(",;") != std::string_view::npos)
        return FileKind::CsvTable;
    return FileKind::Text;
}

bool EndsWithNoCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - std::ptrdiff_t(suffix.size()),
                      [](char a, char b) { return a == char(std::tolower(static_cast<unsigned char>(b))); });
}

/** The name without its extension, if its last part has one; "BASE" for
 *  standard input. */
std::string Stem(std::string_view name)
{
    if (name == "-")
        return "BASE";
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot <= start)
        return std::string(name);
    return std::string(name.substr(0, dot));
}

/** A name as it goes into a suggested command line: in double quotes when a
 *  shell would split or expand it. A backslash stays as it is, since it
 *  separates folders on Windows. */
std::string Quoted(std::string_view name)
{
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || std::isalnum(u) || (c != 0 && std::strchr("._-/\\+,:@%=", c) != nullptr);
    });
    if (plain)
        return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '$' || c == '`')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

/** "'vertalina-base build TABLE -o BASE.dat'", the base named after the
 *  file `named` but never that file itself. */
std::string BuildCommand(std::string_view table, std::string_view named, std::string_view format = {})
{
    std::string base = Stem(named) + ".dat";
    if (base == named)
        base = Stem(named) + "-base.dat";
    std::string command = "'vertalina-base build ";
    if (!format.empty())
        command += "--format " + std::string(format) + ' ';
    return command + Quoted(table) + " -o " + Quoted(base) + '\'';
}

std::string HexBytes(const std::vector<std::uint8_t>& head, std::size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count && i < head.size(); ++i) {
        if (i > 0)
            text += ' ';
        text += digits[head[i] >> 4];
        text += digits[head[i] & 0xF];
    }
    return text;
}

/** What a UTF-16 text is, and how it becomes a base. */
std::string SaveAsCsvFirst(std::string_view name)
{
    return "it looks like UTF-16 text; save it as CSV (UTF-8) and build a base with " +
           BuildCommand(Stem(name) + ".csv", name);
}

} // namespace

FileKind GuessFileKind(const std::vector<std::uint8_t>& head)
{
    if (head.empty())
        return FileKind::Empty;
    if (StartsWith(head, "PK\x03\x04") || StartsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return FileKind::Spreadsheet;
    if (StartsWith(head, "\xFF\xFE") || StartsWith(head, "\xFE\xFF"))
        return FileKind::Utf16Text;
    if (ReadsAsBaseHeader(head))
        return FileKind::QuestionBase;
    return TextKind(head, StartsWith(head, "\xEF\xBB\xBF") ? 3 : 0);
}

std::string NotABaseMessage(std::string_view name, const std::vector<std::uint8_t>& head)
{
    const std::string prefix = "not a question base: ";
    const bool jsonName = EndsWithNoCase(name, ".json");
    const FileKind kind = GuessFileKind(head);
    switch (kind) {
    case FileKind::QuestionBase:
        return {};
    case FileKind::Empty:
        return prefix + "the file is empty (a base without questions still has its 10-byte header)";
    case FileKind::CsvTable:
        return prefix + "it looks like a CSV table; build a base from it with " +
               BuildCommand(name, name, jsonName ? "csv" : "");
    case FileKind::TsvTable:
        return prefix + "it looks like a tab-separated table; build a base from it with " +
               BuildCommand(name, name, jsonName ? "csv" : "");
    case FileKind::Json:
        return prefix + "it looks like JSON; build a base from it with " +
               BuildCommand(name, name, jsonName ? "" : "json");
    case FileKind::Spreadsheet:
        return prefix + "it looks like a spreadsheet file; build a base from it with " +
               BuildCommand(name, name);
    case FileKind::Utf16Text:
        return prefix + SaveAsCsvFirst(name);
    case FileKind::Text:
        return prefix + "it looks like plain text, not a table of questions; a base is built from a CSV " +
               "or JSON table with " + BuildCommand("TABLE.csv", name);
    case FileKind::Unknown:
        break;
    }
    const std::size_t shown = std::min(head.size(), BaseHeaderBytes);
    return prefix + "its first " + std::to_string(shown) + " bytes (" + HexBytes(head, shown) +
           ") are not a question count; 'man vertalina-base' shows how a base begins";
}

std::string NotATableMessage(std::string_view name, const std::vector<std::uint8_t>& head)
{
    const std::string prefix = "not a table: ";
    const FileKind kind = GuessFileKind(head);
    switch (kind) {
    case FileKind::QuestionBase:
        return prefix + "it is a question base already; check it with 'vertalina-base check " + Quoted(name) +
               "' or make a table of it with 'vertalina-base export " + Quoted(name) + " -o " +
               Quoted(Stem(name) + ".csv") + "'";
    case FileKind::Utf16Text:
        return prefix + SaveAsCsvFirst(name);
    default:
        return {};
    }
}

HeadInputStream::HeadInputStream(InputStream& source) : m_source(source), m_head(FileKindHeadBytes)
{
    m_head.resize(m_source.Read(m_head.data(), m_head.size()));
}

std::size_t HeadInputStream::Read(std::uint8_t* data, std::size_t n)
{
    // After a failed first read, nothing more: the bytes it lost are gone.
    if (m_source.Failed() && m_pos == 0 && m_head.empty())
        return 0;
    const std::size_t held = std::min(n, m_head.size() - m_pos);
    std::copy_n(m_head.begin() + std::ptrdiff_t(m_pos), held, data);
    m_pos += held;
    if (held == n)
        return n;
    // The head ends before the stream's end only when the stream did.
    if (m_head.size() < FileKindHeadBytes)
        return held;
    const std::size_t got = m_source.Read(data + held, n - held);
    if (got == 0 && m_source.Failed())
        return 0;
    return held + got;
}

const std::uint8_t* HeadInputStream::Borrow(std::size_t n)
{
    if (m_pos + n <= m_head.size()) {
        const std::uint8_t* bytes = m_head.data() + m_pos;
        m_pos += n;
        return bytes;
    }
    if (m_pos == m_head.size() && m_head.size() == FileKindHeadBytes)
        return m_source.Borrow(n);
    return nullptr;
}

} // namespace vt
