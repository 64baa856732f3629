// vertalina-base's inputs and outputs: the file layer's rules through the
// program's own commands.

#include "CliRunner.h"
#include "CliTestBases.h"
#include "SystemCalls.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <sys/stat.h>

class CliFilesTest : public QObject
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

        for (int i = 0; i < outputCalls; ++i) {
            Save(output, old);
            int n = 0;
            const int first = calls - outputCalls;
            const int status =
                WithHook([&](std::string_view) { return n++ == first + i ? EIO : 0; }, arguments);
            QCOMPARE(status, 2);
            QVERIFY2(m_err.contains(QFile::encodeName(Path(output))) && m_err.contains("Input/output error"),
                     m_err.constData());
            const QByteArray now = Load(output);
            QVERIFY2(now == old || (i >= outputCalls - 3 && now == fresh), qPrintable(QString::number(i)));
            QCOMPARE(Entries(), before);
        }
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

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    QStringList Entries() const
    {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    void Save(const QString& name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QByteArray Load(const QString& name) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_out;
    QByteArray m_err;
};

QTEST_MAIN(CliFilesTest)
#include "CliFilesTest.moc"
