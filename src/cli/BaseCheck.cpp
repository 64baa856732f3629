#include "BaseCheck.h"

#include "BaseFile.h"
#include "QuestionCheck.h"

#include <vector>

namespace {

std::u16string CodeUnits(const std::uint8_t* bytes, std::size_t count)
{
    std::u16string text(count / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

QuestionRow RowOf(int k, const QuestionRecord& record)
{
    QuestionRow row;
    row.place = QStringLiteral("question %1").arg(k);
    row.round = QString::fromStdU16String(record.round);
    row.question = QString::fromStdU16String(record.question);
    for (int n = 0; n < AnswerCount; ++n)
        row.answers[std::size_t(n)] = QString::fromStdU16String(record.answers[std::size_t(n)]);
    row.correct = QString::fromStdU16String(record.correct);
    return row;
}

std::uint64_t CountRemainingBytes(InputStream& in)
{
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint64_t total = 0;
    for (std::size_t got; (got = in.Read(buffer.data(), buffer.size())) > 0;)
        total += got;
    return total;
}

} // namespace

BaseCheckReport CheckBaseFile(InputStream& in)
{
    BaseCheckReport report;

    // As the editor: what a short file does not deliver stays blank.
    std::uint8_t header[BaseHeaderBytes];
    for (std::size_t i = 0; i < BaseHeaderBytes; i += 2) {
        header[i] = 0x20;
        header[i + 1] = 0x00;
    }
    in.Read(header, BaseHeaderBytes);
    report.headerCount = DecodeHeader(CodeUnits(header, BaseHeaderBytes));
    if (report.headerCount < 0)
        report.findings << QStringLiteral("header: the count %1 is negative; the editor reads no question")
                               .arg(report.headerCount);

    RepeatFinder repeats;
    std::vector<std::uint8_t> record(BaseRecordBytes);
    bool complete = true;
    for (int k = 0; k < report.headerCount; ++k) {
        const std::size_t got = in.Read(record.data(), BaseRecordBytes);
        if (got < BaseRecordBytes) {
            report.findings << QStringLiteral(
                                   "question %1: Stream read error: the header promises %2 questions, "
                                   "the file holds %3 complete records%4")
                                   .arg(k)
                                   .arg(report.headerCount)
                                   .arg(k)
                                   .arg(got > 0 ? QStringLiteral(" and %1 bytes of another").arg(got)
                                                : QString());
            complete = false;
            break;
        }
        const QuestionRow row = RowOf(k, DecodeRecord(CodeUnits(record.data(), BaseRecordBytes)));
        CheckQuestionRow(row, report.findings);
        repeats.Check(row, report.findings);
        const int round = RoundOfText(row.round);
        if (round > 0)
            ++report.perRound[std::size_t(round - 1)];
        else
            ++report.otherRounds;
        ++report.questionCount;
    }

    if (complete) {
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
