#include "base/QuestionCheck.h"
#include "tables/CsvFormat.h"
#include "tables/FileFormats.h"
#include "tables/FileStorage.h"
#include "tables/ZipArchive.h"
#include "text/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace vt;

namespace {

const std::string Data = TESTDATA "/";

std::vector<std::string> FindingTexts(const LoadedFile& loaded, std::string_view file)
{
    std::vector<std::string> texts;
    for (const Finding& finding : loaded.findings)
        texts.push_back(ToUtf8(finding.Text(FromUtf8(file))));
    return texts;
}

std::vector<std::u16string> Entries(const QuestionBase& base)
{
    std::vector<std::u16string> entries;
    for (int e = 0; e < base.EntryCount(); ++e)
        entries.emplace_back(base.Entry(e));
    return entries;
}

QuestionBase FromCsv(const std::string& csv)
{
    MemoryInputStream in(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size());
    BaseBuilder builder;
    ReadCsvQuestions(in, builder);
    BuiltBase built = builder.Finish();
    EXPECT_TRUE(built.findings.empty());
    return std::move(built.base);
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

// The files that LibreOffice and openpyxl wrote give the questions of the
// same table as CSV: columns by name in any order, a formula's cached value,
// rich text joined, paragraphs and repeated spaces, numbers as digits, gaps
// and trailing rows, comments and other sheets left out.
TEST(SheetFiles, ReadAsTheSameTableInCsv)
{
    const std::string questions = FileText(Data + "questions.csv");
    const struct
    {
        std::string file;
        std::string csv;
    } cases[] = {
        {"lo-questions.xlsx", questions},
        {"lo-questions.ods", questions},
        {"openpyxl-questions.xlsx", "round,question,answer0,answer1,answer2,answer3,answer4,correct\n"
                                    "2,Сколько будет 2+2?,3,4,5,,,1\n"
                                    "1,007?,007,1/2,,,,0\n"},
    };
    for (const auto& c : cases) {
        const LoadedFile loaded = LoadFile(Data + c.file, nullptr);
        EXPECT_EQ(FindingTexts(loaded, c.file), std::vector<std::string>()) << c.file;
        EXPECT_EQ(Entries(loaded.base), Entries(FromCsv(c.csv))) << c.file;
    }
}

TEST(SheetFiles, FindingsNameTheCells)
{
    for (const char* file : {"lo-findings.xlsx", "lo-findings.ods"}) {
        const LoadedFile loaded = LoadFile(Data + file, nullptr);
        EXPECT_EQ(FindingTexts(loaded, "base"),
                  (std::vector<std::string>{
                      "base: E3: answer 2 is empty; round 3 needs answers 0 to 3",
                      "base: B5: the question text repeats row 4",
                      "base: H6: correct answer \"7\" is not 0 to 1, the answers of round 1",
                      "base: A7: round \"6\" is not 1 to 5",
                  }))
            << file;
        EXPECT_EQ(loaded.base.QuestionCount(), 0);
    }
}

// Each refusal is the file's one finding, and no question comes of it.
TEST(SheetFiles, RefuseWhatIsNoSoundSpreadsheet)
{
    const struct
    {
        std::string file;
        std::string message;
    } cases[] = {
        {"questions.csv", "the file is no Excel workbook (.xlsx): it is not a zip archive"},
        {"photos.xlsx", "the file is no Excel workbook (.xlsx): it has no workbook part xl/workbook.xml"},
        {"letter.ods", "the file is no OpenDocument spreadsheet (.ods): its type is "
                       "application/vnd.oasis.opendocument.text"},
        {"damaged.xlsx", "the file is a damaged zip archive (cut short: its directory is missing)"},
        {"encrypted.xlsx", "the workbook is encrypted; save it without a password"},
        {"encrypted.ods", "the spreadsheet is encrypted; save it without a password"},
        {"old.xlsx",
         "the file is no Excel workbook (.xlsx): it is an older compound document, such as an Excel "
         "97-2003 workbook (.xls); save it as an Excel workbook (.xlsx)"},
        {"bomb.xlsx", "the parts of the file unpack to more than 512 MiB; a spreadsheet of questions is far "
                      "smaller, so it is refused as a zip bomb"},
        {"liar.xlsx",
         "the file is a damaged zip archive or a zip bomb: the part xl/worksheets/sheet1.xml unpacks "
         "to more than the 1000 bytes that its directory states"},
    };
    for (const auto& c : cases) {
        const FileFormat* format = c.file.ends_with(".csv") ? FormatNamed("xlsx") : nullptr;
        const LoadedFile loaded = LoadFile(Data + c.file, format);
        EXPECT_EQ(FindingTexts(loaded, "f"), std::vector<std::string>{"f: " + c.message}) << c.file;
        EXPECT_EQ(loaded.base.QuestionCount(), 0) << c.file;
    }
}

class SheetFormat : public testing::TestWithParam<std::string>
{
protected:
    const FileFormat& Format() const { return *FormatNamed(GetParam()); }

    std::vector<std::uint8_t> Written(const QuestionBase& base) const
    {
        MemoryOutputStream out;
        EXPECT_TRUE(SaveTo(base, out, Format()).empty());
        return out.Bytes();
    }
};

// Every text comes back code unit for code unit, whatever it looks like,
// and the file is recognised by its content.
TEST_P(SheetFormat, WrittenTextsReadBackUnchanged)
{
    QuestionBase base;
    base.AppendRecord(AddedRecord(u"1", 1, u"  два  пробела\tи таб ", {u"007", u"1/2"}, u"0"));
    base.AppendRecord(AddedRecord(u"3", 3, u"строка\nдругая\r\nи \u00A0CR\r",
                                  {u"3.0", u"1E5", u"2026-12-09", u"=1+2"}, u"3"));
    base.AppendRecord(AddedRecord(u"5", 5, u"a_x0041_b & <c> \"d\" '\U0001F600'",
                                  {u"_x005F_", u"TRUE", u" ", u"-0", u"Ёж"}, u"4"));
    const std::vector<std::uint8_t> bytes = Written(base);
    EXPECT_EQ(&TableFormatOfFile("-", bytes), &Format());

    MemoryInputStream in(bytes);
    BaseBuilder builder;
    Format().read(in, builder);
    const BuiltBase built = builder.Finish();
    EXPECT_TRUE(built.findings.empty()) << ToUtf8(built.findings.front().Text(u"read"));
    EXPECT_EQ(Entries(built.base), Entries(base));
    EXPECT_EQ(Written(base), bytes) << "the same base makes the same bytes";
}

// The sheet is "Questions"; the round and correct index are numbers.
TEST_P(SheetFormat, WritesOneSheetWithNumbersAndTexts)
{
    QuestionBase base;
    base.AppendRecord(AddedRecord(u"2", 2, u"Вопрос", {u"007", u"b", u"c"}, u"1"));
    const std::vector<std::uint8_t> bytes = Written(base);
    ZipReader zip(bytes);
    const bool xlsx = GetParam() == "xlsx";
    const std::string sheet = zip.Read(xlsx ? "xl/worksheets/sheet1.xml" : "content.xml");
    EXPECT_NE(zip.Read(xlsx ? "xl/workbook.xml" : "content.xml").find("name=\"Questions\""),
              std::string::npos);
    for (const std::string& part :
         xlsx ? std::vector<std::string>{"<c r=\"A2\"><v>2</v>", "<c r=\"H2\"><v>1</v>",
                                         "<c r=\"C2\" s=\"2\" t=\"inlineStr\"><is><t>007<"}
              : std::vector<std::string>{"office:value-type=\"float\" office:value=\"2\"",
                                         "office:value-type=\"float\" office:value=\"1\"",
                                         "office:value-type=\"string\"><text:p>007<"})
        EXPECT_NE(sheet.find(part), std::string::npos) << part;
    EXPECT_NE(sheet.find(xlsx ? "<col " : "style:column-width"), std::string::npos);
}

TEST_P(SheetFormat, RefusesTextsThatXmlCannotCarry)
{
    QuestionBase base;
    base.AppendRecord(AddedRecord(u"1", 1, u"Вопрос", {u"a\u0001", u"b"}, u"0"));
    base.AppendRecord(AddedRecord(u"1", 1, std::u16string(u"x") + char16_t(0xD800), {u"a", u"b"}, u"0"));
    base.AppendRecord(AddedRecord(u"1", 1, u"Ещё", {u"a\uFFFF", u"b\u000B"}, u"0"));
    const std::string path = testing::TempDir() + "refused." + GetParam();
    std::filesystem::remove(path);
    const Findings refused = SaveFile(base, path, Format());
    const std::string format(Format().title);
    std::vector<std::string> texts;
    for (const Finding& finding : refused)
        texts.push_back(ToUtf8(finding.Text(u"b.dat")));
    const std::string carry =
        ", which XML and so " + format + " cannot carry; export as JSON (--format json), ";
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "b.dat: question 0: answer 0 holds the control character U+0001" + carry +
                             "which keeps it as a \\u0001 escape",
                         "b.dat: question 1: the question text holds a lone surrogate U+D800" + carry +
                             "which keeps it as a \\uD800 escape",
                         "b.dat: question 2: answer 0 holds the control character U+FFFF" + carry +
                             "which keeps it as a \\uFFFF escape",
                         "b.dat: question 2: answer 1 holds the control character U+000B" + carry +
                             "which keeps it as a \\u000B escape",
                     }));
    EXPECT_FALSE(std::filesystem::exists(path));
}

INSTANTIATE_TEST_SUITE_P(Spreadsheets, SheetFormat, testing::Values("xlsx", "ods"));
