#include "main/EditorFields.h"
#include "main/FileDialog.h"
#include "main/QuestionList.h"
#include "main/TF.h"
#include "tests/main/ScriptedDialog.h"
#include "tests/main/WindowHarness.h"
#include "tests/support/CliRunner.h"
#include "tests/support/CliTestBases.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vt;

// Tables in the window: each type both ways, byte for byte what
// vertalina-base exports and builds, and tables with findings refused whole.

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

/** The finding lines that vertalina-base printed about `path`, naming the
 *  file by `name` as the editor's report does. */
QStringList FindingLines(const QByteArray& err, const QString& path, const QString& name)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(err).split(u'\n')) {
        if (line.startsWith(path + u':'))
            lines << name + line.sliced(path.size());
    }
    return lines;
}

} // namespace

class TableLoadSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_harness = std::make_unique<WindowHarness>();
        const ScriptedDialogs dialogs = ScriptDialogs(*m_harness->window);
        m_open = dialogs.open;
        m_save = dialogs.save;
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup() { m_harness.reset(); }

    void dialogsOfferBasesFirstThenTables()
    {
        TF w;
        const auto* open = dynamic_cast<StandardFileDialog*>(w.OpenDialog.get());
        const auto* save = dynamic_cast<StandardFileDialog*>(w.SaveDialog.get());
        QVERIFY(open && save);
        const QStringList tables{QStringLiteral("Spreadsheet table (*.csv)"),
                                 QStringLiteral("JSON (*.json)"),
                                 QStringLiteral("Excel workbook (*.xlsx)"),
                                 QStringLiteral("OpenDocument spreadsheet (*.ods)"),
                                 QStringLiteral("Moodle XML (*.xml)"),
                                 QStringLiteral("GIFT (*.gift)"),
                                 QStringLiteral("Aiken (*.txt)")};
        QCOMPARE(open->Filters(), QStringList{QStringLiteral("Questions base (*.dat)")} + tables);
        QCOMPARE(save->Filters(), QStringList{QStringLiteral("Questons base (*.dat)")} + tables);
    }

    void tablesGoBothWaysAsTheCommandLineDoes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::newRow("csv") << "base.csv"
                             << "csv";
        QTest::newRow("json") << "base.json"
                              << "json";
        QTest::newRow("CSV") << "BASE.Csv"
                             << "csv";
        QTest::newRow("JSON") << "Base.JSON"
                              << "json";
        QTest::newRow("xlsx") << "base.xlsx"
                              << "xlsx";
        QTest::newRow("ODS") << "Base.ODS"
                             << "ods";
        QTest::newRow("Moodle XML") << "bank.xml"
                                    << "moodle-xml";
    }

    void tablesGoBothWaysAsTheCommandLineDoes()
    {
        QFETCH(QString, name);
        QFETCH(QString, format);
        TF& w = *m_harness->window;
        const QuestionBase original = RandomEditorBase(14, 40);
        AddBase(original);
        w.setWindowTitle(QStringLiteral("caption"));

        const QString path = m_dir->filePath(name);
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("caption"));
        QVERIFY(LastLog().endsWith(QStringLiteral("] База успешно сохранена в ") + name));

        const QString dat = m_dir->filePath(QStringLiteral("reference.dat"));
        WriteAll(dat, FileBytes(original));
        const CliRun exported =
            RunProgram({QStringLiteral("export"), QStringLiteral("--format"), format, dat});
        QCOMPARE(exported.status, 0);
        QCOMPARE(ReadAll(path), exported.out);
        // Without --format, the output's extension chooses, as in the editor.
        const QString named = m_dir->filePath(QStringLiteral("cli-") + name);
        QCOMPARE(RunProgram({QStringLiteral("export"), dat, QStringLiteral("-o"), named}).status, 0);
        QCOMPARE(ReadAll(named), exported.out);

        // Loading it back replaces a base that has grown since, and its selection.
        AddBase(RandomEditorBase(15, 2));
        w.qlist->SelectLine(1);
        m_open->answers << path;
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        const QString built = m_dir->filePath(QStringLiteral("built.dat"));
        QCOMPARE(RunProgram({QStringLiteral("build"), path, QStringLiteral("-o"), built}).status, 0);
        QCOMPARE(FileBytes(w.Base()), ReadAll(built));
        QCOMPARE(FileBytes(w.Base()), FileBytes(original));
        QCOMPARE(w.qlist->Lines()->Count(), 40);
        QCOMPARE(w.qlist->SelectedLine(), -1);
        const QStringList log = w.mLog->toPlainText().split(u'\n');
        QVERIFY(log[log.size() - 2].endsWith(QStringLiteral("] База вопросов успешно загружена")));
        QVERIFY(log.last().endsWith(QStringLiteral("] Вопросов в базе: 40")));
        QCOMPARE(m_save->FileName, path);
    }

    void txtLoadsAsAikenOrCsvByItsContent()
    {
        TF& w = *m_harness->window;
        const QString aiken = m_dir->filePath(QStringLiteral("aiken.txt"));
        const QString csv = m_dir->filePath(QStringLiteral("csv.TXT"));
        WriteAll(aiken, QByteArray("Sky?\nA. blue\nB. green\nC. red\nANSWER: A\n"));
        WriteAll(csv, QByteArray("round,question,answer0,answer1,correct\n1,Sea?,wet,dry,0\n"));
        m_open->answers << aiken << csv;
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QCOMPARE(w.Base().Entry(FieldQuestion), std::u16string_view(u"Sky?"));
        QCOMPARE(w.Base().Entry(FieldRound), std::u16string_view(u"2"));
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(w.Base().Entry(FieldQuestion), std::u16string_view(u"Sea?"));
    }

    void tablesWithFindingsChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("findings");
        const QByteArray header = "round,question,answer0,answer1,correct\r\n";
        QTest::newRow("csv round") << "in.csv" << header + "1,Да?,да,нет,0\r\n7,Нет?,да,нет,1\r\n" << 1;
        QTest::newRow("json key") << "in.JSON"
                                  << QByteArray(R"([{"round":1,"question":"Q","answers":["a","b"],)"
                                                R"("correct":0,"colour":"red"}])")
                                  << 1;
        QTest::newRow("json broken") << "in.json" << QByteArray("[{") << 1;
        QByteArray many = header;
        for (int i = 0; i < 12; ++i)
            many += "9,Q" + QByteArray::number(i) + ",a,b,0\r\n";
        QTest::newRow("twelve") << "many.csv" << many << 12;
        QTest::newRow("repeat") << "in.csv" << header + "1,Q,a,b,0\r\n1,Q,c,d,1\r\n" << 1;
    }

    void tablesWithFindingsChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, findings);
        TF& w = *m_harness->window;
        AddBase(RandomEditorBase(16, 3));
        const QByteArray before = FileBytes(w.Base());
        w.qlist->SelectLine(2);
        const QString log = w.mLog->toPlainText();
        const QString path = m_dir->filePath(name);
        WriteAll(path, content);

        m_open->answers << path;
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QCOMPARE(FileBytes(w.Base()), before);
        QCOMPARE(w.qlist->Lines()->Count(), 3);
        QCOMPARE(w.qlist->SelectedLine(), 2);
        QCOMPARE(w.mLog->toPlainText(), log);

        // The report lists what vertalina-base lists, the first ten of them.
        const CliRun cli = RunProgram({QStringLiteral("build"), path, QStringLiteral("-o"),
                                       m_dir->filePath(QStringLiteral("never.dat"))});
        QCOMPARE(cli.status, 1);
        QStringList expected = FindingLines(cli.err, path, name);
        QCOMPARE(expected.size(), findings);
        if (expected.size() > 10)
            expected = expected.mid(0, 10) << QStringLiteral("and %1 more").arg(findings - 10);
        expected.prepend(QStringLiteral("Cannot load the questions of \"%1\": %2 finding%3")
                             .arg(path)
                             .arg(findings)
                             .arg(findings == 1 ? "" : "s"));
        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(QString::fromStdU16String(m_harness->errors.first()).split(u'\n'), expected);
    }

    void loneSurrogateIsRefusedByCsvOnly()
    {
        TF& w = *m_harness->window;
        QuestionBase base = RandomEditorBase(17, 2);
        base.AppendRecord(EditorQuestion(1, u"Q" + std::u16string(1, char16_t(0xD800)), {u"a", u"b"}, 0));
        AddBase(base);
        w.setWindowTitle(QStringLiteral("caption"));
        const QString log = w.mLog->toPlainText();
        const QString dat = m_dir->filePath(QStringLiteral("reference.dat"));
        WriteAll(dat, FileBytes(base));

        const QString csv = m_dir->filePath(QStringLiteral("out.csv"));
        m_save->answers << csv;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(!QFileInfo::exists(csv));
        QCOMPARE(w.mLog->toPlainText(), log);
        const CliRun refused = RunProgram({QStringLiteral("export"), dat});
        QCOMPARE(refused.status, 1);
        const QStringList expected =
            QStringList{QStringLiteral("Cannot save \"%1\": 1 text that CSV cannot carry; nothing written")
                            .arg(csv)} +
            FindingLines(refused.err, dat, QStringLiteral("out.csv"));
        QCOMPARE(expected.size(), 2);
        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(QString::fromStdU16String(m_harness->errors.first()).split(u'\n'), expected);

        const QString json = m_dir->filePath(QStringLiteral("out.json"));
        m_save->answers << json;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(ReadAll(json), RunProgram({QStringLiteral("export"), QStringLiteral("--format"),
                                            QStringLiteral("json"), dat})
                                    .out);
        QCOMPARE(w.windowTitle(), QStringLiteral("caption"));
    }

private:
    void AddBase(const QuestionBase& base)
    {
        TF& w = *m_harness->window;
        for (int k = 0; k < base.QuestionCount(); ++k) {
            const QuestionRecord q = base.Record(k);
            w.Base().AppendRecord(q);
            w.Fields().AppendLine(QuestionLabel(w.Base().QuestionCount() - 1, q.question));
        }
    }

    QString LastLog() const { return m_harness->window->mLog->toPlainText().split(u'\n').last(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowHarness> m_harness;
    ScriptedDialog* m_open = nullptr;
    ScriptedDialog* m_save = nullptr;
};

QTEST_MAIN(TableLoadSaveTest)
#include "TableLoadSaveTest.moc"
