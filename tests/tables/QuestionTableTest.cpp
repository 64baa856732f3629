#include "QuestionTable.h"
#include "CliTestBases.h"
#include "CsvFormat.h"
#include "FileFormats.h"
#include "JsonFormat.h"
#include "QtText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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
};

Rows ReadCsv(const QByteArray& input)
{
    MemoryInputStream in(reinterpret_cast<const std::uint8_t*>(input.constData()), std::size_t(input.size()));
    Rows rows;
    ReadCsvQuestions(in, rows);
    return rows;
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

void QuestionTableTest::JsonInputFindings_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("findings");
    QTest::addColumn<int>("rows");

    QTest::newRow("syntax") << QByteArray("[\n {\"round\": 1,,}\n]")
                            << QStringList{"f:2:15: unterminated object"} << 0;
    QTest::newRow("not an array") << QByteArray("{}")
                                  << QStringList{"f:1: the file holds no JSON array of questions"} << 0;
    QTest::newRow("items") << QByteArray(R"([{"round":1,"question":"q","answers":["a","b"],"correct":0}, 3,
                         {"round":1,"question":"r","answers":"a"},
                         {"round":4,"question":"s","answers":["a","b","c","d","e","f"]}])")
                           << QStringList{"f: item 2: not an object",
                                          "f: item 3: \"answers\" is not an array",
                                          "f: item 4: 6 answers, at most 5 fit"}
                           << 1;
    QTest::newRow("unknown key") << QByteArray(
                                        R"([{"round":1,"question":"q","answers":["a","b"],"corect":0}])")
                                 << QStringList{"f: item 1: unknown key \"corect\" (the keys are round, "
                                                "question, answers and correct)"}
                                 << 0;
    QTest::newRow("a mark at a string's start is kept")
        << QByteArray("\xEF\xBB\xBF[{\"round\":1,\"question\":\"\xEF\xBB\xBFq\",\"answers\":["
                      "\"\xEF\xBB\xBF\",\"b\"],"
                      "\"correct\":0}]")
        << QStringList() << 1;
    QTest::newRow("numbers and strings give texts")
        << QByteArray(R"([{"round":" 2 ","question":12,"answers":["a",true,3.5],"correct":"1"}])")
        << QStringList() << 1;
}

void QuestionTableTest::JsonInputFindings()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, findings);
    QFETCH(int, rows);
    const QuestionRows read = ReadJsonQuestions(input);
    QCOMPARE(Texts(read.findings), findings);
    QCOMPARE(int(read.rows.size()), rows);
    if (QByteArray(QTest::currentDataTag()) == "a mark at a string's start is kept") {
        QCOMPARE(ToQ(read.rows[0].question), QString(QChar(0xFEFF)) + u'q');
        QCOMPARE(ToQ(read.rows[0].answers[0]), QString(QChar(0xFEFF)));
    }
    if (QByteArray(QTest::currentDataTag()) == "numbers and strings give texts") {
        const QuestionRow& row = read.rows[0];
        QCOMPARE(ToQ(row.round), QStringLiteral("2"));
        QCOMPARE(ToQ(row.question), QStringLiteral("12"));
        QCOMPARE(ToQ(row.answers[1]), QStringLiteral("true"));
        QCOMPARE(ToQ(row.answers[2]), QStringLiteral("3.5"));
    }
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
