#include "base/FileKind.h"
#include "tests/base/TestStreams.h"

#include <gtest/gtest.h>

using namespace vt;

namespace {

Bytes Of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

const std::string Csv =
    "round,question,answer0,answer1,answer2,answer3,answer4,correct\n1,Sky?,blue,green,,,,0\n";
const std::string Prefix = "not a question base: ";
const std::string BuildFrom = "build a base from it with 'vertalina-base build ";
const std::string SaveAsCsv = "; save it as CSV (UTF-8) and build a base with 'vertalina-base build ";

TEST(NotABaseMessage, NamesWhatTheFileSeemsToBeAndTheCommandThatFits)
{
    const struct
    {
        std::string name;
        Bytes head;
        std::string message;
    } cases[] = {
        {"questions.csv", Of(Csv),
         Prefix + "it looks like a CSV table; " + BuildFrom + "questions.csv -o questions.dat'"},
        {"excel.csv", Of("\xEF\xBB\xBFround;question;answer0\n"),
         Prefix + "it looks like a CSV table; " + BuildFrom + "excel.csv -o excel.dat'"},
        {"questions.dat", Of(Csv),
         Prefix + "it looks like a CSV table; " + BuildFrom + "questions.dat -o questions-base.dat'"},
        {"table.json", Of(Csv),
         Prefix + "it looks like a CSV table; " + BuildFrom + "--format csv table.json -o table.dat'"},
        {"my questions.csv", Of(Csv),
         Prefix + "it looks like a CSV table; " + BuildFrom +
             "\"my questions.csv\" -o \"my questions.dat\"'"},
        {"C:\\Bases.2026\\q", Of(Csv),
         Prefix + "it looks like a CSV table; " + BuildFrom + "C:\\Bases.2026\\q -o C:\\Bases.2026\\q.dat'"},
        {"-", Of(Csv), Prefix + "it looks like a CSV table; " + BuildFrom + "- -o BASE.dat'"},
        {"sheet.tsv", Of("round\tquestion\tanswer0\n"),
         Prefix + "it looks like a tab-separated table; " + BuildFrom + "sheet.tsv -o sheet.dat'"},
        {"bom.json", Of("\xEF\xBB\xBF[{\"round\": 1"),
         Prefix + "it looks like JSON; " + BuildFrom + "bom.json -o bom.dat'"},
        {"base.json", Of("  [\n  {\"round\": 1"),
         Prefix + "it looks like JSON; " + BuildFrom + "base.json -o base.dat'"},
        {"export.dat", Of("{\"round\": 1}"),
         Prefix + "it looks like JSON; " + BuildFrom + "--format json export.dat -o export-base.dat'"},
        {"book.xlsx", Of(std::string("PK\x03\x04\x14\x00\x06\x00", 8) + "[Content_Types].xml"),
         Prefix + "it looks like a spreadsheet file; " + BuildFrom + "book.xlsx -o book.dat'"},
        {"old.xls", Of("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"),
         Prefix + "it looks like a spreadsheet file; " + BuildFrom + "old.xls -o old.dat'"},
        {"unicode.txt", Of(std::string("\xFF\xFEr\0o\0u\0n\0d\0\t\0", 14)),
         Prefix + "it looks like UTF-16 text" + SaveAsCsv + "unicode.csv -o unicode.dat'"},
        {"notes.txt", Of("Questions for Friday\nmore later\n"),
         Prefix + "it looks like plain text, not a table of questions; a base is built from a CSV or JSON "
                  "table with 'vertalina-base build TABLE.csv -o notes.dat'"},
        {"empty.dat",
         {},
         Prefix + "the file is empty (a base without questions still has its 10-byte header)"},
        {"broken.dat", Of(std::string("A\0B\0|\0|\0|\0\x01\x02", 12)),
         Prefix + "its first 10 bytes (41 00 42 00 7C 00 7C 00 7C 00) are not a question count; "
                  "'man vertalina-base' shows how a base begins"},
        {"cut.dat", Of(std::string("7\0", 2)),
         Prefix + "its first 2 bytes (37 00) are not a question count; 'man vertalina-base' shows how a base "
                  "begins"},
        // A header that reads as a count is a base, however short the rest.
        {"three.dat", Of(std::string("3\0|\0|\0|\0|\0", 10)), ""},
        {"short.dat", Of(std::string("7\0|\0", 4)), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NotABaseMessage(c.name, c.head), c.message) << c.name;
}

TEST(NotATableMessage, NamesOnlyWhatNoTableReaderTakes)
{
    const struct
    {
        std::string name;
        Bytes head;
        std::string message;
    } cases[] = {
        {"quiz.dat", Of(std::string("3\0|\0|\0|\0|\0", 10)),
         "not a table: it is a question base already; check it with 'vertalina-base check quiz.dat' or "
         "make a table of it with 'vertalina-base export quiz.dat -o quiz.csv'"},
        // The spreadsheet readers name what they refuse themselves.
        {"book.ods", Of("PK\x03\x04mimetypeapplication/vnd.oasis.opendocument.spreadsheet"), ""},
        {"-", Of(std::string("0\0|\0|\0|\0|\0", 10)),
         "not a table: it is a question base already; check it with 'vertalina-base check -' or make a table "
         "of it with 'vertalina-base export - -o BASE.csv'"},
        {"questions.csv", Of(Csv), ""},
        {"base.json", Of("[]"), ""},
        {"empty.csv", {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NotATableMessage(c.name, c.head), c.message) << c.name;
}

TEST(HeadInputStream, DeliversEveryByteOfTheStreamBelow)
{
    const struct
    {
        std::size_t size;
        std::size_t chunk;
        bool borrow;
    } cases[] = {
        {0, 10, false},    {9, 10, false},      {4096, 914, false},   {4097, 914, true},
        {10000, 10, true}, {10000, 4096, true}, {20000, 7000, false},
    };
    for (const auto& c : cases) {
        Bytes source(c.size);
        for (std::size_t i = 0; i < c.size; ++i)
            source[i] = std::uint8_t(i * 7 + i / 256);
        MemoryInputStream below(source);
        HeadInputStream in(below);
        EXPECT_EQ(in.Head(),
                  Bytes(source.begin(),
                        source.begin() + std::ptrdiff_t(std::min<std::size_t>(c.size, FileKindHeadBytes))));
        Bytes got;
        std::vector<std::uint8_t> buffer(c.chunk);
        for (;;) {
            if (const std::uint8_t* lent = c.borrow ? in.Borrow(c.chunk) : nullptr) {
                got.insert(got.end(), lent, lent + c.chunk);
                continue;
            }
            const std::size_t n = in.Read(buffer.data(), c.chunk);
            got.insert(got.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(n));
            if (n < c.chunk)
                break;
        }
        EXPECT_EQ(got, source) << c.size << " bytes in chunks of " << c.chunk;
    }
}

} // namespace
