// vertalina-base's inputs and outputs: the file layer's rules through the
// program's own commands.

#include "base/SystemCalls.h"
#include "tests/cli/FolderTest.h"
#include "tests/support/CliRunner.h"
#include "tests/support/CliTestBases.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

using namespace vt;

class CliFilesTest : public FolderTest
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Save(QStringLiteral("base.dat"), FileBytes(RandomEditorBase(7, 40)));
        QCOMPARE(Run({QStringLiteral("export"), Path(QStringLiteral("base.dat")), QStringLiteral("-o"),
                      Path(QStringLiteral("base.csv"))}),
                 0);
    }

    void everySystemCallOfEachOutputFailingInTurnKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::newRow("build") << QStringList{QStringLiteral("build"), QStringLiteral("base.csv")}
                               << "out.dat";
        QTest::newRow("export csv") << QStringList{QStringLiteral("export"), QStringLiteral("base.dat")}
                                    << "out.csv";
        QTest::newRow("export json") << QStringList{QStringLiteral("export"), QStringLiteral("--format"),
                                                    QStringLiteral("json"), QStringLiteral("base.dat")}
                                     << "out.json";
    }

    void everySystemCallOfEachOutputFailingInTurnKeepsTheOldFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        for (QString& a : arguments) {
            if (a.contains(u'.'))
                a = Path(a);
        }
        arguments << QStringLiteral("-o") << Path(output);
        const QByteArray old("the old output");
        Save(output, old);
        const QStringList before = Entries();

        // The calls of a successful run, counted from the first one of the output.
        int calls = 0;
        QCOMPARE(WithHook([&](std::string_view) { return ++calls, 0; }, arguments), 0);
        const QByteArray fresh = Load(output);
        int outputCalls = 0;
        QCOMPARE(RunCountingOutput(arguments, outputCalls), 0);
        QVERIFY(outputCalls > 10);

        int failures = 0;
        for (int i = 0; i < outputCalls; ++i) {
            Save(output, old);
            int n = 0;
            const int first = calls - outputCalls;
            const int status =
                WithHook([&](std::string_view) { return n++ == first + i ? EIO : 0; }, arguments);
            const QByteArray now = Load(output);
            const QByteArray trace = QByteArray::number(i) + ": " + m_err;
            if (status == 0) {
                // Saved: a failure it worked around, or one after the rename,
                // which only leaves the save unconfirmed and says so.
                QVERIFY2(now == fresh, trace.constData());
                QVERIFY2(m_err.isEmpty() ||
                             m_err.contains(": saved, but the system could not confirm that "
                                            "the save will survive a crash: Input/output error"),
                         trace.constData());
            } else {
                QCOMPARE(status, 2);
                QVERIFY2(m_err.contains(QFile::encodeName(Path(output))) &&
                             m_err.contains("Input/output error"),
                         trace.constData());
                QVERIFY2(now == old, trace.constData());
                ++failures;
            }
            QCOMPARE(Entries(), before);
        }
        QVERIFY(failures > outputCalls / 2);
    }

    // Names and texts quoted from a file reach standard error escaped, and a
    // name that is not UTF-8 is the file read and written.
    void namesAndQuotedTextsAreShownEscaped_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<QByteArray>("raw");
        QTest::newRow("forged finding")
            << QStringList{QStringLiteral("build"), QStringLiteral("forged.json"), QStringLiteral("-o"),
                           QStringLiteral("x.dat")}
            << QByteArray(R"(item 1: round "9\nforged.json: item 7: forged finding")")
            << QByteArray("\nforged.json: item 7");
        QTest::newRow("header") << QStringList{QStringLiteral("check"), QStringLiteral("header.dat")}
                                << QByteArray("(1B 00 5B 00 32 00 4A 00 07 00)") << QByteArray("\x1b");
        QTest::newRow("argument") << QStringList{QStringLiteral("\u2029\x1b[2J")}
                                  << QByteArray("'\\u2029\\x1b[2J'") << QByteArray("\x1b");
    }

    void namesAndQuotedTextsAreShownEscaped()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, shown);
        QFETCH(QByteArray, raw);
        Save(
            QStringLiteral("forged.json"),
            R"([{"round":"9\nforged.json: item 7: forged finding","question":"q","answers":["a","b"],"correct":0}])");
        QByteArray header;
        for (const char c : QByteArray("\x1b[2J\x07"))
            header += QByteArray(1, c) + QByteArray(1, '\0'); // UTF-16 code units
        Save(QStringLiteral("header.dat"), header);
        for (QString& a : arguments) {
            if (a.contains(u'.'))
                a = Path(a);
        }
        QVERIFY(Run(arguments) != 0);
        QVERIFY2(m_err.contains(shown), m_err.constData());
        QVERIFY2(!m_err.contains(raw), m_err.constData());
    }

    void namesThatAreNotUtf8AreTheFilesReadAndWritten()
    {
        const QByteArray output = QFile::encodeName(m_dir->path()) + "/x\xff\xfe.dat";
        // QTemporaryDir sees such a name as text and cannot remove it.
        const std::unique_ptr<const char, void (*)(const char*)> remove(
            output.constData(), [](const char* name) { ::unlink(name); });
        // QProcess would encode the arguments as text, so the shell makes the
        // name's bytes and hands them to the program as they are.
        QProcess named;
        named.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("o=$(printf '%s/x\\377\\376.dat' \"$2\"); \"$0\" build \"$1\" -o \"$o\" && "
                            "\"$0\" check \"$o\""),
             QStringLiteral(VERTALINA_BASE), Path(QStringLiteral("base.csv")), m_dir->path()});
        QVERIFY(named.waitForFinished(30000));
        QCOMPARE(named.exitCode(), 0);
        const QByteArray out = named.readAllStandardOutput();
        QVERIFY2(out.contains("x\\xff\\xfe.dat: 40 questions, sound"), out.constData());
        std::FILE* written = std::fopen(output.constData(), "rb");
        QVERIFY(written != nullptr);
        QFile exact;
        QVERIFY(exact.open(written, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(exact.readAll(), Load(QStringLiteral("base.dat")));
    }

    // Standard output that fails is named on standard error; a base written
    // to a file is not undone by a summary that could not be printed.
    void failingStandardOutputIsReported_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("export full") << "\"$0\" export \"$1/base.dat\" >/dev/full" << 2
                                     << QByteArray(
                                            "vertalina-base: standard output: No space left on device\n");
        QTest::newRow("check full") << "\"$0\" check \"$1/base.dat\" >/dev/full" << 2
                                    << QByteArray(
                                           "vertalina-base: standard output: No space left on device\n");
        QTest::newRow("export closed")
            << "\"$0\" export \"$1/base.dat\" >&-" << 2
            << QByteArray("vertalina-base: standard output: Bad file descriptor\n");
        QTest::newRow("build summary")
            << "\"$0\" build \"$1/base.csv\" -o \"$1/x.dat\" >/dev/full" << 0
            << QByteArray("vertalina-base: warning: standard output: No space left "
                          "on device (the base was written)\n");
    }

    void failingStandardOutputIsReported()
    {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), command, QStringLiteral(VERTALINA_BASE), m_dir->path()});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), status);
        QCOMPARE(shell.readAllStandardError(), message);
        if (status == 0)
            QCOMPARE(Load(QStringLiteral("x.dat")), Load(QStringLiteral("base.dat")));
    }

    void theInputIsNeverTheOutput()
    {
        const QByteArray base = Load(QStringLiteral("base.dat"));
        QFile::link(Path(QStringLiteral("base.dat")), Path(QStringLiteral("alias.dat")));
        const QStringList runs[] = {
            {QStringLiteral("export"), Path(QStringLiteral("base.dat")), QStringLiteral("-o"),
             Path(QStringLiteral("base.dat"))},
            {QStringLiteral("export"), Path(QStringLiteral("base.dat")), QStringLiteral("-o"),
             Path(QStringLiteral("alias.dat"))},
            {QStringLiteral("build"), Path(QStringLiteral("base.csv")), QStringLiteral("-o"),
             Path(QStringLiteral("base.csv"))},
        };
        const QByteArray csv = Load(QStringLiteral("base.csv"));
        for (const QStringList& arguments : runs) {
            QCOMPARE(Run(arguments), 2);
            QVERIFY2(m_err.contains("It is the file being read"), m_err.constData());
        }
        QCOMPARE(Load(QStringLiteral("base.dat")), base);
        QCOMPARE(Load(QStringLiteral("base.csv")), csv);
    }

    void specialFilesAreReadRefusedOrWrittenDirectly()
    {
        const QString fifo = Path(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Read: refused at once instead of waiting for a writer.
        QCOMPARE(Run({QStringLiteral("build"), fifo, QStringLiteral("-o"), Path(QStringLiteral("x.dat"))}),
                 2);
        QVERIFY2(m_err.contains("It is not a regular file"), m_err.constData());
        // Written: straight into the pipe, which stays a pipe.
        QByteArray received;
        std::thread reader([&] {
            QFile in(fifo);
            if (in.open(QIODevice::ReadOnly))
                received = in.readAll();
        });
        const int status =
            Run({QStringLiteral("export"), Path(QStringLiteral("base.dat")), QStringLiteral("-o"), fifo});
        reader.join();
        QCOMPARE(status, 0);
        QCOMPARE(received, Load(QStringLiteral("base.csv")));
        QVERIFY(QFileInfo(fifo).isFile() == false);
    }

    void standardStreamsThroughTheProgram()
    {
        // "-" reads standard input; "-" and /dev/stdout write standard output.
        QProcess build;
        build.start(QStringLiteral(VERTALINA_BASE), {QStringLiteral("build"), QStringLiteral("-"),
                                                     QStringLiteral("-o"), QStringLiteral("-")});
        build.write(Load(QStringLiteral("base.csv")));
        build.closeWriteChannel();
        QVERIFY(build.waitForFinished(30000));
        QCOMPARE(build.exitCode(), 0);
        QCOMPARE(build.readAllStandardOutput(), Load(QStringLiteral("base.dat")));

        QProcess exported;
        exported.start(QStringLiteral(VERTALINA_BASE),
                       {QStringLiteral("export"), Path(QStringLiteral("base.dat")), QStringLiteral("-o"),
                        QStringLiteral("/dev/stdout")});
        QVERIFY(exported.waitForFinished(30000));
        QCOMPARE(exported.exitCode(), 0);
        QCOMPARE(exported.readAllStandardOutput(), Load(QStringLiteral("base.csv")));
    }

private:
    int Run(const QStringList& arguments)
    {
        const CliRun run = RunProgram(arguments);
        m_out = run.out;
        m_err = run.err;
        return run.status;
    }

    int WithHook(Sys::FaultHook hook, const QStringList& arguments)
    {
        const auto previous = Sys::SetFaultHook(std::move(hook));
        const int status = Run(arguments);
        Sys::SetFaultHook(previous);
        return status;
    }

    /** Runs once and counts the system calls of writing the output. */
    int RunCountingOutput(const QStringList& arguments, int& outputCalls)
    {
        std::vector<std::string> calls;
        const int status = WithHook(
            [&](std::string_view call) {
                calls.emplace_back(call);
                return 0;
            },
            arguments);
        // The input is opened, read and closed first; the output starts with the
        // first look at its path (the input is never looked up that way).
        const auto first = std::size_t(std::find(calls.begin(), calls.end(), "lstat") - calls.begin());
        outputCalls = int(calls.size() - first);
        return status;
    }

    QByteArray m_out;
    QByteArray m_err;
};

QTEST_MAIN(CliFilesTest)
#include "CliFilesTest.moc"
