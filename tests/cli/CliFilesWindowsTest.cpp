// vertalina-base's inputs and outputs on Windows: every Win32 call of an
// output failing in turn, targets held by another program or read-only, and
// Cyrillic and long names, through the program's own commands.

#include "base/FileNames.h"
#include "base/Win32Calls.h"
#include "tests/cli/FolderTest.h"
#include "tests/support/CliRunner.h"
#include "tests/support/CliTestBases.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

using namespace vt;

class CliFilesWindowsTest : public FolderTest
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Save(QStringLiteral("база.dat"), FileBytes(RandomEditorBase(7, 40)));
        QCOMPARE(Run({QStringLiteral("export"), Path(QStringLiteral("база.dat")), QStringLiteral("-o"),
                      Path(QStringLiteral("таблица.csv"))}),
                 0);
    }

    void everyCallOfAnOutputFailingInTurnKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("arguments"); // names in the test's folder
        QTest::newRow("build") << QStringList{QStringLiteral("build"), QStringLiteral("таблица.csv")};
        QTest::newRow("export") << QStringList{QStringLiteral("export"), QStringLiteral("база.dat")};
    }

    void everyCallOfAnOutputFailingInTurnKeepsTheOldFile()
    {
        QFETCH(QStringList, arguments);
        arguments[1] = Path(arguments[1]);
        arguments << QStringLiteral("-o") << Path(QStringLiteral("выход.dat"));
        const QByteArray old("the old output");
        Save(QStringLiteral("выход.dat"), old);
        const QStringList before = Entries();
        std::vector<std::string> calls;
        QCOMPARE(WithHook(
                     [&](std::string_view call) {
                         calls.emplace_back(call);
                         return DWORD(0);
                     },
                     arguments),
                 0);
        // The input is opened, read and closed first; the output starts by
        // making sure that it is not the input (open, identify, close), a
        // probe whose failure only leaves the check to the unshared opens.
        const auto attributes = std::find(calls.begin(), calls.end(), "GetFileAttributesW") - calls.begin();
        QVERIFY(attributes >= 3);
        const std::vector<std::string> identity{"CreateFileW", "GetFileInformationByHandle", "CloseHandle"};
        QCOMPARE(std::vector<std::string>(calls.begin() + attributes - 3, calls.begin() + attributes),
                 identity);
        const int first = int(attributes);
        const int count = int(calls.size());
        QVERIFY(count - first >= 9);

        const DWORD error = ERROR_WRITE_FAULT;
        const QByteArray text = QString::fromStdU16String(SystemErrorText(int(error))).toUtf8();
        for (int i = first; i < count; ++i) {
            Save(QStringLiteral("выход.dat"), old);
            int n = 0;
            const int status =
                WithHook([&](std::string_view) { return n++ == i ? error : DWORD(0); }, arguments);
            QCOMPARE(status, 2);
            QVERIFY2(m_err.contains(arguments[3].toUtf8()) && m_err.contains(text), m_err.constData());
            QVERIFY2(Load(QStringLiteral("выход.dat")) == old, calls[std::size_t(i)].c_str());
            QCOMPARE(Entries(), before);
        }
    }

    // A target that another program holds or that is read-only is refused
    // with the system's text, before anything is written.
    void refusedTargetsStayAsTheyWere_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("error");
        QTest::newRow("held by another handle") << true << int(ERROR_SHARING_VIOLATION);
        QTest::newRow("read-only") << false << int(ERROR_ACCESS_DENIED);
    }

    void refusedTargetsStayAsTheyWere()
    {
        QFETCH(bool, held);
        QFETCH(int, error);
        const QString target = Path(QStringLiteral("цель.dat"));
        Save(QStringLiteral("цель.dat"), "old");
        const std::wstring wide = QDir::toNativeSeparators(target).toStdWString();
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (held)
            holder = ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        else
            QVERIFY(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
        const int status =
            Run({QStringLiteral("build"), Path(QStringLiteral("таблица.csv")), QStringLiteral("-o"), target});
        if (holder != INVALID_HANDLE_VALUE)
            ::CloseHandle(holder);
        ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        QCOMPARE(status, 2);
        QVERIFY2(m_err.contains(target.toUtf8()) &&
                     m_err.contains(QString::fromStdU16String(SystemErrorText(error)).toUtf8()),
                 m_err.constData());
        QCOMPARE(Load(QStringLiteral("цель.dat")), QByteArray("old"));
    }

    void longCyrillicPathsAreReadAndWritten()
    {
        const QString part(90, u'ё');
        const QString folder = part + u'/' + part + u'/' + part;
        QVERIFY(QDir(m_dir->path()).mkpath(folder));
        const QString base = Path(folder + QStringLiteral("/база.dat"));
        const QString table = Path(folder + QStringLiteral("/таблица.csv"));
        QVERIFY(QDir::toNativeSeparators(base).size() > MAX_PATH);
        QCOMPARE(
            Run({QStringLiteral("build"), Path(QStringLiteral("таблица.csv")), QStringLiteral("-o"), base}),
            0);
        QCOMPARE(Load(folder + QStringLiteral("/база.dat")), Load(QStringLiteral("база.dat")));
        QCOMPARE(Run({QStringLiteral("export"), base, QStringLiteral("-o"), table}), 0);
        QCOMPARE(Load(folder + QStringLiteral("/таблица.csv")), Load(QStringLiteral("таблица.csv")));
    }

    // The program itself, as a script runs it: Unicode names on its command
    // line, binary standard input and output (no "\r" added to a line end).
    void standardStreamsAndNamesThroughTheProgram()
    {
        QProcess build;
        build.start(QStringLiteral(VERTALINA_BASE), {QStringLiteral("build"), QStringLiteral("-"),
                                                     QStringLiteral("-o"), QStringLiteral("-")});
        build.write(Load(QStringLiteral("таблица.csv")));
        build.closeWriteChannel();
        QVERIFY(build.waitForFinished(60000));
        QCOMPARE(build.exitCode(), 0);
        QCOMPARE(build.readAllStandardOutput(), Load(QStringLiteral("база.dat")));

        QProcess exported;
        exported.start(QStringLiteral(VERTALINA_BASE),
                       {QStringLiteral("export"), Path(QStringLiteral("база.dat"))});
        QVERIFY(exported.waitForFinished(60000));
        QCOMPARE(exported.exitCode(), 0);
        const QByteArray table = exported.readAllStandardOutput();
        QVERIFY(table.contains("\r\n") && !table.contains("\r\r"));
        QCOMPARE(table, Load(QStringLiteral("таблица.csv")));

        QProcess named;
        named.setWorkingDirectory(m_dir->path());
        named.start(QStringLiteral(VERTALINA_BASE), {QStringLiteral("build"), QStringLiteral("таблица.csv"),
                                                     QStringLiteral("-o"), QStringLiteral("копия.dat")});
        QVERIFY(named.waitForFinished(60000));
        QVERIFY2(named.exitCode() == 0, named.readAllStandardError().constData());
        QCOMPARE(Load(QStringLiteral("копия.dat")), Load(QStringLiteral("база.dat")));
    }

private:
    int Run(const QStringList& arguments)
    {
        const CliRun run = RunProgram(arguments);
        m_err = run.err;
        return run.status;
    }

    int WithHook(Win::FaultHook hook, const QStringList& arguments)
    {
        const auto previous = Win::SetFaultHook(std::move(hook));
        const int status = Run(arguments);
        Win::SetFaultHook(previous);
        return status;
    }

    QByteArray m_err;
};

QTEST_MAIN(CliFilesWindowsTest)
#include "CliFilesWindowsTest.moc"
