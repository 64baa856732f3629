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

} // namespace

BaseCheckReport CheckBaseFile(InputStream& in)
{
    BaseCheckReport report;
    // The editor's own reader, so that the check sees what a load sees.
    BaseReader reader(in);
    report.headerCount = reader.HeaderCount();
    if (report.headerCount < 0)
        report.findings << QStringLiteral("header: the count %1 is negative; the editor reads no question")
                               .arg(report.headerCount);

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
        report.findings << QStringLiteral("question %1: Stream read error: the header promises %2 questions, "
                                          "the file holds %3 complete records%4")
                               .arg(k)
                               .arg(report.headerCount)
                               .arg(k)
                               .arg(got > 0 ? QStringLiteral(" and %1 bytes of another").arg(got)
                                            : QString());
    } else {
        // Bounded: at most what a full base file holds is ever counted.
        const std::uint64_t extra = CountRemainingBytes(in);
        if (extra > 0)
            report.findings
                << (report.questionCount > 0
                        ? QStringLiteral("question %1: %2 bytes follow the last record; the editor "
                                         "ignores them")
                              .arg(report.questionCount - 1)
                        : QStringLiteral("header: %1 bytes follow the header of an empty base; the "
                                         "editor ignores them"))
                       .arg(extra);
    }
    return report;
}
