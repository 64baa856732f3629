#include "BaseCheck.h"

#include "BaseFormat.h"
#include "QtEdge.h"
#include "QuestionCheck.h"

#include <vector>

namespace {

QuestionRow RowOf(int k, const QuestionRecord& record)
{
    QuestionRow row;
    row.place = QStringLiteral("question %1").arg(k);
    row.number = k;
    row.round = ToQ(record.round);
    row.question = ToQ(record.question);
    for (int n = 0; n < AnswerCount; ++n)
        row.answers[std::size_t(n)] = ToQ(record.answers[std::size_t(n)]);
    row.correct = ToQ(record.correct);
    return row;
}

// The bytes after the last record, counted up to the size of a full base
// file, so that an endless input (a device, a pipe) ends the count too.
std::uint64_t CountRemainingBytes(InputStream& in)
{
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint64_t total = 0;
    for (std::size_t got; total <= MaxBaseFileBytes && (got = in.Read(buffer.data(), buffer.size())) > 0;)
        total += got;
    return total;
}

Finding AtQuestion(int k, const QString& message)
{
    Finding finding;
    finding.question = k;
    finding.place = QStringLiteral("question %1").arg(k);
    finding.message = message;
    return finding;
}

Finding AtHeader(const QString& message)
{
    Finding finding;
    finding.place = QStringLiteral("header");
    finding.message = message;
    return finding;
}

QString Questions(qsizetype count)
{
    return Counted(count, QStringLiteral("question"), QStringLiteral("questions"));
}

} // namespace

BaseCheckReport CheckBaseFile(InputStream& in)
{
    BaseCheckReport report;
    // The editor's own reader, so that the check sees what a load sees.
    BaseReader reader(in);
    report.headerCount = reader.HeaderCount();
    if (report.headerCount < 0)
        report.findings.push_back(
            AtHeader(QStringLiteral("the count %1 is negative; the editor reads no question")
                         .arg(report.headerCount)));

    RepeatFinder repeats;
    QuestionRecord record;
    while (reader.Next(record)) {
        const int k = reader.RecordsRead() - 1;
        const QuestionRow row = RowOf(k, record);
        CheckQuestionRow(row, report.findings);
        repeats.Check(row, report.findings);
        const int round = RoundOfText(row.round);
        if (round > 0)
            ++report.perRound[std::size_t(round - 1)];
        else
            ++report.otherRounds;
        ++report.questionCount;
    }

    if (reader.CutShort()) {
        const int k = reader.RecordsRead();
        const std::size_t got = reader.ShortBytes();
        report.findings.push_back(AtQuestion(
            k, QStringLiteral("stream read error: the header promises %1, the file holds %2%3")
                   .arg(Questions(report.headerCount))
                   .arg(Counted(k, QStringLiteral("complete record"), QStringLiteral("complete records")))
                   .arg(got > 0 ? QStringLiteral(" and %1 of another")
                                      .arg(Counted(qsizetype(got), QStringLiteral("byte"),
                                                   QStringLiteral("bytes")))
                                : QString())));
    } else {
        // Bounded: at most what a full base file holds is ever counted.
        const std::uint64_t extra = CountRemainingBytes(in);
        const QString bytes = Counted(qsizetype(extra), QStringLiteral("byte"), QStringLiteral("bytes"));
        if (extra > 0 && report.questionCount > 0)
            report.findings.push_back(
                AtQuestion(report.questionCount - 1,
                           QStringLiteral("%1 after the last record, which the editor ignores").arg(bytes)));
        else if (extra > 0)
            report.findings.push_back(AtHeader(
                QStringLiteral("%1 after the header of an empty base, which the editor ignores").arg(bytes)));
    }
    return report;
}
