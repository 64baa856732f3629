#include "main/QtText.h"
#include "tables/CsvFormat.h"
#include "tables/FileFormats.h"
#include "tables/JsonFormat.h"
#include "tests/support/CliTestBases.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vt;

class QuestionTableTest : public QObject
{
    Q_OBJECT

private slots:
    void ParseCsvRecordsAndLines_data();
    void ParseCsvRecordsAndLines();
    void ParseCsvStopsAtMalformedQuote_data();
    void ParseCsvStopsAtMalformedQuote();
    void CsvFieldReadsBackThroughParser();
    void DelimiterIsFoundFromHeader_data();
    void DelimiterIsFoundFromHeader();
    void CsvInputFindings_data();
    void CsvInputFindings();
    void JsonInputFindings_data();
    void JsonInputFindings();
    void JsonReadingStopsAtTheLimitButChecksTheWholeText();
    void TableFormatComesFromTheName_data();
    void TableFormatComesFromTheName();
    void ExtensionChoosesTheFormat_data();
    void ExtensionChoosesTheFormat();
    void FormatsAreNamedForHelpAndDialogs();
    void ExportCsvWritesUsedAnswersOnly();
    void ExportJsonWritesNumbersAndUsedAnswers();
};

namespace {

// The records of a CSV text fed in pieces of `piece` bytes (all at once for
// 0), as "LINE:field|field/LINE:...", and where parsing failed.
struct Parsed
{
    QString records;
    QString failure;
    int failureLine = 0;
    std::vector<QStringList> fields;
};

Parsed Parse(const QByteArray& input, char delimiter, qsizetype piece = 0)
{
    Parsed parsed;
    QStringList lines;
    CsvParser parser(delimiter, [&](CsvRecord&& record) {
        QStringList fields;
        for (const std::u16string& field : record.fields)
            fields << ToQ(field);
        lines << QString::number(record.line) + u':' + fields.join(u'|');
        parsed.fields.push_back(fields);
        return true;
    });
    bool going = true;
    for (qsizetype at = 0; going && at < input.size(); at += piece ? piece : input.size())
        going = parser.Feed(std::string_view(
            input.constData() + at, std::size_t(std::min(piece ? piece : input.size(), input.size() - at))));
    if (going)
        parser.Finish();
    parsed.records = lines.join(u'/');
    parsed.failure = ToQ(parser.Failure());
    parsed.failureLine = parser.FailureLine();
    return parsed;
}

// What a table reader gives its sink, kept.
struct Rows : RowSink
{
    std::vector<QuestionRow> rows;
    Findings findings;
    void SetAnswerKey(AnswerKey) override {}
    void AddRow(QuestionRow&& row) override { rows.push_back(std::move(row)); }
    void AddInputFinding(Finding finding) override { findings.push_back(std::move(finding)); }
    bool Full() const override { return false; }
    void Discard() override { *this = Rows(); }
};

Rows Read(void (*read)(InputStream&, RowSink&), const QByteArray& input)
{
    MemoryInputStream in(reinterpret_cast<const std::uint8_t*>(input.constData()), std::size_t(input.size()));
    Rows rows;
    read(in, rows);
    return rows;
}

Rows ReadCsv(const QByteArray& input)
{
    return Read(ReadCsvQuestions, input);
}

// Findings as lines of output for a file named "f".
QStringList Texts(const Findings& findings)
{
    QStringList lines;
    for (const Finding& finding : findings)
        lines << ToQ(finding.Text(u"f"));
    return lines;
}

QByteArray Written(const std::function<void(OutputStream&)>& write)
{
    MemoryOutputStream out;
    write(out);
    return QByteArray(reinterpret_cast<const char*>(out.Bytes().data()), qsizetype(out.Bytes().size()));
}

const QByteArray Header = "round,question,answer0,answer1,answer2,answer3,answer4,correct\n";

} // namespace

void QuestionTableTest::ParseCsvRecordsAndLines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<char>("delimiter");
    QTest::addColumn<QString>("expected");

    QTest::newRow("crlf") << QByteArray("a,b\r\nc,d\r\n") << ',' << "1:a|b/2:c|d";
    QTest::newRow("lf, no final break") << QByteArray("a,b\nc,d") << ',' << "1:a|b/2:c|d";
    QTest::newRow("empty fields") << QByteArray(",,\n") << ',' << "1:||";
    QTest::newRow("blank lines skipped") << QByteArray("a\n\n\r\nb\n") << ',' << "1:a/4:b";
    QTest::newRow("blanks kept") << QByteArray(" a , \n") << ',' << "1: a | ";
    QTest::newRow("quoted delimiter and quote") << QByteArray("\"x,\"\"y\"\"\",z\n") << ',' << "1:x,\"y\"|z";
    QTest::newRow("line break inside quotes moves the next line")
        << QByteArray("\"a\r\nb\nc\",d\ne,f\n") << ',' << "1:a\r\nb\nc|d/4:e|f";
    QTest::newRow("semicolon") << QByteArray("a;b,c\n") << ';' << "1:a|b,c";
    QTest::newRow("tab keeps tabs in quotes") << QByteArray("a\t\"\tb\t\"\n") << '\t' << "1:a|\tb\t";
    QTest::newRow("utf8") << QByteArray("Небо,ё\n") << ',' << "1:Небо|ё";
}

void QuestionTableTest::ParseCsvRecordsAndLines()
{
    QFETCH(QByteArray, input);
    QFETCH(char, delimiter);
    QFETCH(QString, expected);
    // However the input is cut into pieces, it parses alike.
    for (qsizetype piece : {0, 1, 2, 5}) {
        const Parsed parsed = Parse(input, delimiter, piece);
        QCOMPARE(parsed.failure, QString());
        QCOMPARE(parsed.records, expected);
    }
}

void QuestionTableTest::ParseCsvStopsAtMalformedQuote_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("failure");
    QTest::newRow("text after closing quote")
        << QByteArray("a\nb\n\"x\"y\nc\n")
        << "malformed CSV: a quote inside an unquoted field, or text after a closing quote";
    QTest::newRow("quote closed never")
        << QByteArray("a\nb\n\"x\ny\n") << "malformed CSV: a quoted field is not closed";
}

void QuestionTableTest::ParseCsvStopsAtMalformedQuote()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, failure);
    for (qsizetype piece : {0, 1, 3}) {
        const Parsed parsed = Parse(input, ',', piece);
        QCOMPARE(parsed.failure, failure);
        QCOMPARE(parsed.failureLine, 3);
        QCOMPARE(parsed.records, QStringLiteral("1:a/2:b"));
    }
}

void QuestionTableTest::CsvFieldReadsBackThroughParser()
{
    std::mt19937 random(7);
    for (char delimiter : {',', ';', '\t'}) {
        QStringList fields;
        for (int i = 0; i < 300; ++i)
            fields << QString::fromStdU16String(RandomText(random, random() % 30));
        fields << QString() << QStringLiteral(" ") << QStringLiteral("a\r\nb") << QStringLiteral("\"");
        QByteArray line;
        for (int i = 0; i < fields.size(); ++i)
            line += (i ? QByteArray(1, delimiter) : QByteArray()) +
                    QByteArray::fromStdString(CsvField(FromQ(fields[i]), delimiter));
        const Parsed parsed = Parse(line + "\r\n", delimiter);
        QCOMPARE(parsed.failure, QString());
        QCOMPARE(parsed.fields.size(), std::size_t(1));
        QCOMPARE(parsed.fields[0], fields);
    }
    QCOMPARE(CsvField(u"Небо", ','), std::string("Небо"));
    QCOMPARE(CsvField(u"a;b", ','), std::string("a;b"));
    QCOMPARE(CsvField(u"a;b", ';'), std::string("\"a;b\""));
    // Spreadsheets would take these edges for blanks and drop them.
    QCOMPARE(CsvField(u"ЅЅ", ','), std::string("\"ЅЅ\""));
    QCOMPARE(CsvField(u"\u00a0y", ','), std::string("\u00a0y"));
    QCOMPARE(CsvField(u"\tx", ','), std::string("\"\tx\""));
}

void QuestionTableTest::DelimiterIsFoundFromHeader_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::newRow("comma") << QByteArray("round,question,answer0,answer1,correct\n1,a;b,x,y,0\n");
    QTest::newRow("semicolon with bom and crlf")
        << QByteArray("\xEF\xBB\xBFround;question;answer0;answer1;correct\r\n1;a,b;x;y;0\r\n");
    QTest::newRow("tab, other order, other case")
        << QByteArray(" Correct \tANSWER1\tanswer0\tquestion\tround\tnote\n0\ty\tx\ta,b;c\t1\tignored\n");
    QTest::newRow("round and index cells trimmed")
        << QByteArray("round,question,answer0,answer1,correct\n\t1 ,a,x,y, 0\n");
}

void QuestionTableTest::DelimiterIsFoundFromHeader()
{
    QFETCH(QByteArray, input);
    const Rows rows = ReadCsv(input);
    QCOMPARE(Texts(rows.findings), QStringList());
    QCOMPARE(rows.rows.size(), std::size_t(1));
    const QuestionRow& row = rows.rows[0];
    QCOMPARE(ToQ(row.place), QStringLiteral("line 2"));
    QCOMPARE(ToQ(row.round), QStringLiteral("1"));
    QVERIFY(ToQ(row.question).startsWith(QStringLiteral("a")));
    QCOMPARE(ToQ(row.answers[0]), QStringLiteral("x"));
    QCOMPARE(ToQ(row.answers[1]), QStringLiteral("y"));
    QCOMPARE(ToQ(row.answers[2]), QString());
    QCOMPARE(ToQ(row.correct), QStringLiteral("0"));
}

void QuestionTableTest::CsvInputFindings_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("findings");
    QTest::addColumn<int>("rows");

    QTest::newRow("empty file")
        << QByteArray()
        << QStringList{"f:1: no header row; the first line names the columns "
                       "round,question,answer0,answer1,answer2,answer3,answer4,correct"}
        << 0;
    QTest::newRow("missing columns")
        << QByteArray("round,question,answer0,correct\n1,q,a,0\n")
        << QStringList{"f:1: the header row lacks answer1 (the columns are round,question,answer0,answer1,"
                       "answer2,answer3,answer4,correct; answer2 to answer4 may be left out)"}
        << 0;
    QTest::newRow("column named twice") << QByteArray("round,question,answer0,answer1,correct,Round\n")
                                        << QStringList{"f:1: the column \"round\" is named twice"} << 0;
    QTest::newRow("windows-1251 text")
        << Header + "1,\xCD\xE5\xE1\xEE,a,b,,,,0\n2,ok,a,b,c,,,0\n"
        << QStringList{"f:2: the text is not UTF-8 (save the table as CSV in UTF-8)"} << 1;
    QTest::newRow("extra fields") << Header + "1,q,a,b,,,,0,,\n1,r,a,b,,,,0,x\n"
                                  << QStringList{"f:3: 9 fields, but the header row names 8 columns"} << 1;
    QTest::newRow("too few fields") << Header + "1,q,a,b,,,0\nx\n"
                                    << QStringList{"f:2: 7 fields, but the header row names 8 columns",
                                                   "f:3: 1 field, but the header row names 8 columns"}
                                    << 0;
    QTest::newRow("rows of blanks skipped") << Header + ",,,,,,,\n , ,,,,,,\n" << QStringList() << 0;
    QTest::newRow("malformed after good rows") << Header + "1,\"q\nq\",a,b,,,,0\n1,\"r\"x,a,b,,,,0\n"
                                               << QStringList{"f:4: malformed CSV: a quote inside an "
                                                              "unquoted field, or text after a closing quote"}
                                               << 1;
}

void QuestionTableTest::CsvInputFindings()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, findings);
    QFETCH(int, rows);
    const Rows read = ReadCsv(input);
    QCOMPARE(Texts(read.findings), findings);
    QCOMPARE(int(read.rows.size()), rows);
}

// Rows as "place|round|question|answer0|...|answer4|correct", with every
// code unit outside printable ASCII as {xxxx}.
QStringList Shown(const std::vector<QuestionRow>& rows)
{
    QStringList lines;
    for (const QuestionRow& row : rows) {
        std::u16string line = row.place + u'|' + row.round + u'|' + row.question;
        for (const std::u16string& answer : row.answers)
            line += u'|' + answer;
        line += u'|' + row.correct;
        QString shown;
        for (char16_t unit : line)
            shown += unit >= 0x20 && unit < 0x7F ? QString(QChar(unit))
                                                 : QStringLiteral("{%1}").arg(int(unit), 4, 16, QChar(u'0'));
        lines << shown;
    }
    return lines;
}

void QuestionTableTest::JsonInputFindings_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("findings");
    QTest::addColumn<QStringList>("rows");
    const auto item = [](const char* fields) {
        return QByteArray("[{\"round\":1,\"answers\":[\"a\",\"b\"],\"correct\":0,") + fields + "}]";
    };

    // The syntax: each fault where the format's readers have always put it.
    const std::pair<const char*, const char*> faults[] = {
        {"[\n {\"round\": 1,,}\n]", "f:2:15: unterminated object"},
        {"", "f:1:1: illegal value"},
        {"[1 2]", "f:1:5: missing value separator"},
        {"[1,]", "f:1:5: object is missing after a comma"},
        {"[{\"a\" 1}]", "f:1:8: missing name separator"},
        {"[{\"a\":}]", "f:1:8: object is missing after a comma"},
        {"[\"\\", "f:1:4: unterminated string"},
        {"[\"\\ud80\"]", "f:1:8: invalid escape sequence"},
        {"[\"\xC3\"]", "f:1:3: invalid UTF8 string"},
        {"[\"\xED\xA0\x80\"]", "f:1:3: invalid UTF8 string"},
        {"[\"\\ё\"]", "f:1:5: invalid UTF8 string"},
        {"[01]", "f:1:4: missing value separator"},
        {"[-]", "f:1:3: illegal number"},
        {"[1e999]", "f:1:7: illegal number"},
        {"[1", "f:1:3: invalid termination by number"},
        {"[nul]", "f:1:3: illegal value"},
        {"[{\"question\":\"q\"}] x", "f:1:20: garbage at the end of the document"},
        {"[\n  [\n", "f:3:1: unterminated array"},
        {"[\"Небо\" \"ё\"]", "f:1:10: missing value separator"},
    };
    for (const auto& [input, finding] : faults)
        QTest::addRow("%s", finding) << QByteArray(input) << QStringList{finding} << QStringList();
    QTest::newRow("nested 1024 deep") << QByteArray(1024, '[') + QByteArray(1024, ']')
                                      << QStringList{"f: item 1: not an object"} << QStringList();
    QTest::newRow("nested 1025 deep") << QByteArray(1025, '[') + QByteArray(1025, ']')
                                      << QStringList{"f:1:1026: too deeply nested document"} << QStringList();
    QTest::newRow("a fault after good items is the only finding")
        << QByteArray("[{\"round\":9,\"question\":\"\"}, 3, [}]")
        << QStringList{"f:1:34: object is missing after a comma"} << QStringList();

    QTest::newRow("not an array") << QByteArray("{\"a\": [1, {}]}")
                                  << QStringList{"f:1: the file holds no JSON array of questions"}
                                  << QStringList();
    QTest::newRow("items") << QByteArray(R"([{"round":1,"question":"q","answers":["a","b"],"correct":0}, 3,
                         {"round":1,"question":"r","answers":"a"},
                         {"round":4,"question":"s","answers":["a","b","c","d","e","f"]},
                         {"answers":["a"],"answers":null}])")
                           << QStringList{"f: item 2: not an object",
                                          "f: item 3: \"answers\" is not an array",
                                          "f: item 4: 6 answers, at most 5 fit",
                                          "f: item 5: \"answers\" is not an array"}
                           << QStringList{"item 1|1|q|a|b||||0"};
    QTest::newRow("unknown keys, sorted, each once")
        << item("\"question\":\"q\",\"zz\":1,\"corect\":[0],\"zz\":{}")
        << QStringList{"f: item 1: unknown key \"corect\" (the keys are round, question, answers and "
                       "correct)",
                       "f: item 1: unknown key \"zz\" (the keys are round, question, answers and correct)"}
        << QStringList();
    QTest::newRow("the last of a key given twice counts")
        << item("\"question\":\"q\",\"question\":\"r\",\"answers\":[\"x\"]") << QStringList()
        << QStringList{"item 1|1|r|x|||||0"};
    QTest::newRow("escapes and lone surrogates")
        << item(R"("question":"\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00\ud800\udc00x\ude00\q")") << QStringList()
        << QStringList{
               "item 1|1|\"\\/{0008}{000c}{000a}{000d}{0009}{00e9}{d83d}{de00}{d800}{dc00}x{de00}q|a|b||||0"};
    QTest::newRow("raw controls and escaped bytes beyond ASCII")
        << item("\"question\":\"a\tb\x01\\\x7f\\\x80\",\"answers\":[\"\n\"]") << QStringList()
        << QStringList{"item 1|1|a{0009}b{0001}{007f}{0080}|{000a}|||||0"};
    QTest::newRow("marks at the start and in strings are kept")
        << QByteArray("\xEF\xBB\xBF[{\"round\":1,\"question\":\"\xEF\xBB\xBFq\",\"answers\":["
                      "\"\xEF\xBB\xBF\",\"b\"],\"correct\":0}]")
        << QStringList() << QStringList{"item 1|1|{feff}q|{feff}|b||||0"};
    QTest::newRow("numbers, words and containers give texts")
        << QByteArray(R"([{"round":" 2 ","question":12,"answers":[true,3.5,null,[1],{"x":2}],"correct":"1"},
                         {"round":1.0,"question":-0.5e-3,"answers":[1e20,123456789.5,-0,.5,1.],"correct":1E+2}])")
        << QStringList()
        << QStringList{"item 1|2|12|true|3.5||[...]|{...}|1",
                       "item 2|1|-0.0005|1e+20|1.23457e+08|0|0.5|1|100"};
}

void QuestionTableTest::JsonInputFindings()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, findings);
    QFETCH(QStringList, rows);
    const Rows read = Read(ReadJsonQuestions, input);
    QCOMPARE(Texts(read.findings), findings);
    QCOMPARE(Shown(read.rows), rows);
}

void QuestionTableTest::JsonReadingStopsAtTheLimitButChecksTheWholeText()
{
    QByteArray items = "[";
    for (int k = 0; k <= MaxBaseQuestions; ++k)
        items += QByteArray(k == 0 ? "" : ",\n") + R"({"round":1,"question":"q)" + QByteArray::number(k) +
                 R"(","answers":["a","b"],"correct":9})";
    const auto built = [](const QByteArray& input) {
        MemoryInputStream in(reinterpret_cast<const std::uint8_t*>(input.constData()),
                             std::size_t(input.size()));
        BaseBuilder builder;
        ReadJsonQuestions(in, builder);
        BuiltBase base = builder.Finish();
        return std::make_pair(Texts(base.findings), base.findingCount);
    };
    // One finding for each of the 100,000 questions read, then the limit.
    const auto [findings, count] = built(items + ",3]");
    QCOMPARE(findings.size(), 100);
    QCOMPARE(findings.last(),
             QStringLiteral("f: more than 99999 questions, a base file holds at most 99999"));
    QCOMPARE(count, std::size_t(100001));
    QCOMPARE(built(items + ",]"),
             std::make_pair(QStringList{"f:100000:66: object is missing after a comma"}, std::size_t(1)));
}

void QuestionTableTest::TableFormatComesFromTheName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("json");
    QTest::newRow(".json whatever it holds") << "a.json" << QByteArray("round,question") << true;
    QTest::newRow(".JSON") << "dir/A.JSON" << QByteArray() << true;
    for (const char* name : {"a.csv", "a.tsv", "a.TXT"})
        QTest::addRow("%s whatever it holds", name) << name << QByteArray("[{}]") << false;
    QTest::newRow("stdin, JSON after a mark and blanks") << "-" << QByteArray("\xEF\xBB\xBF \n[") << true;
    QTest::newRow("stdin, CSV") << "-" << QByteArray("round,question") << false;
    QTest::newRow("other name, JSON") << "dir.json/base" << QByteArray("[") << true;
    QTest::newRow("other name, CSV") << "table.dat" << QByteArray("round") << false;
}

void QuestionTableTest::TableFormatComesFromTheName()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(bool, json);
    const std::string name = path.toStdString();
    const auto bytes = std::as_bytes(std::span(content.constData(), std::size_t(content.size())));
    const FileFormat& format =
        TableFormatOfFile(name, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    QCOMPARE(format.name == "json", json);
}

void QuestionTableTest::ExtensionChoosesTheFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("format");
    QTest::newRow("base") << "a.dat"
                          << "dat";
    QTest::newRow("base, capitals") << "dir/A.DAT"
                                    << "dat";
    for (const char* name : {"a.csv", "a.Tsv"})
        QTest::addRow("%s", name) << name << "csv";
    QTest::newRow("json") << "a.b.json"
                          << "json";
    QTest::newRow("no extension") << "json"
                                  << "";
    QTest::newRow("a dot in a folder only") << "dir.csv/base"
                                            << "";
    QTest::newRow("xlsx") << "a.xlsx"
                          << "xlsx";
    QTest::newRow("ODS") << "a.ODS"
                         << "ods";
    QTest::newRow("unknown") << "a.xls"
                             << "";
    QTest::newRow("the dot alone") << "a."
                                   << "";
}

void QuestionTableTest::ExtensionChoosesTheFormat()
{
    QFETCH(QString, path);
    QFETCH(QString, format);
    const FileFormat* chosen = FormatOfExtension(path.toStdString());
    QCOMPARE(chosen ? QString::fromUtf8(chosen->name) : QString(), format);
}

void QuestionTableTest::FormatsAreNamedForHelpAndDialogs()
{
    QStringList load;
    QStringList save;
    for (const FileFormat& format : FileFormats()) {
        load << QString::fromUtf8(format.loadFilter);
        save << QString::fromUtf8(format.saveFilter);
        QCOMPARE(FormatNamed(QString::fromUtf8(format.name).toUpper().toStdString()), &format);
    }
    const QStringList tables{"Spreadsheet table (*.csv)",
                             "JSON (*.json)",
                             "Excel workbook (*.xlsx)",
                             "OpenDocument spreadsheet (*.ods)",
                             "Moodle XML (*.xml)",
                             "GIFT (*.gift)",
                             "Aiken (*.txt)"};
    QCOMPARE(load, QStringList{"Questions base (*.dat)"} + tables);
    QCOMPARE(save, QStringList{"Questons base (*.dat)"} + tables);
    QCOMPARE(&BaseFileFormat(), FormatNamed("dat"));
    QCOMPARE(FormatNamed("xml"), nullptr);
    QCOMPARE(FormatNames(WritableTable, "csv"),
             std::string("csv (the default), json, xlsx, ods, moodle-xml, gift or aiken"));
    QCOMPARE(FormatNames([](const FileFormat&) { return true; }),
             std::string("dat, csv, json, xlsx, ods, moodle-xml, gift or aiken"));
    QCOMPARE(ToQ(UnwritableSummary(*FormatNamed("csv"), 1)), QStringLiteral("1 text that CSV cannot carry"));
}

void QuestionTableTest::ExportCsvWritesUsedAnswersOnly()
{
    QuestionBase base;
    base.AppendRecord(EditorQuestion(1, u"Небо?", {u"синее", u"зелёное, \"да\""}, 1));
    base.AppendRecord(QuestionRecord{u"7", u"x;y", {u" ", u"b", u"c", u"d", u"e"}, u""});
    QCOMPARE(Written([&](OutputStream& out) { WriteCsvQuestions(base, out); }),
             QByteArray("round,question,answer0,answer1,answer2,answer3,answer4,correct\r\n"
                        "1,Небо?,синее,\"зелёное, \"\"да\"\"\",,,,1\r\n"
                        "7,x;y,\" \",b,c,d,e,\r\n"));
    QCOMPARE(Written([&](OutputStream& out) { WriteCsvQuestions(base, out, ';', true); }),
             QByteArray("\xEF\xBB\xBFround;question;answer0;answer1;answer2;answer3;answer4;correct\r\n"
                        "1;Небо?;синее;\"зелёное, \"\"да\"\"\";;;;1\r\n"
                        "7;\"x;y\";\" \";b;c;d;e;\r\n"));
}

void QuestionTableTest::ExportJsonWritesNumbersAndUsedAnswers()
{
    QuestionBase base;
    base.AppendRecord(EditorQuestion(3, u"Небо?", {u"синее", u"зелёное", u"красное", u"жёлтое"}, 0));
    base.AppendRecord(QuestionRecord{u"x", u"q", {u"a", u"b", u"c", u"d", u"e"}, u""});
    const QJsonArray items =
        QJsonDocument::fromJson(Written([&](OutputStream& out) { WriteJsonQuestions(base, out); })).array();
    QCOMPARE(items.size(), 2);
    const QJsonObject first = items[0].toObject();
    QCOMPARE(first.value("round"), QJsonValue(3));
    QCOMPARE(first.value("question"), QJsonValue("Небо?"));
    QCOMPARE(first.value("answers"), QJsonValue(QJsonArray{"синее", "зелёное", "красное", "жёлтое"}));
    QCOMPARE(first.value("correct"), QJsonValue(0));
    const QJsonObject second = items[1].toObject();
    QCOMPARE(second.value("round"), QJsonValue("x"));
    QCOMPARE(second.value("answers").toArray().size(), 5);
    QCOMPARE(second.value("correct"), QJsonValue(""));
}

QTEST_GUILESS_MAIN(QuestionTableTest)
#include "QuestionTableTest.moc"
