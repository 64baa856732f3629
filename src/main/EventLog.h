#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

namespace vt {

/** The pieces of the user's long time format that the event log shows. The
 *  defaults are what is used where a setting cannot be read. */
struct LongTimeFormat
{
    bool leadingZero = false;
    bool twelveHour = true;
    QString am = QStringLiteral("am");
    QString pm = QStringLiteral("pm");
    bool designatorFirst = false;
    // Between hours and minutes, and between minutes and seconds; a region
    // may use different texts for the two (" h " and " min " in fr_CA).
    QString hourSeparator = QStringLiteral(":");
    QString minuteSeparator = QStringLiteral(":");
    // The sign after the seconds, where the region writes one ("초", "秒",
    // " s"); empty where the seconds end the time.
    QString secondsSign;

    bool operator==(const LongTimeFormat&) const = default;
};

/** Reads the long time format from a locale's settings. */
LongTimeFormat LongTimeFormatOf(const QLocale& locale);

/** Hours, minutes and whole seconds of t in the given format, with the
 *  designator on a 12-hour clock. Fractions of a second are dropped. */
QString FormatLogTime(const QTime& t, const LongTimeFormat& format);

} // namespace vt
