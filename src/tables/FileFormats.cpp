#include "tables/FileFormats.h"

#include "base/BaseFormat.h"
#include "tables/AikenFormat.h"
#include "tables/CsvFormat.h"
#include "tables/GiftFormat.h"
#include "tables/JsonFormat.h"
#include "tables/MoodleXmlFormat.h"
#include "tables/OdsFormat.h"
#include "tables/XlsxFormat.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vt {

namespace {

bool IsBlank(std::uint8_t byte)
{
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// JSON of questions is an array: "[" first, after a UTF-8 byte-order mark
// and blanks.
bool StartsAsJson(std::span<const std::uint8_t> content)
{
    static constexpr std::array<std::uint8_t, 3> Bom{0xEF, 0xBB, 0xBF};
    if (content.size() >= Bom.size() && std::equal(Bom.begin(), Bom.end(), content.begin()))
        content = content.subspan(Bom.size());
    const auto first = std::find_if_not(content.begin(), content.end(), IsBlank);
    return first != content.end() && *first == '[';
}

void WriteDat(const QuestionBase& base, OutputStream& out, const WriteOptions& options)
{
    // The lengths are shown while the base is written, not while it is measured.
    WriteCheckedBase(base, out, out.Measures() ? std::function<void(int)>() : options.recordWritten);
}

void WriteCsv(const QuestionBase& base, OutputStream& out, const WriteOptions& options)
{
    WriteCsvQuestions(base, out, options.delimiter, options.byteOrderMark);
}

void WriteJson(const QuestionBase& base, OutputStream& out, const WriteOptions&)
{
    WriteJsonQuestions(base, out);
}

void WriteMoodleXml(const QuestionBase& base, OutputStream& out, const WriteOptions&)
{
    WriteMoodleXmlQuestions(base, out);
}

void WriteGift(const QuestionBase& base, OutputStream& out, const WriteOptions&)
{
    WriteGiftQuestions(base, out);
}

void WriteAiken(const QuestionBase& base, OutputStream& out, const WriteOptions&)
{
    WriteAikenQuestions(base, out);
}

// Built on first use, so that help texts made at start-up can use it.
const std::vector<FileFormat>& Formats()
{
    static const std::vector<FileFormat> formats = {
        {.name = "dat",
         .title = "base",
         .extensions = {"dat"},
         .loadFilter = "Questions base (*.dat)",
         .saveFilter = "Questons base (*.dat)",
         .table = false,
         .checkLimits = CheckBaseLimits,
         .write = WriteDat},
        {.name = "csv",
         .title = "CSV",
         .extensions = {"csv", "tsv"},
         .loadFilter = "Spreadsheet table (*.csv)",
         .saveFilter = "Spreadsheet table (*.csv)",
         .read = ReadCsvQuestions,
         .unwritable = CsvUnwritable,
         .write = WriteCsv},
        {.name = "json",
         .title = "JSON",
         .extensions = {"json"},
         .loadFilter = "JSON (*.json)",
         .saveFilter = "JSON (*.json)",
         .recognise = StartsAsJson,
         .read = ReadJsonQuestions,
         .write = WriteJson},
        {.name = "xlsx",
         .title = "an Excel workbook",
         .extensions = {"xlsx"},
         .loadFilter = "Excel workbook (*.xlsx)",
         .saveFilter = "Excel workbook (*.xlsx)",
         .recognise = StartsAsXlsx,
         .read = ReadXlsxQuestions,
         .unwritable = XlsxUnwritable,
         .write = [](const QuestionBase& base, OutputStream& out,
                     const WriteOptions&) { WriteXlsxQuestions(base, out); }},
        {.name = "ods",
         .title = "an OpenDocument spreadsheet",
         .extensions = {"ods"},
         .loadFilter = "OpenDocument spreadsheet (*.ods)",
         .saveFilter = "OpenDocument spreadsheet (*.ods)",
         .recognise = StartsAsOds,
         .read = ReadOdsQuestions,
         .unwritable = OdsUnwritable,
         .write = [](const QuestionBase& base, OutputStream& out,
                     const WriteOptions&) { WriteOdsQuestions(base, out); }},
        {.name = "moodle-xml",
         .title = "Moodle XML",
         .extensions = {"xml"},
         .loadFilter = "Moodle XML (*.xml)",
         .saveFilter = "Moodle XML (*.xml)",
         .recognise = LooksLikeXml,
         .read = ReadMoodleXmlQuestions,
         .unwritable = MoodleXmlUnwritable,
         .write = WriteMoodleXml},
        {.name = "gift",
         .title = "GIFT",
         .extensions = {"gift"},
         .loadFilter = "GIFT (*.gift)",
         .saveFilter = "GIFT (*.gift)",
         .read = ReadGiftQuestions,
         .unwritable = GiftUnwritable,
         .write = WriteGift},
        {.name = "aiken",
         .title = "Aiken",
         .extensions = {"txt"},
         .loadFilter = "Aiken (*.txt)",
         .saveFilter = "Aiken (*.txt)",
         .recognise = LooksLikeAiken,
         .extensionNeedsContent = true,
         .read = ReadAikenQuestions,
         .unwritable = AikenUnwritable,
         .write = WriteAiken},
    };
    return formats;
}

bool SameLetters(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const FileFormat> FileFormats()
{
    return Formats();
}

const FileFormat& BaseFileFormat()
{
    return Formats().front();
}

const FileFormat* FormatNamed(std::string_view name)
{
    for (const FileFormat& format : Formats())
        if (SameLetters(format.name, name))
            return &format;
    return nullptr;
}

const FileFormat* FormatOfExtension(std::string_view path)
{
    // What follows a dot in a folder's name holds a separator, so no
    // extension matches it.
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return nullptr;
    const std::string_view extension = path.substr(dot + 1);
    for (const FileFormat& format : Formats())
        for (std::string_view known : format.extensions)
            if (SameLetters(known, extension))
                return &format;
    return nullptr;
}

const FileFormat& TableFormatOfFile(std::string_view path, std::span<const std::uint8_t> content)
{
    if (const FileFormat* named = FormatOfExtension(path); named && named->table) {
        if (!named->extensionNeedsContent || named->recognise(content))
            return *named;
        return *FormatNamed("csv");
    }
    for (const FileFormat& format : Formats())
        if (format.table && format.recognise && format.recognise(content))
            return format;
    return *FormatNamed("csv");
}

bool WritableTable(const FileFormat& format)
{
    return format.table && format.write;
}

bool ReadableTable(const FileFormat& format)
{
    return format.table && format.read;
}

std::string FormatNames(bool (*has)(const FileFormat&), std::string_view defaultName)
{
    std::vector<std::string> names;
    for (const FileFormat& format : Formats())
        if (has(format))
            names.push_back(std::string(format.name) + (format.name == defaultName ? " (the default)" : ""));
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

std::u16string UnwritableSummary(const FileFormat& format, std::size_t count)
{
    return Counted(std::int64_t(count), u"text", u"texts") + u" that " +
           std::u16string(format.title.begin(), format.title.end()) + u" cannot carry";
}

} // namespace vt
