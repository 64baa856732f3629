// Loading and saving through the window on Windows: Cyrillic and long names,
// a file held by another program, the read-only attribute and a missing
// folder, with the system's own texts in the error report.

#include "base/BaseFormat.h"
#include "main/EditorFields.h"
#include "main/QuestionList.h"
#include "main/TF.h"
#include "tests/main/ScriptedDialog.h"
#include "tests/main/WindowHarness.h"
#include "tests/support/SystemTexts.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <windows.h>

using namespace vt;

namespace {

QByteArray BytesOf(const QuestionBase& base)
{
    MemoryOutputStream out;
    WriteBase(base, out);
    return QByteArray(reinterpret_cast<const char*>(out.Bytes().data()), qsizetype(out.Bytes().size()));
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

std::wstring Wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

/** Makes every folder of `path` with the prefix that lifts the length limit. */
void MakeFolders(const QString& path)
{
    const QStringList parts = QDir::toNativeSeparators(path).split(u'\\');
    QString folder = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        folder += u'\\' + parts[i];
        ::CreateDirectoryW((L"\\\\?\\" + folder.toStdWString()).c_str(), nullptr);
    }
}

QString Text(DWORD error)
{
    return QString::fromStdU16String(SystemErrorText(int(error)));
}

} // namespace

class LoadSaveWindowsTest : public QObject
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

    void savesAndLoadsUnderAnyName_data()
    {
        QTest::addColumn<QString>("name"); // under the test's folder
        QTest::newRow("Cyrillic") << QStringLiteral("Базы/Вопросы «Ёлка».dat");
        const QString part(90, u'д');
        QTest::newRow("beyond MAX_PATH")
            << part + u'/' + part + u'/' + part + QStringLiteral("/Длинный путь.dat");
    }

    void savesAndLoadsUnderAnyName()
    {
        QFETCH(QString, name);
        TF& w = *m_harness->window;
        const QString path = m_dir->filePath(name);
        MakeFolders(path.left(path.lastIndexOf(u'/')));
        for (int i = 0; i < 3; ++i)
            w.Base().AppendRecord({u"2",
                                   u"Вопрос " + std::u16string(1, char16_t(u'0' + i)),
                                   {u"а", u"б", u"в", u" ", u" "},
                                   u"2"});
        m_save->answers << path;
        QTest::mouseClick(w.btnSave, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(ReadAll(path), BytesOf(w.Base()));
        const QString fileName = path.mid(path.lastIndexOf(u'/') + 1);
        QVERIFY(LastLog().endsWith(QStringLiteral("] База успешно сохранена в ") + fileName));

        const QByteArray saved = BytesOf(w.Base());
        m_open->answers << path;
        QTest::mouseClick(w.btnLoad, Qt::LeftButton);
        QVERIFY(m_harness->errors.isEmpty());
        QCOMPARE(BytesOf(w.Base()), saved);
        QCOMPARE(w.qlist->Lines()->Count(), 3);
        QVERIFY(LastLog().endsWith(QStringLiteral("] Вопросов в базе: 3")));
    }

    // Each refusal is reported with the system's text, names the file, and
    // changes neither the base, the list, the log nor the file; no other file
    // appears beside it.
    void refusalsLoseNothing_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind"); // 0 none, 1 held by another handle, 2 read-only attribute
        QTest::addColumn<QString>("message");
        const QString open = QStringLiteral("Cannot open file \"%1\". ");
        const QString create = QStringLiteral("Cannot create file \"%1\". ");
        QTest::newRow("load missing")
            << false << "missing.dat" << 0 << open + QString::fromStdU16String(SystemText::MissingFile());
        QTest::newRow("load held") << false << "held.dat" << 1 << open + Text(ERROR_SHARING_VIOLATION);
        QTest::newRow("save into a missing folder")
            << true << "nowhere/base.dat" << 0
            << create + QString::fromStdU16String(SystemText::MissingFolder());
        QTest::newRow("save held") << true << "held.dat" << 1 << create + Text(ERROR_SHARING_VIOLATION);
        QTest::newRow("save read-only")
            << true << "Только чтение.dat" << 2 << create + Text(ERROR_ACCESS_DENIED);
    }

    void refusalsLoseNothing()
    {
        QFETCH(bool, save);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, message);
        TF& w = *m_harness->window;
        w.Base().AppendRecord({u"1", u"Старый вопрос", {u"да", u"нет", u" ", u" ", u" "}, u"0"});
        w.Fields().AppendLine(u"0. Старый вопрос");
        w.qlist->SelectLine(0);
        const QString path = m_dir->filePath(name);
        QuestionBase other;
        other.AppendRecord({u"4", u"В файле", {u"1", u"2", u"3", u"4", u"5"}, u"4"});
        const QByteArray old = BytesOf(other);
        if (kind != 0) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (kind == 1) {
            holder = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            QVERIFY(holder != INVALID_HANDLE_VALUE);
        }
        if (kind == 2)
            QVERIFY(::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
        const QString title = w.windowTitle();
        const QString log = w.mLog->toPlainText();
        const QByteArray before = BytesOf(w.Base());

        (save ? m_save : m_open)->answers << path;
        QTest::mouseClick(save ? w.btnSave : w.btnLoad, Qt::LeftButton);
        if (holder != INVALID_HANDLE_VALUE)
            ::CloseHandle(holder);

        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(QString::fromStdU16String(m_harness->errors.first()), message.arg(path));
        QCOMPARE(BytesOf(w.Base()), before);
        QCOMPARE(w.qlist->Lines()->Count(), 1);
        QCOMPARE(w.qlist->SelectedLine(), 0);
        QCOMPARE(w.mLog->toPlainText(), log);
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(ReadAll(path), kind != 0 ? old : QByteArray("<missing>"));
        QCOMPARE(QDir(m_dir->path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 kind != 0 ? QStringList{name} : QStringList{});
        if (kind == 2) {
            // Still read: read-only keeps nobody from loading it.
            m_open->answers << path;
            QTest::mouseClick(w.btnLoad, Qt::LeftButton);
            QCOMPARE(m_harness->errors.size(), 1);
            QCOMPARE(BytesOf(w.Base()), old);
            ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }

private:
    QString LastLog() const { return m_harness->window->mLog->toPlainText().split(u'\n').last(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<WindowHarness> m_harness;
    ScriptedDialog* m_open = nullptr;
    ScriptedDialog* m_save = nullptr;
};

QTEST_MAIN(LoadSaveWindowsTest)
#include "LoadSaveWindowsTest.moc"
