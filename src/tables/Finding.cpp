#include "Finding.h"

QString Finding::Text(const QString& file) const
{
    QString text = file;
    if (line > 0) {
        text += u':' + QString::number(line);
        if (column > 0)
            text += u':' + QString::number(column);
    } else if (!place.isEmpty()) {
        text += QStringLiteral(": ") + place;
    }
    return text + QStringLiteral(": ") + message;
}

QString Counted(qsizetype count, const QString& singular, const QString& plural)
{
    return QString::number(count) + u' ' + (count == 1 ? singular : plural);
}
