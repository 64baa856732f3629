#include "base/BaseFormat.h"
#include "base/BaseStorage.h"
#include "base/SystemCalls.h"
#include "main/EditorFields.h"
#include "main/FileDialog.h"
#include "main/QuestionList.h"
#include "main/TF.h"
#include "tests/main/ScriptedDialog.h"
#include "tests/main/WindowHarness.h"
#include "text/Error.h"
#include "text/ErrorReport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace vt;

namespace {

QuestionRecord Question(int i)
{
    const std::u16string n(1, static_cast<char16_t>(u'0' + i % 10));
    return {u"3", u"Вопрос " + n, {u"синее", u"зелёное", u"красное", u"жёлтое", u" "}, u"1"};
}

QByteArray BytesOf(const QuestionBase& base)
{
    MemoryOutputStream out;
    WriteBase(base, out);
    return QByteArray(reinterpret_cast<const char*>(out.Bytes().data()),
                      static_cast<qsizetype>(out.Bytes().size()));
}

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

} // namespace

class LoadSaveTest : public QObject
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

    void saveThenLoadRoundTrips()
    {
        TF& w = *m_harness->window;
        AddQuestions(3);
        const QString path = m_dir->filePath(QStringLiteral("base.dat"));
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(ReadAll(path), BytesOf(w.Base()));
        QCOMPARE(ReadAll(path).size(), 10 + 914 * 3);
        QCOMPARE(w.windowTitle(), QStringLiteral("457"));
        QVERIFY(LastLog().endsWith(QStringLiteral("] База успешно сохранена в base.dat")));

        TF other;
        auto open = std::make_unique<ScriptedDialog>();
        auto* openRaw = open.get();
        auto save = std::make_unique<ScriptedDialog>();
        auto* saveRaw = save.get();
        other.OpenDialog = std::move(open);
        other.SaveDialog = std::move(save);
        openRaw->answers << path;
        other.Fields().AppendLine(u"0. stale");
        other.qlist->SelectLine(0);
        QTest::mouseClick(other.btnLoad, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(other.Base().EntryCount(), 24);
        for (int n = 0; n < 24; ++n)
            QCOMPARE(other.Base().Entry(n), w.Base().Entry(n));
        QCOMPARE(other.qlist->Lines()->Count(), 3);
        QCOMPARE(other.qlist->Lines()->Line(2), QStringLiteral("2. Вопрос 2"));
        QCOMPARE(other.qlist->SelectedLine(), -1);
        const QStringList log = other.mLog->toPlainText().split(u'\n');
        QVERIFY(log[log.size() - 2].endsWith(QStringLiteral("] База вопросов успешно загружена")));
        QVERIFY(log.last().endsWith(QStringLiteral("] Вопросов в базе: 3")));

        // The save dialog proposes the loaded file next time.
        QCOMPARE(saveRaw->FileName, path);
        saveRaw->answers << QString();
        QTest::mouseClick(other.btnSave, Qt::LeftButton);
        QCOMPARE(saveRaw->shownWith.last(), path);
    }

    void cancellingChangesNothing()
    {
        TF& w = *m_harness->window;
        AddQuestions(2);
        w.qlist->SelectLine(1);
        m_open->FileName = QStringLiteral("/earlier/open.dat");
        m_save->FileName = QStringLiteral("/earlier/save.dat");
        const QString log = w.mLog->toPlainText();
        const QString title = w.windowTitle();
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QCOMPARE(m_open->shownWith, QStringList{QStringLiteral("/earlier/open.dat")});
        QCOMPARE(m_save->shownWith, QStringList{QStringLiteral("/earlier/save.dat")});
        QCOMPARE(m_open->FileName, QStringLiteral("/earlier/open.dat"));
        QCOMPARE(m_save->FileName, QStringLiteral("/earlier/save.dat"));
        QCOMPARE(w.mLog->toPlainText(), log);
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.Base().QuestionCount(), 2);
        QCOMPARE(w.qlist->SelectedLine(), 1);
        QVERIFY(m_harness->errors.isEmpty());
    }

    void emptyBaseSavesTheHeaderAndKeepsTheCaption()
    {
        TF& w = *m_harness->window;
        const QString path = m_dir->filePath(QStringLiteral("empty"));
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QCOMPARE(ReadAll(path), QByteArray("0\0|\0|\0|\0|\0", 10));
        QCOMPARE(w.windowTitle(), QStringLiteral("Редактор баз вопросов для игры \"Верталина\""));
        QVERIFY(LastLog().endsWith(QStringLiteral("] База успешно сохранена в empty")));
        QVERIFY(!QFile::exists(path + QStringLiteral(".dat")));

        m_open->answers << path;
        AddQuestions(1);
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QCOMPARE(w.Base().EntryCount(), 0);
        QCOMPARE(w.qlist->Lines()->Count(), 0);
        QVERIFY(LastLog().endsWith(QStringLiteral("] Вопросов в базе: 0")));
    }

    void failedLoadsLoseNothing_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << false
                                 << "Cannot open file \"%1\". No such file or directory";
        QTest::newRow("locked") << QByteArray("0\0|\0|\0|\0|\0", 10) << true
                                << "Cannot open file \"%1\". It is open in another program";
        QTest::newRow("header") << QByteArray("a\0|\0|\0|\0|\0", 10) << false
                                << "''a'' is not a valid integer value";
        // Controls from the file are shown, never let loose.
        QTest::newRow("header with controls") << QByteArray("\x1b\0[\0"
                                                            "2\0J\0\x07\0|\0|\0|\0|\0",
                                                            18)
                                              << false << "''\\x1b[2J\\x07'' is not a valid integer value";
        QByteArray shortFile("2\0|\0|\0|\0|\0", 10);
        shortFile.append(QByteArray(914, 'x'));
        QTest::newRow("short") << shortFile << false << "Stream read error";
        QTest::newRow("fifo") << QByteArray("<fifo>") << false
                              << "Cannot open file \"%1\". It is not a regular file";
    }

    void failedLoadsLoseNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, locked);
        QFETCH(QString, message);
        TF& w = *m_harness->window;
        AddQuestions(4);
        w.qlist->SelectLine(2);
        const QString path = m_dir->filePath(QStringLiteral("in.dat"));
        if (content == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // must not wait for a writer
        else if (!content.isEmpty())
            WriteAll(path, content);
        int holder = -1;
        if (locked) {
            holder = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            QVERIFY(holder >= 0);
            QCOMPARE(::flock(holder, LOCK_EX), 0);
        }
        const QString log = w.mLog->toPlainText();
        m_open->answers << path;
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        if (holder >= 0)
            ::close(holder);

        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(QString::fromStdU16String(m_harness->errors.first()), message.arg(path));
        QCOMPARE(w.Base().QuestionCount(), 4);
        QCOMPARE(w.Base().Entry(9), u"Вопрос 1");
        QCOMPARE(w.qlist->Lines()->Count(), 4);
        QCOMPARE(w.qlist->SelectedLine(), 2);
        QCOMPARE(w.mLog->toPlainText(), log);
        QCOMPARE(m_save->FileName, path);

        // The window goes on working.
        m_save->answers << m_dir->filePath(QStringLiteral("after.dat"));
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(ReadAll(m_dir->filePath(QStringLiteral("after.dat"))), BytesOf(w.Base()));
    }

    void failedSavesLeaveTheTarget_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>(
            "kind"); // 0 missing folder, 1 read-only, 2 locked, 3 FIFO, 4 hard link on a full disk
        QTest::addColumn<QString>("message");
        QTest::newRow("no folder") << "nowhere/base.dat" << 0
                                   << "Cannot create file \"%1\". No such file or directory";
        QTest::newRow("read-only") << "ro.dat" << 1 << "Cannot create file \"%1\". Permission denied";
        QTest::newRow("locked") << "held.dat" << 2
                                << "Cannot create file \"%1\". It is open in another program";
        QTest::newRow("full disk, hard-linked")
            << "linked.dat" << 4 << "Cannot write file \"%1\". No space left on device";
        QTest::newRow("fifo without reader")
            << "pipe.dat" << 3 << "Cannot create file \"%1\". No program is reading it";
    }

    void failedSavesLeaveTheTarget()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, message);
        TF& w = *m_harness->window;
        AddQuestions(2);
        w.qlist->SelectLine(0);
        const QString path = m_dir->filePath(name);
        const QByteArray old("old bytes");
        int holder = -1;
        if (kind == 3)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // must not wait for a reader
        else if (kind != 0)
            WriteAll(path, old);
        const QString second = m_dir->filePath(QStringLiteral("second.dat"));
        if (kind == 4)
            QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(second).constData()) == 0);
        // The disk has no room for the new length, which is reserved first.
        const auto previous = Sys::SetFaultHook(
            [kind](std::string_view call) { return kind == 4 && call == "fallocate" ? ENOSPC : 0; });
        if (kind == 1)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (kind == 2) {
            holder = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            QCOMPARE(::flock(holder, LOCK_EX), 0);
        }
        const QString title = w.windowTitle();
        const QString log = w.mLog->toPlainText();
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        Sys::SetFaultHook(previous);
        if (holder >= 0)
            ::close(holder);

        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(QString::fromStdU16String(m_harness->errors.first()), message.arg(path));
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.mLog->toPlainText(), log);
        QCOMPARE(w.Base().QuestionCount(), 2);
        QCOMPARE(w.qlist->SelectedLine(), 0);
        if (kind == 1 || kind == 2 || kind == 4)
            QCOMPARE(ReadAll(path), old);
        if (kind == 4)
            QCOMPARE(ReadAll(second), old);
        // Nothing but the old file, if there was one: no temporary file of any name.
        QStringList left;
        if (kind != 0)
            left << name;
        if (kind == 4)
            left << QStringLiteral("second.dat");
        QCOMPARE(QDir(m_dir->path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 left);
    }

    void baseBeyondTheFormatIsRefusedBeforeCreating()
    {
        TF& w = *m_harness->window;
        QuestionRecord tooLong = Question(0);
        tooLong.answers[0] = std::u16string(41, u'a');
        w.Base().AppendRecord(tooLong);
        const QString path = m_dir->filePath(QStringLiteral("never.dat"));
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QCOMPARE(m_harness->errors.size(), 1);
        QVERIFY(!QFile::exists(path));
    }

    void saveKeepsTheTargetsPermissions()
    {
        TF& w = *m_harness->window;
        AddQuestions(1);
        const QString path = m_dir->filePath(QStringLiteral("shared.dat"));
        WriteAll(path, "x");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0640u);
        QCOMPARE(ReadAll(path), BytesOf(w.Base()));
    }

    void everySystemCallOfASaveFailingInTurnKeepsTheOldFile()
    {
        TF& w = *m_harness->window;
        AddQuestions(3);
        const QString path = m_dir->filePath(QStringLiteral("precious.dat"));
        const QByteArray old("previous base");
        int calls = 0;
        {
            const auto previous = Sys::SetFaultHook([&](std::string_view) { return ++calls, 0; });
            WriteAll(path, old);
            m_save->answers << path;
            QTest::mouseClick(w.btnSave, Qt::LeftButton);
            Sys::SetFaultHook(previous);
        }
        QVERIFY(m_harness->errors.isEmpty());
        QVERIFY(calls > 10);

        int failures = 0;
        for (int i = 0; i < calls; ++i) {
            WriteAll(path, old);
            w.setWindowTitle(QStringLiteral("before"));
            int n = 0;
            const auto previous = Sys::SetFaultHook([&](std::string_view) { return n++ == i ? EIO : 0; });
            m_save->answers << path;
            QTest::mouseClick(w.btnSave, Qt::LeftButton);
            Sys::SetFaultHook(previous);

            const QByteArray now = ReadAll(path);
            if (m_harness->errors.isEmpty()) {
                // Saved: a failure it worked around, or one after the rename
                // that only leaves the save unconfirmed, logged and not an error.
                QVERIFY2(now == BytesOf(w.Base()), qPrintable(QString::number(i)));
                QVERIFY2(LastLog().endsWith(QStringLiteral("] База успешно сохранена в precious.dat")) ||
                             LastLog().endsWith(QStringLiteral(
                                 "] База сохранена в precious.dat, но система не подтвердила, что сохранение "
                                 "переживёт сбой: Input/output error")),
                         qPrintable(LastLog()));
            } else {
                QCOMPARE(m_harness->errors.size(), 1);
                const QString message = QString::fromStdU16String(m_harness->errors.takeFirst());
                QVERIFY2(message.contains(u'"' + path + u'"') &&
                             message.endsWith(QStringLiteral("Input/output error")),
                         qPrintable(message));
                QVERIFY2(now == old, qPrintable(QString::number(i)));
                ++failures;
            }
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral("precious.dat")});
        }
        QVERIFY(failures > calls / 2);
    }

    void saveFollowsALinkAndNamesCannotForgeLogLines()
    {
        TF& w = *m_harness->window;
        AddQuestions(2);
        const QString real = m_dir->filePath(QStringLiteral("real.dat"));
        WriteAll(real, "old");
        const QString link = m_dir->filePath(QStringLiteral("link.dat"));
        QVERIFY(QFile::link(real, link));
        m_save->answers << link;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadAll(real), BytesOf(w.Base()));

        // Neither a line break, a paragraph separator nor a direction
        // override in a name reaches the log as it is.
        const std::pair<QString, QString> names[] = {
            {QStringLiteral("x\n[00:00:00] Вопросов в базе: 12345.dat"),
             QStringLiteral("x\\n[00:00:00] Вопросов в базе: 12345.dat")},
            {QStringLiteral("x\u2029[00:00:00] Вопросов в базе: 1.dat"),
             QStringLiteral("x\\u2029[00:00:00] Вопросов в базе: 1.dat")},
            {QStringLiteral("x\u202enosj.dat"), QStringLiteral("x\\u202enosj.dat")},
        };
        for (const auto& [name, shown] : names) {
            m_save->answers << m_dir->filePath(name);
            const int lines = int(w.mLog->document()->blockCount());
            QTest::mouseClick(w.btnSave, Qt::LeftButton);
            QVERIFY(m_harness->errors.isEmpty());
            QCOMPARE(int(w.mLog->document()->blockCount()), lines + 1);
            QVERIFY2(LastLog().endsWith(QStringLiteral("] База успешно сохранена в ") + shown),
                     qPrintable(LastLog()));
        }
    }

private:
    void AddQuestions(int n)
    {
        for (int i = 0; i < n; ++i) {
            const QuestionRecord q = Question(m_harness->window->Base().QuestionCount());
            m_harness->window->Base().AppendRecord(q);
            m_harness->window->Fields().AppendLine(
                QuestionLabel(m_harness->window->Base().QuestionCount() - 1, q.question));
        }
    }

    QString LastLog() const { return m_harness->window->mLog->toPlainText().split(u'\n').last(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowHarness> m_harness;
    ScriptedDialog* m_open = nullptr;
    ScriptedDialog* m_save = nullptr;
};

QTEST_MAIN(LoadSaveTest)
#include "LoadSaveTest.moc"
