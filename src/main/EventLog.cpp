#include "main/EventLog.h"

namespace vt {

namespace {

// One field of a QLocale time format: a run of the same letter, or literal
// text between fields (quoted text unquoted).
struct Token
{
    QChar letter; // 0 for literal text
    int length = 0;
    QString literal;
};

// Only Latin letters are fields; other letters, such as the CJK hour and
// minute signs, are literal text.
bool IsPatternLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QList<Token> Tokenize(const QString& format)
{
    QList<Token> tokens;
    int i = 0;
    const int n = static_cast<int>(format.size());
    while (i < n) {
        const QChar c = format[i];
        if (c == u'\'') {
            QString text;
            ++i;
            while (i < n) {
                if (format[i] == u'\'') {
                    if (i + 1 < n && format[i + 1] == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += format[i++];
            }
            if (!tokens.isEmpty() && tokens.last().letter.isNull())
                tokens.last().literal += text;
            else
                tokens.append({QChar(), 0, text});
        } else if (IsPatternLetter(c)) {
            int run = 1;
            while (i + run < n && format[i + run] == c)
                ++run;
            tokens.append({c, run, {}});
            i += run;
        } else {
            if (!tokens.isEmpty() && tokens.last().letter.isNull())
                tokens.last().literal += c;
            else
                tokens.append({QChar(), 0, QString(c)});
            ++i;
        }
    }
    return tokens;
}

bool IsHour(const Token& t)
{
    return t.letter == u'h' || t.letter == u'H';
}
bool IsDesignator(const Token& t)
{
    return t.letter == u'a' || t.letter == u'A';
}

// The literal text that closes the time after the seconds field: the unit
// sign of regions that write one after every number. Text before the
// designator is the blank the stamp puts there itself, and the time zone
// with the blank or bracket that opens it is not part of the stamp.
QString SignAfterSeconds(const QList<Token>& tokens, int second)
{
    if (second < 0 || second + 1 >= tokens.size() || !tokens[second + 1].letter.isNull())
        return {};
    if (second + 2 < tokens.size() && IsDesignator(tokens[second + 2]))
        return {};
    QString sign = tokens[second + 1].literal;
    while (!sign.isEmpty() && (sign.back().isSpace() || sign.back() == u'(' || sign.back() == u'[' ||
                               sign.back() == u'{' || sign.back() == u','))
        sign.chop(1);
    return sign;
}

} // namespace

LongTimeFormat LongTimeFormatOf(const QLocale& locale)
{
    LongTimeFormat result;
    const QList<Token> tokens = Tokenize(locale.timeFormat(QLocale::LongFormat));
    int hour = -1;
    int designator = -1;
    for (int i = 0; i < tokens.size(); ++i) {
        if (hour < 0 && IsHour(tokens[i]))
            hour = i;
        if (designator < 0 && IsDesignator(tokens[i]))
            designator = i;
    }
    if (hour < 0)
        return result; // nothing readable: keep every fallback

    result.leadingZero = tokens[hour].length >= 2;
    result.twelveHour = designator >= 0;
    result.designatorFirst = designator >= 0 && designator < hour;
    // The separator after a field is the literal text between it and the next one.
    const auto separatorAfter = [&tokens](int field, QChar next, QString& separator) {
        if (field >= 0 && field + 2 < tokens.size() && tokens[field + 1].letter.isNull() &&
            tokens[field + 2].letter == next && !tokens[field + 1].literal.isEmpty())
            separator = tokens[field + 1].literal;
    };
    separatorAfter(hour, u'm', result.hourSeparator);
    int minute = -1;
    for (int i = hour + 1; i < tokens.size() && minute < 0; ++i) {
        if (tokens[i].letter == u'm')
            minute = i;
    }
    separatorAfter(minute, u's', result.minuteSeparator);
    int second = -1;
    for (int i = minute + 1; minute >= 0 && i < tokens.size() && second < 0; ++i) {
        if (tokens[i].letter == u's')
            second = i;
    }
    result.secondsSign = SignAfterSeconds(tokens, second);
    if (!locale.amText().isEmpty())
        result.am = locale.amText();
    if (!locale.pmText().isEmpty())
        result.pm = locale.pmText();
    return result;
}

QString FormatLogTime(const QTime& t, const LongTimeFormat& format)
{
    int hour = t.hour();
    if (format.twelveHour) {
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    QString time = format.leadingZero ? two(hour) : QString::number(hour);
    time += format.hourSeparator + two(t.minute()) + format.minuteSeparator + two(t.second()) +
            format.secondsSign;
    if (!format.twelveHour)
        return time;
    const QString& designator = t.hour() < 12 ? format.am : format.pm;
    return format.designatorFirst ? designator + u' ' + time : time + u' ' + designator;
}

} // namespace vt
