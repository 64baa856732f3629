#include "cli/Commands.h"
#include "tests/support/CliRunner.h"
#include "tests/support/CliTestBases.h"
#include "tests/support/SystemTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace vt;

namespace {

QString Text(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void ExportThenBuildReproducesEditorBases_data();
    void ExportThenBuildReproducesEditorBases();
    void TextsKeepEveryCodeUnit_data();
    void TextsKeepEveryCodeUnit();
    void CsvExportRefusesLoneSurrogates();
    void ExportWritesTheDelimiterAsked_data();
    void ExportWritesTheDelimiterAsked();
    void BuildAcceptsSemicolonCsvWithBom();
    void BuildReportsFindingsAndWritesNothing();
    void BuildKeepsExistingFileWhenRefusing();
    void BuildReportsUnwritableTarget();
    void CheckSoundBase();
    void CheckFindings_data();
    void CheckFindings();
    void CheckUnreadableFile_data();
    void CheckUnreadableFile();
    void CheckSeveralFilesGivesTheWorstStatus();
    void CheckJsonGivesFindingsAndRounds();
    void ExportRefusesShortFile();
    void MissingFilesAreNamed();
    void HelpVersionAndUsage_data();
    void HelpVersionAndUsage();
    void CommandLineRules_data();
    void CommandLineRules();
    void PercentSignsInNamesStayAsTheyAre();

private:
    int Run(const QStringList& arguments);
    QString Path(const QString& name) const { return m_dir->filePath(name); }
    void Save(const QString& name, const QByteArray& bytes);
    QByteArray Load(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_out;
    QByteArray m_err;
};

Q_DECLARE_METATYPE(std::vector<QuestionRecord>)

void CommandsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

int CommandsTest::Run(const QStringList& arguments)
{
    const CliRun run = RunProgram(arguments);
    m_out = run.out;
    m_err = run.err;
    return run.status;
}

void CommandsTest::Save(const QString& name, const QByteArray& bytes)
{
    QFile file(Path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray CommandsTest::Load(const QString& name) const
{
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void CommandsTest::ExportThenBuildReproducesEditorBases_data()
{
    QTest::addColumn<QStringList>("exportOptions");
    QTest::addColumn<int>("count");
    QTest::newRow("csv") << QStringList() << 300;
    QTest::newRow("csv semicolon bom") << QStringList{"--delimiter", "semicolon", "--bom"} << 300;
    QTest::newRow("csv tab") << QStringList{"--delimiter", "tab"} << 300;
    QTest::newRow("json") << QStringList{"--format", "json"} << 300;
    QTest::newRow("empty base") << QStringList() << 0;
    QTest::newRow("empty base json") << QStringList{"--format", "json"} << 0;
}

void CommandsTest::ExportThenBuildReproducesEditorBases()
{
    QFETCH(QStringList, exportOptions);
    QFETCH(int, count);
    const QByteArray original = FileBytes(RandomEditorBase(unsigned(count) + 11, count));
    Save("editor.dat", original);

    QCOMPARE(Run(QStringList{"export", Path("editor.dat"), "-o", Path("table")} + exportOptions), 0);
    QCOMPARE(m_err, QByteArray());
    QCOMPARE(Run({"build", Path("table"), "-o", Path("rebuilt.dat")}), 0);
    QCOMPARE(m_err, QByteArray());
    QCOMPARE(m_out,
             QStringLiteral("%1 questions written to %2\n").arg(count).arg(Path("rebuilt.dat")).toUtf8());
    QVERIFY(Load("rebuilt.dat") == original);

    // Standard output carries the same export.
    QCOMPARE(Run(QStringList{"export", Path("editor.dat")} + exportOptions), 0);
    QVERIFY(m_out == Load("table"));
}

void CommandsTest::TextsKeepEveryCodeUnit_data()
{
    QTest::addColumn<QStringList>("exportOptions");
    QTest::newRow("csv") << QStringList();
    QTest::newRow("csv semicolon bom") << QStringList{"--delimiter", "semicolon", "--bom"};
    QTest::newRow("json") << QStringList{"--format", "json"};
}

void CommandsTest::TextsKeepEveryCodeUnit()
{
    // Marks that a conversion could take for byte-order marks, at the start
    // of texts and inside them, and a character outside the BMP.
    QuestionBase base;
    base.AppendRecord(EditorQuestion(1, u"\uFEFFНебо?", {u"\uFEFF", u"a\uFEFF"}, 1));
    base.AppendRecord(EditorQuestion(2, u"\uFFFEНебо?", {u"\uFFFEx", u"\uFEFF\uFEFF", u"\U0001F600"}, 2));
    base.AppendRecord(EditorQuestion(1, u"Небо?\uFFFE", {u" \uFEFF", u"b"}, 0));
    const QByteArray original = FileBytes(base);
    Save("marks.dat", original);
    QFETCH(QStringList, exportOptions);
    QCOMPARE(Run(QStringList{"export", Path("marks.dat"), "-o", Path("marks.table")} + exportOptions), 0);
    QCOMPARE(Run({"build", Path("marks.table"), "-o", Path("rebuilt.dat")}), 0);
    QCOMPARE(m_err, QByteArray());
    QVERIFY(Load("rebuilt.dat") == original);
}

void CommandsTest::CsvExportRefusesLoneSurrogates()
{
    QuestionBase base;
    base.AppendRecord(EditorQuestion(1, u"sound", {u"a", u"b"}, 0));
    std::u16string question = u"q";
    question += char16_t(0xD800);
    std::u16string answer(1, char16_t(0xDC01));
    answer += u"c";
    base.AppendRecord(EditorQuestion(2, question, {u"a", u"b", answer}, 0));
    const QByteArray original = FileBytes(base);
    Save("lone.dat", original);

    QCOMPARE(Run({"export", Path("lone.dat"), "-o", Path("lone.csv")}), 1);
    const QString at = Path("lone.dat") + ": question 1: ";
    QCOMPARE(QString::fromUtf8(m_err),
             at +
                 "the question text holds a lone surrogate (U+D800), which UTF-8 and so CSV cannot carry; "
                 "export as JSON (--format json), which keeps it as a \\uD800 escape\n" +
                 at +
                 "answer 2 holds a lone surrogate (U+DC01), which UTF-8 and so CSV cannot carry; export "
                 "as JSON (--format json), which keeps it as a \\uDC01 escape\n" +
                 "vertalina-base: " + Path("lone.dat") +
                 ": 2 texts that CSV cannot carry; nothing written\n");
    QCOMPARE(m_out, QByteArray());
    QVERIFY(!QFileInfo::exists(Path("lone.csv")));

    QCOMPARE(Run({"export", "--format", "json", Path("lone.dat"), "-o", Path("lone.json")}), 0);
    QVERIFY(Load("lone.json").contains(R"("q\ud800")"));
    QCOMPARE(Run({"build", Path("lone.json"), "-o", Path("rebuilt.dat")}), 0);
    QVERIFY(Load("rebuilt.dat") == original);
}

void CommandsTest::ExportWritesTheDelimiterAsked_data()
{
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("written");
    QTest::newRow("comma") << "comma"
                           << ",";
    QTest::newRow("semicolon") << "semicolon"
                               << ";";
    QTest::newRow("tab") << "tab"
                         << "\t";
    QTest::newRow("TAB") << "TAB"
                         << "\t";
    QTest::newRow("a tab character") << "\t"
                                     << "\t";
    QTest::newRow(";") << ";"
                       << ";";
}

void CommandsTest::ExportWritesTheDelimiterAsked()
{
    QFETCH(QString, delimiter);
    QFETCH(QString, written);
    QuestionBase base;
    base.AppendRecord(EditorQuestion(1, u"q", {u"a", u"b"}, 0));
    Save("one.dat", FileBytes(base));
    QCOMPARE(Run({"export", "--delimiter", delimiter, Path("one.dat")}), 0);
    const QString header =
        QStringList{"round", "question", "answer0", "answer1", "answer2", "answer3", "answer4", "correct"}
            .join(written);
    const QString row = QStringList{"1", "q", "a", "b", "", "", "", "0"}.join(written);
    QCOMPARE(QString::fromUtf8(m_out), header + "\r\n" + row + "\r\n");
}

void CommandsTest::BuildAcceptsSemicolonCsvWithBom()
{
    Save("ru.csv", "\xEF\xBB\xBFround;question;answer0;answer1;answer2;answer3;answer4;correct\r\n"
                   "3;Небо?;синее;зелёное;красное;\"жёлтое; светлое\";;0\r\n");
    QCOMPARE(Run({"build", Path("ru.csv"), "-o", Path("ru.dat")}), 0);
    QuestionBase expected;
    expected.AppendRecord(
        EditorQuestion(3, u"Небо?", {u"синее", u"зелёное", u"красное", u"жёлтое; светлое"}, 0));
    QVERIFY(Load("ru.dat") == FileBytes(expected));
    QCOMPARE(Load("ru.dat").size(), 924);
}

void CommandsTest::BuildReportsFindingsAndWritesNothing()
{
    Save("bad.csv", "round,question,answer0,answer1,answer2,answer3,answer4,correct\n"
                    "1,Небо?,a,b,,,,0\n"
                    "6,x,a,b,,,,0\n"
                    "2,\"two\nlines\",a,b,,,,0\n"
                    "1,Небо?,a,b,,,,1\n");
    QCOMPARE(Run({"build", Path("bad.csv"), "-o", Path("bad.dat")}), 1);
    const QString at = Path("bad.csv");
    QCOMPARE(QString::fromUtf8(m_err), at + ":3: round \"6\" is not 1 to 5\n" + at +
                                           ":4: answer 2 is empty; round 2 needs answers 0 to 2\n" + at +
                                           ":6: the question text repeats line 2\n" +
                                           "vertalina-base: " + at + ": 3 findings; nothing written\n");
    QCOMPARE(m_out, QByteArray());
    QVERIFY(!QFileInfo::exists(Path("bad.dat")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"bad.csv"});

    Save("bad.json", R"([{"round":1,"question":"q","answers":["a"],"correct":0}])");
    QCOMPARE(Run({"build", Path("bad.json"), "-o", Path("bad.dat")}), 1);
    QCOMPARE(QString::fromUtf8(m_err), Path("bad.json") +
                                           ": item 1: answer 1 is empty; round 1 needs answers "
                                           "0 to 1\nvertalina-base: " +
                                           Path("bad.json") + ": 1 finding; nothing written\n");
    QVERIFY(!QFileInfo::exists(Path("bad.dat")));
}

void CommandsTest::BuildKeepsExistingFileWhenRefusing()
{
    Save("old.dat", "old contents");
    Save("bad.csv", "round,question,answer0,answer1,correct\n1,q|,a,b,0\n");
    QCOMPARE(Run({"build", Path("bad.csv"), "-o", Path("old.dat")}), 1);
    QCOMPARE(Load("old.dat"), QByteArray("old contents"));

    Save("good.csv", "round,question,answer0,answer1,correct\n1,q,a,b,0\n");
    QCOMPARE(Run({"build", Path("good.csv"), "-o", Path("old.dat")}), 0);
    QCOMPARE(Load("old.dat").size(), 10 + 914);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{"bad.csv", "good.csv", "old.dat"}));
}

void CommandsTest::BuildReportsUnwritableTarget()
{
    Save("good.csv", "round,question,answer0,answer1,correct\n1,q,a,b,0\n");
    const QString target = Path("no such folder/base.dat");
    QCOMPARE(Run({"build", Path("good.csv"), "-o", target}), 2);
    QCOMPARE(m_err, QStringLiteral("vertalina-base: %1: cannot create: %2\n")
                        .arg(target, Text(SystemText::MissingFolder()))
                        .toUtf8());
}

void CommandsTest::CheckSoundBase()
{
    QuestionBase base = RandomEditorBase(5, 40);
    Save("sound.dat", FileBytes(base));
    QCOMPARE(Run({"check", Path("sound.dat")}), 0);
    int perRound[5] = {};
    for (int k = 0; k < base.QuestionCount(); ++k)
        ++perRound[base.Entry(8 * k)[0] - u'1'];
    QString expected;
    for (int r = 0; r < 5; ++r)
        expected +=
            QStringLiteral("%1: round %2: %3 questions\n").arg(Path("sound.dat")).arg(r + 1).arg(perRound[r]);
    expected += Path("sound.dat") + ": 40 questions, sound\n";
    QCOMPARE(QString::fromUtf8(m_out), expected);
    QCOMPARE(m_err, QByteArray());
}

void CommandsTest::CheckFindings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("findings");
    QTest::addColumn<QString>("summary");

    const QuestionRecord good = EditorQuestion(2, u"a", {u"x", u"y", u"z"}, 2);
    auto with = [&](std::u16string question) {
        QuestionRecord record = good;
        record.question = std::move(question);
        return record;
    };
    QuestionRecord badRound = with(u"b");
    badRound.round = u"7";
    QuestionRecord badIndex = with(u"c");
    badIndex.correct = u"3";
    QuestionRecord emptyAnswer = with(u"d");
    emptyAnswer.answers[2] = u"";
    const QString rounds0 = "round 1: 0 questions\nround 2: %1\nround 3: 0 questions\n"
                            "round 4: 0 questions\nround 5: 0 questions\n";
    auto questions = [](int n) { return QString::number(n) + (n == 1 ? " question" : " questions"); };

    QTest::newRow("shorter than the header")
        << RawFile(3, {good, with(u"b")}) + QByteArray(100, 'x')
        << "question 2: stream read error: the header promises 3 questions, the file holds 2 complete "
           "records and 100 bytes of another\n"
        << rounds0.arg(questions(2)) + "2 questions, 1 finding";
    QTest::newRow("bytes after the last record")
        << RawFile(1, {good}) + QByteArray(5, 'x')
        << "question 0: 5 bytes after the last record, which the editor ignores\n"
        << rounds0.arg(questions(1)) + "1 question, 1 finding";
    QTest::newRow("one byte after the last record, one record of another")
        << RawFile(2, {good}) + QByteArray(1, 'x')
        << "question 1: stream read error: the header promises 2 questions, the file holds 1 complete "
           "record and 1 byte of another\n"
        << rounds0.arg(questions(1)) + "1 question, 1 finding";
    QTest::newRow("records beyond an empty header")
        << RawFile(0, {good})
        << "header: 914 bytes after the header of an empty base, which the editor ignores\n"
        << rounds0.arg(questions(0)) + "0 questions, 1 finding";
    QTest::newRow("negative count")
        << RawFile(0, {}).replace(0, 2, QByteArray("-\0", 2)).replace(2, 2, QByteArray("2\0", 2))
        << "header: the count -2 is negative; the editor reads no question\n"
        << rounds0.arg(questions(0)) + "0 questions, 1 finding";
    QTest::newRow("round, index, answer, repeat")
        << RawFile(5, {good, badRound, badIndex, emptyAnswer, with(u"b")})
        << "question 1: round \"7\" is not 1 to 5\n"
           "question 2: correct answer \"3\" is not 0 to 2, the answers of round 2\n"
           "question 3: answer 2 is empty; round 2 needs answers 0 to 2\n"
           "question 4: the question text repeats question 1\n"
        << "round 1: 0 questions\nround 2: 4 questions\nround 3: 0 questions\nround 4: 0 questions\n"
           "round 5: 0 questions\nother rounds: 1 question\n5 questions, 4 findings";
}

void CommandsTest::CheckFindings()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, findings);
    QFETCH(QString, summary);
    Save("base.dat", file);
    QCOMPARE(Run({"check", Path("base.dat")}), 1);
    QString expected;
    for (const QString& line : (findings + summary).split(u'\n'))
        expected += Path("base.dat") + ": " + line + "\n";
    QCOMPARE(QString::fromUtf8(m_out), expected);
    QCOMPARE(m_err, QByteArray());
}

void CommandsTest::CheckUnreadableFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("header not a number")
        << QByteArray("a\0b\0|\0|\0|\0", 10)
        << QByteArray("its first 10 bytes (61 00 62 00 7C 00 7C 00 7C 00) are not a question count; "
                      "'man vertalina-base' shows how a base begins");
    QTest::newRow("empty file") << QByteArray()
                                << QByteArray("the file is empty (a base without questions still has its "
                                              "10-byte header)");
    QTest::newRow("two bytes") << QByteArray("7\0", 2)
                               << QByteArray("its first 2 bytes (37 00) are not a question count; "
                                             "'man vertalina-base' shows how a base begins");
    // %1 is the file's path without its extension.
    QTest::newRow("csv table") << QByteArray("round,question\n1,Sky?\n")
                               << QByteArray("it looks like a CSV table; build a base from it with "
                                             "'vertalina-base build %1.dat -o %1-base.dat'");
}

void CommandsTest::CheckUnreadableFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, message);
    Save("base.dat", file);
    const QByteArray stem = m_dir->filePath(QStringLiteral("base")).toUtf8();
    const QByteArray expected = "vertalina-base: " + Path("base.dat").toUtf8() +
                                ": not a question base: " + message.replace("%1", stem) + "\n";
    QCOMPARE(Run({"check", Path("base.dat")}), 2);
    QCOMPARE(m_out, QByteArray());
    QCOMPARE(m_err, expected);
    QCOMPARE(Run({"export", Path("base.dat")}), 2);
    QCOMPARE(m_err, expected);
    // Given to build as a table, a base is named as one.
    Save("sound.dat", FileBytes(RandomEditorBase(3, 2)));
    QCOMPARE(Run({"build", Path("sound.dat"), "-o", Path("out.dat")}), 2);
    QVERIFY2(m_err.contains(": not a table: it is a question base already"), m_err.constData());
    QVERIFY(!QFileInfo::exists(Path("out.dat")));
}

void CommandsTest::CheckSeveralFilesGivesTheWorstStatus()
{
    Save("sound.dat", FileBytes(RandomEditorBase(3, 2)));
    Save("extra.dat", FileBytes(RandomEditorBase(3, 2)) + "x");
    QCOMPARE(Run({"check", Path("sound.dat"), Path("sound.dat")}), 0);
    QCOMPARE(Run({"check", Path("sound.dat"), Path("extra.dat"), Path("sound.dat")}), 1);
    QVERIFY(m_out.endsWith(Path("sound.dat").toUtf8() + ": 2 questions, sound\n"));
    QVERIFY(m_out.contains(Path("extra.dat").toUtf8() + ": 2 questions, 1 finding\n"));
    QCOMPARE(Run({"check", Path("missing.dat"), Path("extra.dat")}), 2);
    QVERIFY(m_out.contains(Path("extra.dat").toUtf8() + ": 2 questions, 1 finding\n"));
    QCOMPARE(m_err, "vertalina-base: " + Path("missing.dat").toUtf8() +
                        ": cannot open: " + Text(SystemText::MissingFile()).toUtf8() + "\n");
}

void CommandsTest::CheckJsonGivesFindingsAndRounds()
{
    const QuestionRecord good = EditorQuestion(2, u"a", {u"x", u"y", u"z"}, 2);
    QuestionRecord repeat = good;
    repeat.round = u"4";
    Save("base.dat", RawFile(2, {good, repeat}));
    QCOMPARE(Run({"check", "--format", "json", Path("base.dat"), Path("missing.dat")}), 2);
    const QJsonDocument document = QJsonDocument::fromJson(m_out);
    const QJsonArray expected{
        QJsonObject{
            {"file", Path("base.dat")},
            {"questions", 2},
            {"headerCount", 2},
            {"rounds", QJsonObject{{"1", 0}, {"2", 1}, {"3", 0}, {"4", 1}, {"5", 0}, {"other", 0}}},
            {"findings", QJsonArray{QJsonObject{{"place", "question 1"},
                                                {"question", 1},
                                                {"message", "the question text repeats question 0"}}}}},
        QJsonObject{{"file", Path("missing.dat")},
                    {"error", "cannot open: " + Text(SystemText::MissingFile())}}};
    QCOMPARE(document.array(), expected);
}

void CommandsTest::ExportRefusesShortFile()
{
    Save("short.dat", RawFile(2, {EditorQuestion(1, u"q", {u"a", u"b"}, 0)}));
    QCOMPARE(Run({"export", Path("short.dat"), "-o", Path("out.csv")}), 2);
    QCOMPARE(m_err,
             "vertalina-base: " + Path("short.dat").toUtf8() + ": cannot read the base: stream read error\n");
    QVERIFY(!QFileInfo::exists(Path("out.csv")));
}

void CommandsTest::MissingFilesAreNamed()
{
    const QString missing = Path("missing.dat");
    const QByteArray message = QStringLiteral("vertalina-base: %1: cannot open: %2\n")
                                   .arg(missing, Text(SystemText::MissingFile()))
                                   .toUtf8();
    for (const QStringList& arguments : {QStringList{"check", missing}, QStringList{"export", missing},
                                         QStringList{"build", missing, "-o", Path("x.dat")}}) {
        QCOMPARE(Run(arguments), 2);
        QCOMPARE(m_err, message);
    }
    QCOMPARE(Run({"check", m_dir->path()}), 2);
    QCOMPARE(m_err, QStringLiteral("vertalina-base: %1: cannot open: %2\n")
                        .arg(m_dir->path(), Text(SystemText::Folder()))
                        .toUtf8());
}

void CommandsTest::HelpVersionAndUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("outStart");
    QTest::addColumn<QByteArray>("errStart");

    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: vertalina-base COMMAND")
                          << QByteArray();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("vertalina-base 0.")
                             << QByteArray();
    for (const char* command : {"check", "export", "build"})
        QTest::addRow("%s help", command) << QStringList{command, "-h"} << 0
                                          << "Usage: vertalina-base " + QByteArray(command) << QByteArray();
    QTest::newRow("no command") << QStringList() << 2 << QByteArray()
                                << QByteArray("vertalina-base: no command given");
    QTest::newRow("unknown command") << QStringList{"merge"} << 2 << QByteArray()
                                     << QByteArray("vertalina-base: unknown command 'merge'");
    QTest::newRow("no file") << QStringList{"check"} << 2 << QByteArray()
                             << QByteArray("vertalina-base: check: no file given\n"
                                           "Try 'vertalina-base check --help' for more information.\n");
    QTest::newRow("two files") << QStringList{"export", "a", "b"} << 2 << QByteArray()
                               << QByteArray("vertalina-base: export: one file at a time");
    QTest::newRow("unknown option") << QStringList{"export", "--frmat", "json", "a"} << 2 << QByteArray()
                                    << QByteArray("vertalina-base: unknown option 'frmat'\n");
    QTest::newRow("build without output") << QStringList{"build", "a.csv"} << 2 << QByteArray()
                                          << QByteArray("vertalina-base: build: no output file given");
    QTest::newRow("unknown format") << QStringList{"export", "--format", "xml", "a"} << 2 << QByteArray()
                                    << QByteArray("vertalina-base: export: unknown format 'xml'");
}

void CommandsTest::HelpVersionAndUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, outStart);
    QFETCH(QByteArray, errStart);
    QCOMPARE(Run(arguments), status);
    QVERIFY2(m_out.startsWith(outStart), m_out.constData());
    QVERIFY2(m_err.startsWith(errStart), m_err.constData());
    QCOMPARE(m_out.isEmpty(), outStart.isEmpty());
    QCOMPARE(m_err.isEmpty(), errStart.isEmpty());
    for (const QByteArray& line : (m_out + m_err).split('\n'))
        QVERIFY2(QString::fromUtf8(line).size() <= 80, line.constData());
}

void CommandsTest::CommandLineRules_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("outStart");
    QTest::addColumn<QByteArray>("err");

    const QByteArray tryProgram = "Try 'vertalina-base --help' for more information.\n";
    const QByteArray tryCheck = "Try 'vertalina-base check --help' for more information.\n";
    QTest::newRow("compacted flags") << QStringList{"-hv"} << 0 << QByteArray("Usage: vertalina-base COMMAND")
                                     << QByteArray();
    QTest::newRow("unknown short options, one by one")
        << QStringList{"-xy"} << 2 << QByteArray() << "vertalina-base: unknown options: x, y\n" + tryProgram;
    QTest::newRow("\"-\" ends no options") << QStringList{"-", "-x"} << 2 << QByteArray()
                                          << "vertalina-base: unknown option 'x'\n" + tryProgram;
    QTest::newRow("options after the command are its own")
        << QStringList{"check", "-x", "--version"} << 2 << QByteArray()
        << "vertalina-base: unknown options: x, version\n" + tryCheck;
    QTest::newRow("missing value") << QStringList{"check", "--format"} << 2 << QByteArray()
                                   << "vertalina-base: missing value after '--format'\n" + tryCheck;
    QTest::newRow("value of a flag") << QStringList{"check", "-h=1"} << 2 << QByteArray()
                                     << "vertalina-base: unexpected value after '-h'\n" + tryCheck;
    QTest::newRow("a value is the next word") << QStringList{"check", "--format", "--help", "a"} << 2
                                              << QByteArray()
                                              << "vertalina-base: check: unknown format '--help' (text or json)\n" +
                                                     tryCheck;
    QTest::newRow("value after =, lowered in the message")
        << QStringList{"check", "--format=X\u00c9\x1b", "a"} << 2 << QByteArray()
        << "vertalina-base: check: unknown format 'x\xc3\xa9\\x1b' (text or json)\n" + tryCheck;
    QTest::newRow("\"--\" ends the options") << QStringList{"check", "--", "-h"} << 2 << QByteArray()
                                            << QByteArray("vertalina-base: -h: cannot open: ");
    QTest::newRow("round out of range") << QStringList{"build", "a.txt", "-o-", "--round", "6"} << 2 << QByteArray()
                                        << QByteArray("vertalina-base: build: --round 6 is not 1 to 5\n"
                                                      "Try 'vertalina-base build --help' for more information.\n");
}

void CommandsTest::CommandLineRules()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, outStart);
    QFETCH(QByteArray, err);
    QCOMPARE(Run(arguments), status);
    QVERIFY2(m_out.startsWith(outStart) && m_out.isEmpty() == outStart.isEmpty(), m_out.constData());
    if (err.endsWith('\n'))
        QCOMPARE(m_err, err);
    else
        QVERIFY2(m_err.startsWith(err), m_err.constData());
}

void CommandsTest::PercentSignsInNamesStayAsTheyAre()
{
    // Earlier builds filled the report's other fields into a "%1" of the name.
    Save("a%1b.dat", FileBytes(RandomEditorBase(5, 3)));
    QCOMPARE(Run({"check", Path("a%1b.dat")}), 0);
    QVERIFY2(m_out.startsWith((Path("a%1b.dat") + ": round 1: ").toUtf8()), m_out.constData());
    QCOMPARE(m_out.count("%1"), 6);
}

QTEST_GUILESS_MAIN(CommandsTest)
#include "CommandsTest.moc"
