#include "QuestionTable.h"

#include "QtText.h"

#include "CsvFile.h"
#include "CsvFormat.h"
#include "IntText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
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

bool ColumnRequired(int column)
{
    return column == ColRound || column == ColQuestion || column == ColCorrect || column == ColAnswer0 ||
           column == ColAnswer0 + 1;
}

int ColumnOfName(const QString& name)
{
    const QString key = name.trimmed().toLower();
    for (int c = 0; c < ColumnCount; ++c)
        if (key == QLatin1String(CsvColumnNames[c].data(), qsizetype(CsvColumnNames[c].size())))
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
    QStringList names;
    for (std::string_view name : CsvColumnNames)
        names << QString::fromUtf8(name);
    return names.join(QLatin1Char(','));
}

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

Finding NotUtf8(int line)
{
    return AtLine(line, QStringLiteral("the text is not UTF-8 (save the table as CSV in UTF-8)"));
}

QString FieldCount(qsizetype fields, qsizetype columns)
{
    return ToQ(Counted(fields, u"field", u"fields") + u", but the header row names " +
               Counted(columns, u"column", u"columns"));
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

QuestionRows ReadCsvQuestions(QByteArrayView bytes)
{
    QuestionRows result;
    bytes = WithoutBom(bytes);
    const CsvTable table = ParseCsv(bytes, DetectDelimiter(FirstLine(bytes)));
    if (table.records.empty()) {
        result.findings.push_back(
            table.failure.isEmpty()
                ? AtLine(1, QStringLiteral("no header row; the first line names the columns ") + ColumnList())
                : AtLine(table.failureLine, table.failure));
        return result;
    }

    const CsvRecord& header = table.records.front();
    if (header.badUtf8) {
        result.findings.push_back(NotUtf8(header.line));
        return result;
    }
    std::optional<int> columnAt[ColumnCount]; // field index of each known column
    for (int i = 0; i < header.fields.size(); ++i) {
        const int column = ColumnOfName(header.fields[i]);
        if (column < 0)
            continue;
        if (columnAt[column])
            result.findings.push_back(
                AtLine(header.line, QStringLiteral("the column \"%1\" is named twice")
                                        .arg(QLatin1String(CsvColumnNames[column].data(),
                                                           qsizetype(CsvColumnNames[column].size())))));
        columnAt[column] = i;
    }
    QStringList missing;
    for (int c = 0; c < ColumnCount; ++c)
        if (ColumnRequired(c) && !columnAt[c])
            missing << QLatin1String(CsvColumnNames[c].data(), qsizetype(CsvColumnNames[c].size()));
    if (!missing.isEmpty())
        result.findings.push_back(
            AtLine(header.line, QStringLiteral("the header row lacks %1 (the columns are "
                                               "%2; answer2 to answer4 may be left out)")
                                    .arg(missing.join(QLatin1String(", ")), ColumnList())));
    if (!result.findings.empty())
        return result;

    result.answerKey = AnswerKey{u"column answer", u""};
    auto field = [](const CsvRecord& record, const std::optional<int>& at) {
        return at ? record.fields[*at] : QString();
    };
    result.rows.reserve(table.records.size() - 1);
    for (std::size_t r = 1; r < table.records.size(); ++r) {
        const CsvRecord& record = table.records[r];
        if (AllBlank(record.fields))
            continue;
        if (record.badUtf8) {
            result.findings.push_back(NotUtf8(record.line));
            continue;
        }
        // Blank cells after the last column are what some spreadsheets write.
        if (record.fields.size() < header.fields.size() ||
            (record.fields.size() > header.fields.size() &&
             !AllBlank(record.fields.mid(header.fields.size())))) {
            result.findings.push_back(
                AtLine(record.line, FieldCount(record.fields.size(), header.fields.size())));
            continue;
        }
        QuestionRow row;
        row.place = u"line " + Decimal(record.line);
        row.line = record.line;
        row.round = FromQ(field(record, columnAt[ColRound]).trimmed());
        row.question = FromQ(field(record, columnAt[ColQuestion]));
        for (int n = 0; n < AnswerCount; ++n)
            row.answers[std::size_t(n)] = FromQ(field(record, columnAt[ColAnswer0 + n]));
        row.correct = FromQ(field(record, columnAt[ColCorrect]).trimmed());
        result.rows.push_back(std::move(row));
    }
    if (!table.failure.isEmpty())
        result.findings.push_back(AtLine(table.failureLine, table.failure));
    return result;
}

QuestionRows ReadJsonQuestions(QByteArrayView bytes)
{
    QuestionRows result;
    bytes = WithoutBom(bytes);
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

BuiltBase BuildBaseFromTable(QByteArrayView content, TableFormat format)
{
    const QuestionRows rows =
        format == TableFormat::Json ? ReadJsonQuestions(content) : ReadCsvQuestions(content);
    BuiltBase built = BuildQuestionBase(rows.rows, rows.answerKey);
    built.findings.insert(built.findings.begin(), rows.findings.begin(), rows.findings.end());
    if (!built.findings.empty())
        built.base.Clear();
    return built;
}
