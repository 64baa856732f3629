// The static libraries of the Windows toolkit, found by plain find_path,
// find_library and find_package, link into a program and work in it: each
// does one small job of the kind the programs give it.
#include <CLI/CLI.hpp>
#include <expat.h>
#include <simdjson.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

TEST(WindowsLibraries, SimdjsonReadsAField)
{
    simdjson::ondemand::parser parser;
    const simdjson::padded_string json(std::string_view(R"({"round": 3, "text": "Столица?"})"));
    auto document = parser.iterate(json);
    EXPECT_EQ(int64_t(document["round"]), 3);
    EXPECT_EQ(std::string_view(document["text"]), "Столица?");
}

TEST(WindowsLibraries, ExpatReportsEveryElement)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    int elements = 0;
    XML_SetUserData(parser, &elements);
    XML_SetStartElementHandler(
        parser, [](void* data, const XML_Char*, const XML_Char**) { ++*static_cast<int*>(data); });
    const std::string xml = "<quiz><question/><question/></quiz>";
    EXPECT_EQ(XML_Parse(parser, xml.data(), int(xml.size()), 1), XML_STATUS_OK);
    XML_ParserFree(parser);
    EXPECT_EQ(elements, 3);
}

// Deflated and inflated again: zlib comes in through libzip.
TEST(WindowsLibraries, LibzipStoresAndReadsADeflatedEntry)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* archive = zip_source_buffer_create(nullptr, 0, 0, &error);
    ASSERT_NE(archive, nullptr);
    zip_source_keep(archive);
    zip_t* writer = zip_open_from_source(archive, ZIP_TRUNCATE, &error);
    ASSERT_NE(writer, nullptr);
    const std::string text(1000, 'a');
    zip_source_t* entry = zip_source_buffer(writer, text.data(), text.size(), 0);
    ASSERT_GE(zip_file_add(writer, "content.xml", entry, 0), 0);
    ASSERT_EQ(zip_set_file_compression(writer, 0, ZIP_CM_DEFLATE, 9), 0);
    ASSERT_EQ(zip_close(writer), 0);

    zip_t* reader = zip_open_from_source(archive, ZIP_RDONLY, &error);
    ASSERT_NE(reader, nullptr);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat(reader, "content.xml", 0, &stat), 0);
    EXPECT_EQ(stat.comp_method, ZIP_CM_DEFLATE);
    EXPECT_LT(stat.comp_size, stat.size);
    zip_file_t* file = zip_fopen(reader, "content.xml", 0);
    ASSERT_NE(file, nullptr);
    std::string back(stat.size, '\0');
    EXPECT_EQ(zip_fread(file, back.data(), back.size()), zip_int64_t(text.size()));
    EXPECT_EQ(back, text);
    zip_fclose(file);
    zip_close(reader);
    zip_source_free(archive);
}

TEST(WindowsLibraries, LibxlsxwriterWritesAWorkbook)
{
    const auto path = std::filesystem::temp_directory_path() / "vt-libraries-test.xlsx";
    lxw_workbook* workbook = workbook_new(path.string().c_str());
    ASSERT_NE(workbook, nullptr);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    EXPECT_EQ(worksheet_write_string(sheet, 0, 0, "Вопрос", nullptr), LXW_NO_ERROR);
    ASSERT_EQ(workbook_close(workbook), LXW_NO_ERROR);
    std::ifstream in(path, std::ios::binary);
    std::string magic(2, '\0');
    in.read(magic.data(), 2);
    EXPECT_EQ(magic, "PK");
    in.close();
    std::filesystem::remove(path);
}

TEST(WindowsLibraries, Cli11ParsesAnOption)
{
    CLI::App app;
    std::string format;
    app.add_option("--format", format);
    const char* argv[] = {"vertalina-base", "--format", "json"};
    app.parse(3, argv);
    EXPECT_EQ(format, "json");
}
