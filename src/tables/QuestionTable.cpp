#include "QuestionTable.h"

#include "QtText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

Finding AtLine(int line, const QString& message)
{
    Finding finding;
    finding.line = line;
    finding.message = FromQ(message);
    return finding;
}

Finding AtPlace(const QString& place, const QString& message)
{
    Finding finding;
    finding.place = FromQ(place);
    finding.message = FromQ(message);
    return finding;
}

const char* const JsonKeys[] = {"round", "question", "answers", "correct"};

QString JsonText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::fabs(number) < 1e15)
            return QString::number(static_cast<qint64>(number));
        return QString::number(number);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QStringLiteral("[...]");
    case QJsonValue::Object:
        return QStringLiteral("{...}");
    default:
        return QString();
    }
}

Finding AtOffset(QByteArrayView bytes, qsizetype offset, const QString& message)
{
    offset = std::min(offset, bytes.size());
    const QByteArrayView before = bytes.first(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    Finding finding = AtLine(int(before.count('\n') + 1), message);
    finding.column = int(QString::fromUtf8(before.sliced(lineStart)).size() + 1);
    return finding;
}

// Qt's JSON reader takes a U+FEFF in UTF-8 at the start of a string for a
// byte-order mark and drops it; as the escape "\ufeff" it keeps it. Outside
// strings these bytes are no valid JSON either way, and UTF-8 holds them
// nowhere but as this one character.
const QByteArray RawFeff = "\xEF\xBB\xBF";
const QByteArray EscapedFeff = "\\ufeff";

} // namespace

QuestionRows ReadJsonQuestions(QByteArrayView bytes)
{
    QuestionRows result;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QByteArray text = bytes.toByteArray();
    if (text.contains(RawFeff))
        text.replace(RawFeff, EscapedFeff);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        result.findings.push_back(AtOffset(text, error.offset, error.errorString()));
        return result;
    }
    if (!document.isArray()) {
        result.findings.push_back(AtLine(1, QStringLiteral("the file holds no JSON array of questions")));
        return result;
    }
    result.answerKey = AnswerKey{u"answers[", u"]"};
    const QJsonArray items = document.array();
    result.rows.reserve(std::size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString place = QStringLiteral("item %1").arg(i + 1);
        if (!items[i].isObject()) {
            result.findings.push_back(AtPlace(place, QStringLiteral("not an object")));
            continue;
        }
        const QJsonObject item = items[i].toObject();
        bool unknown = false;
        for (auto key = item.constBegin(); key != item.constEnd(); ++key) {
            if (std::find_if(std::begin(JsonKeys), std::end(JsonKeys), [&](const char* known) {
                    return key.key() == QLatin1String(known);
                }) == std::end(JsonKeys)) {
                result.findings.push_back(
                    AtPlace(place, QStringLiteral("unknown key \"%1\" (the keys are round, question, "
                                                  "answers and correct)")
                                       .arg(key.key())));
                unknown = true;
            }
        }
        if (unknown)
            continue;
        QuestionRow row;
        row.place = FromQ(place);
        row.round = FromQ(JsonText(item.value(QLatin1String("round"))).trimmed());
        row.question = FromQ(JsonText(item.value(QLatin1String("question"))));
        row.correct = FromQ(JsonText(item.value(QLatin1String("correct"))).trimmed());
        const QJsonValue answers = item.value(QLatin1String("answers"));
        if (!answers.isArray() && !answers.isUndefined()) {
            result.findings.push_back(AtPlace(place, QStringLiteral("\"answers\" is not an array")));
            continue;
        }
        const QJsonArray list = answers.toArray();
        if (list.size() > AnswerCount) {
            result.findings.push_back(AtPlace(
                place, QStringLiteral("%1 answers, at most %2 fit").arg(list.size()).arg(AnswerCount)));
            continue;
        }
        for (qsizetype n = 0; n < list.size(); ++n)
            row.answers[std::size_t(n)] = FromQ(JsonText(list[n]));
        result.rows.push_back(std::move(row));
    }
    return result;
}
