#include "app/ShowException.h"
#include "text/Error.h"

#include <QApplication>
#include <QTest>

#include <stdexcept>

using namespace vt;

class ShowExceptionTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_shown.clear();
        m_previous = SetMessageBoxFunction([this](const QString& caption, const QString& text) {
            m_shown << caption << text;
        });
    }
    void cleanup() { SetMessageBoxFunction(m_previous); }

    void showsTheInnermostMessageWithAFullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Stream read error" << "Stream read error.";
        QTest::newRow("digit") << "List index out of bounds (-1)" << "List index out of bounds (-1)";
        QTest::newRow("digit at end") << "Count 7" << "Count 7.";
        QTest::newRow("question") << "Why?" << "Why?.";
        QTest::newRow("colon") << "Cause:" << "Cause:.";
        QTest::newRow("full stop") << "Done." << "Done.";
        QTest::newRow("bang") << "Stop!" << "Stop!";
        QTest::newRow("quote") << "''x'' is not a valid integer value" << "''x'' is not a valid integer value.";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("cyrillic") << "Ошибка" << "Ошибка.";
    }

    void showsTheInnermostMessageWithAFullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        const std::u16string text(reinterpret_cast<const char16_t*>(message.utf16()), message.size());
        ShowException(std::make_exception_ptr(Error(text)));
        QCOMPARE(m_shown, QStringList({QStringLiteral("Редактор вопросов"), shown}));
    }

    void wrappedErrorsShowTheInnermost()
    {
        auto inner = std::make_exception_ptr(Error(u"Cannot open file \"/x\". No such file or directory"));
        ShowException(std::make_exception_ptr(Error(u"outer", inner)));
        QCOMPARE(m_shown.value(1), QStringLiteral("Cannot open file \"/x\". No such file or directory."));
        m_shown.clear();
        ShowException(std::make_exception_ptr(std::runtime_error("plain")));
        QCOMPARE(m_shown.value(1), QStringLiteral("plain."));
        m_shown.clear();
        ShowException(std::make_exception_ptr(42));
        QCOMPARE(m_shown.value(1), QString());
    }

private:
    QStringList m_shown;
    MessageBoxFunction m_previous;
};

QTEST_MAIN(ShowExceptionTest)
#include "ShowExceptionTest.moc"
