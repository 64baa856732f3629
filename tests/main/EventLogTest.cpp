#include "main/EventLog.h"

#include <QTest>

using namespace vt;

class EventLogTest : public QObject
{
    Q_OBJECT

private slots:
    void formatsTheTime_data()
    {
        QTest::addColumn<LongTimeFormat>("format");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("expected");

        LongTimeFormat h24;
        h24.twelveHour = false;
        LongTimeFormat h24zero = h24;
        h24zero.leadingZero = true;
        LongTimeFormat h12;
        h12.am = QStringLiteral("AM");
        h12.pm = QStringLiteral("PM");
        LongTimeFormat h12first = h12;
        h12first.designatorFirst = true;
        LongTimeFormat dotted = h24;
        dotted.hourSeparator = QStringLiteral(".");
        dotted.minuteSeparator = QStringLiteral(".");

        QTest::newRow("24h") << h24 << QTime(9, 5, 7) << "9:05:07";
        QTest::newRow("24h evening") << h24 << QTime(23, 59, 59, 999) << "23:59:59";
        QTest::newRow("24h leading zero") << h24zero << QTime(9, 5, 7) << "09:05:07";
        QTest::newRow("24h midnight") << h24zero << QTime(0, 0, 5) << "00:00:05";
        QTest::newRow("12h midnight") << h12 << QTime(0, 0, 5) << "12:00:05 AM";
        QTest::newRow("12h one pm") << h12 << QTime(13, 0, 0) << "1:00:00 PM";
        QTest::newRow("12h noon") << h12 << QTime(12, 30, 0) << "12:30:00 PM";
        QTest::newRow("designator first") << h12first << QTime(13, 0, 0) << "PM 1:00:00";
        QTest::newRow("separator") << dotted << QTime(7, 8, 9) << "7.08.09";
        QTest::newRow("fallbacks") << LongTimeFormat{} << QTime(0, 0, 5) << "12:00:05 am";
    }

    void formatsTheTime()
    {
        QFETCH(LongTimeFormat, format);
        QFETCH(QTime, time);
        QFETCH(QString, expected);
        QCOMPARE(FormatLogTime(time, format), expected);
    }

    void readsRegionalSettings()
    {
        const LongTimeFormat us = LongTimeFormatOf(QLocale(QStringLiteral("en_US")));
        QVERIFY(us.twelveHour);
        QVERIFY(!us.leadingZero);
        QVERIFY(!us.designatorFirst);
        QCOMPARE(us.am, QStringLiteral("AM"));

        const LongTimeFormat de = LongTimeFormatOf(QLocale(QStringLiteral("de_DE")));
        QVERIFY(!de.twelveHour);
        QVERIFY(de.leadingZero);

        const LongTimeFormat ko = LongTimeFormatOf(QLocale(QStringLiteral("ko_KR")));
        QVERIFY(ko.twelveHour);
        QVERIFY(ko.designatorFirst);
        QCOMPARE(ko.pm, QStringLiteral("오후"));
    }

    // Each separator comes from the region's own long format: the one after
    // the minutes is not a copy of the one after the hours, and a region that
    // writes a sign after the hours and minutes writes one after the seconds.
    void stampsUseEachSeparatorOfTheRegion_data()
    {
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fr_CA") << "fr_CA" << QStringLiteral("09 h 05 min 06 s");
        QTest::newRow("ja_JP") << "ja_JP" << QStringLiteral("9時05分06秒");
        QTest::newRow("ko_KR") << "ko_KR" << QStringLiteral("오전 9시 05분 06초");
        QTest::newRow("bg_BG") << "bg_BG" << QStringLiteral("9:05:06 ч.");
        QTest::newRow("th_TH") << "th_TH" << QStringLiteral("9 นาฬิกา 05 นาที 06 วินาที");
        // The zone and the bracket that opens it are left out.
        QTest::newRow("es_ES") << "es_ES" << QStringLiteral("9:05:06");
        QTest::newRow("fi_FI") << "fi_FI" << QStringLiteral("9.05.06");
        QTest::newRow("en_US") << "en_US" << QStringLiteral("9:05:06 AM");
        QTest::newRow("sq_AL") << "sq_AL" << QStringLiteral("9:05:06 e paradites");
    }

    void stampsUseEachSeparatorOfTheRegion()
    {
        QFETCH(QString, region);
        QFETCH(QString, expected);
        QCOMPARE(FormatLogTime(QTime(9, 5, 6), LongTimeFormatOf(QLocale(region))), expected);
    }
};

QTEST_MAIN(EventLogTest)
#include "EventLogTest.moc"
