#include "Finding.h"

#include "QtEdge.h"
#include "Utf.h"

namespace {

/** A message may quote a file's content: it must not forge a line of output. */
QString Shown(const QString& text)
{
    return ToQ(ShownText(FromQ(text)));
}

} // namespace

QString Finding::Text(const QString& file) const
{
    QString text = file;
    if (line > 0) {
        text += u':' + QString::number(line);
        if (column > 0)
            text += u':' + QString::number(column);
    } else if (!place.isEmpty()) {
        text += QStringLiteral(": ") + Shown(place);
    }
    return text + QStringLiteral(": ") + Shown(message);
}

QString Counted(qsizetype count, const QString& singular, const QString& plural)
{
    return QString::number(count) + u' ' + (count == 1 ? singular : plural);
}
