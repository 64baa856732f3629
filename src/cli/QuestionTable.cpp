#include "QuestionTable.h"

#include "QtEdge.h"

#include "CsvFile.h"
#include "IntText.h"
#include "QuestionCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <optional>

namespace {

enum Column
{
    ColRound,
    ColQuestion,
    ColAnswer0,
    ColCorrect = ColAnswer0 + AnswerCount,
    ColumnCount
};

const char* const ColumnNames[ColumnCount] = {"round",   "question", "answer0", "answer1",
                                              "answer2", "answer3",  "answer4", "correct"};

bool ColumnRequired(int column)
{
    return column == ColRound || column == ColQuestion || column == ColCorrect || column == ColAnswer0 ||
           column == ColAnswer0 + 1;
}

int ColumnOfName(const QString& name)
{
    const QString key = name.trimmed().toLower();
    for (int c = 0; c < ColumnCount; ++c)
        if (key == QLatin1String(ColumnNames[c]))
            return c;
    return -1;
}

// The delimiter under which the first line names the most known columns.
char DetectDelimiter(QByteArrayView headerLine)
{
    char best = ',';
    int bestScore = 0;
    for (char candidate : {',', ';', '\t'}) {
        const CsvTable table = ParseCsv(headerLine, candidate);
        if (table.records.empty())
            continue;
        int score = 0;
        for (const QString& name : table.records.front().fields)
            score += ColumnOfName(name) >= 0 ? 1 : 0;
        if (score > bestScore) {
            best = candidate;
            bestScore = score;
        }
    }
    return best;
}

bool AllBlank(const QStringList& fields)
{
    for (const QString& field : fields)
        if (!field.trimmed().isEmpty())
            return false;
    return true;
}

QString ColumnList()
{
    return CsvColumnNames().join(QLatin1Char(','));
}

QString NotUtf8(int line)
{
    return QStringLiteral("line %1: the text is not UTF-8 (save the table as CSV in UTF-8)").arg(line);
}

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

QString LineAndColumn(QByteArrayView bytes, qsizetype offset)
{
    offset = std::min(offset, bytes.size());
    const QByteArrayView before = bytes.first(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    return QStringLiteral("line %1, column %2")
        .arg(before.count('\n') + 1)
        .arg(QString::fromUtf8(before.sliced(lineStart)).size() + 1);
}

QJsonValue NumberOrText(const std::u16string& text)
{
    std::int32_t value = 0;
    if (TryStrToInt(text, value))
        return QJsonValue(value);
    return QJsonValue(ToQ(text));
}

} // namespace

QStringList CsvColumnNames()
{
    QStringList names;
    for (const char* name : ColumnNames)
        names << QLatin1String(name);
    return names;
}

int ExportedAnswerCount(const QString& round)
{
    const int used = AnswersOfRound(RoundOfText(round));
    return used == 0 ? AnswerCount : used;
}

QuestionRows ReadCsvQuestions(QByteArrayView bytes)
{
    QuestionRows result;
    bytes = WithoutBom(bytes);
    const CsvTable table = ParseCsv(bytes, DetectDelimiter(FirstLine(bytes)));
    if (table.records.empty()) {
        result.findings << (table.failure.isEmpty()
                                ? QStringLiteral("line 1: no header row; the first line names the columns ") +
                                      ColumnList()
                                : table.failure);
        return result;
    }

    const CsvRecord& header = table.records.front();
    if (header.badUtf8) {
        result.findings << NotUtf8(header.line);
        return result;
    }
    std::optional<int> columnAt[ColumnCount]; // field index of each known column
    for (int i = 0; i < header.fields.size(); ++i) {
        const int column = ColumnOfName(header.fields[i]);
        if (column < 0)
            continue;
        if (columnAt[column])
            result.findings << QStringLiteral("line %1: the column \"%2\" is named twice")
                                   .arg(header.line)
                                   .arg(QLatin1String(ColumnNames[column]));
        columnAt[column] = i;
    }
    QStringList missing;
    for (int c = 0; c < ColumnCount; ++c)
        if (ColumnRequired(c) && !columnAt[c])
            missing << QLatin1String(ColumnNames[c]);
    if (!missing.isEmpty())
        result.findings << QStringLiteral("line %1: the header row lacks %2 (the columns are %3; answer2 to "
                                          "answer4 may be left out)")
                               .arg(header.line)
                               .arg(missing.join(QLatin1String(", ")), ColumnList());
    if (!result.findings.isEmpty())
        return result;

    auto field = [](const CsvRecord& record, const std::optional<int>& at) {
        return at && *at < record.fields.size() ? record.fields[*at] : QString();
    };
    result.rows.reserve(table.records.size() - 1);
    for (std::size_t r = 1; r < table.records.size(); ++r) {
        const CsvRecord& record = table.records[r];
        if (AllBlank(record.fields))
            continue;
        if (record.badUtf8) {
            result.findings << NotUtf8(record.line);
            continue;
        }
        if (record.fields.size() > header.fields.size() &&
            !AllBlank(record.fields.mid(header.fields.size()))) {
            result.findings << QStringLiteral("line %1: %2 fields, but the header row names %3 columns")
                                   .arg(record.line)
                                   .arg(record.fields.size())
                                   .arg(header.fields.size());
            continue;
        }
        QuestionRow row;
        row.place = QStringLiteral("line %1").arg(record.line);
        row.round = field(record, columnAt[ColRound]).trimmed();
        row.question = field(record, columnAt[ColQuestion]);
        for (int n = 0; n < AnswerCount; ++n)
            row.answers[std::size_t(n)] = field(record, columnAt[ColAnswer0 + n]);
        row.correct = field(record, columnAt[ColCorrect]).trimmed();
        result.rows.push_back(std::move(row));
    }
    if (!table.failure.isEmpty())
        result.findings << table.failure;
    return result;
}

QuestionRows ReadJsonQuestions(QByteArrayView bytes)
{
    QuestionRows result;
    bytes = WithoutBom(bytes);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError) {
        result.findings << LineAndColumn(bytes, error.offset) + QStringLiteral(": ") + error.errorString();
        return result;
    }
    if (!document.isArray()) {
        result.findings << QStringLiteral("line 1: the file holds no JSON array of questions");
        return result;
    }
    const QJsonArray items = document.array();
    result.rows.reserve(std::size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString place = QStringLiteral("item %1").arg(i + 1);
        if (!items[i].isObject()) {
            result.findings << place + QStringLiteral(": not an object");
            continue;
        }
        const QJsonObject item = items[i].toObject();
        QuestionRow row;
        row.place = place;
        row.round = JsonText(item.value(QLatin1String("round"))).trimmed();
        row.question = JsonText(item.value(QLatin1String("question")));
        row.correct = JsonText(item.value(QLatin1String("correct"))).trimmed();
        const QJsonValue answers = item.value(QLatin1String("answers"));
        if (!answers.isArray() && !answers.isUndefined()) {
            result.findings << place + QStringLiteral(": \"answers\" is not an array");
            continue;
        }
        const QJsonArray list = answers.toArray();
        if (list.size() > AnswerCount) {
            result.findings
                << place + QStringLiteral(": %1 answers, at most %2 fit").arg(list.size()).arg(AnswerCount);
            continue;
        }
        for (qsizetype n = 0; n < list.size(); ++n)
            row.answers[std::size_t(n)] = JsonText(list[n]);
        result.rows.push_back(std::move(row));
    }
    return result;
}

QByteArray WriteCsvQuestions(const QuestionBase& base, char delimiter, bool byteOrderMark)
{
    QByteArray out;
    if (byteOrderMark)
        out += "\xEF\xBB\xBF";
    out += CsvColumnNames().join(QLatin1Char(delimiter)).toUtf8();
    out += "\r\n";
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const QuestionRecord record = base.Record(k);
        const QString round = ToQ(record.round);
        const int used = ExportedAnswerCount(round);
        out += CsvField(round, delimiter);
        out += delimiter;
        out += CsvField(ToQ(record.question), delimiter);
        for (int n = 0; n < AnswerCount; ++n) {
            out += delimiter;
            if (n < used)
                out += CsvField(ToQ(record.answers[std::size_t(n)]), delimiter);
        }
        out += delimiter;
        out += CsvField(ToQ(record.correct), delimiter);
        out += "\r\n";
    }
    return out;
}

QByteArray WriteJsonQuestions(const QuestionBase& base)
{
    QJsonArray items;
    for (int k = 0; k < base.QuestionCount(); ++k) {
        const QuestionRecord record = base.Record(k);
        const int used = ExportedAnswerCount(ToQ(record.round));
        QJsonArray answers;
        for (int n = 0; n < used; ++n)
            answers.append(ToQ(record.answers[std::size_t(n)]));
        QJsonObject item;
        item.insert(QLatin1String("round"), NumberOrText(record.round));
        item.insert(QLatin1String("question"), ToQ(record.question));
        item.insert(QLatin1String("answers"), answers);
        item.insert(QLatin1String("correct"), NumberOrText(record.correct));
        items.append(item);
    }
    return QJsonDocument(items).toJson(QJsonDocument::Indented);
}
