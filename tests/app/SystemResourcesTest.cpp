#include "app/SystemResources.h"

#include <QCoreApplication>
#include <QTest>

using namespace vt;

class SystemResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    // Under a Russian locale the toolkit's dialogs and buttons are Russian;
    // a language without a translation leaves them in English.
    void toolkitSpeaksTheLocalesLanguage()
    {
        QVERIFY(!LoadToolkitTranslations(QLocale(QLocale::C)));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));

        QVERIFY2(LoadToolkitTranslations(QLocale(QStringLiteral("ru_RU"))),
                 "no qtbase_ru.qm: install the Debian package qt6-translations-l10n");
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Перейти к:"));
        // The message box's buttons; the toolkit's Russian keeps "OK" as it is.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    }
};

QTEST_MAIN(SystemResourcesTest)
#include "SystemResourcesTest.moc"
