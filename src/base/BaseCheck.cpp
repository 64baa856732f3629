#include "base/BaseCheck.h"

#include "base/BaseFormat.h"
#include "base/QuestionCheck.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {

std::u16string QuestionPlace(int k)
{
    return u"question " + Decimal(k);
}

// The place of the next question after the one `place` names: its number,
// the digits at the end, counted up by one.
void CountUp(std::u16string& place)
{
    std::size_t at = place.size();
    while (at > 0 && place[at - 1] == u'9')
        place[--at] = u'0';
    if (at > 0 && place[at - 1] >= u'0' && place[at - 1] <= u'8')
        ++place[at - 1];
    else
        place.insert(at, 1, u'1');
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

Finding AtQuestion(int k, std::u16string message)
{
    Finding finding;
    finding.question = k;
    finding.place = QuestionPlace(k);
    finding.message = std::move(message);
    return finding;
}

Finding AtHeader(std::u16string message)
{
    Finding finding;
    finding.place = u"header";
    finding.message = std::move(message);
    return finding;
}

std::u16string Bytes(std::uint64_t count)
{
    return Counted(std::int64_t(count), u"byte", u"bytes");
}

} // namespace

BaseCheckReport CheckBaseFile(InputStream& in)
{
    BaseCheckReport report;
    // The editor's own reader, so that the check sees what a load sees.
    BaseReader reader(in);
    report.headerCount = reader.HeaderCount();
    if (report.headerCount < 0)
        report.findings.push_back(AtHeader(u"the count " + Decimal(report.headerCount) +
                                           u" is negative; the editor reads no question"));

    RowChecker checker(false);
    // The header's five digits bound the count.
    checker.Reserve(std::size_t(std::max(report.headerCount, 0)));
    RecordTexts texts;
    std::u16string place = QuestionPlace(0);
    while (reader.NextTexts(texts)) {
        // The texts stay where the reader decoded them.
        const int k = reader.RecordsRead() - 1;
        if (k > 0)
            CountUp(place);
        QuestionRowView row{place, 0,   k, texts[FieldRound], texts[FieldQuestion], {}, texts[FieldCorrect],
                            {},    true};
        std::copy_n(texts.begin() + FieldAnswer0, AnswerCount, row.answers.begin());
        checker.Check(row, report.findings);
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
        report.findings.push_back(
            AtQuestion(k, u"stream read error: the header promises " +
                              Counted(report.headerCount, u"question", u"questions") + u", the file holds " +
                              Counted(k, u"complete record", u"complete records") +
                              (got > 0 ? u" and " + Bytes(got) + u" of another" : std::u16string())));
    } else {
        // Bounded: at most what a full base file holds is ever counted.
        const std::uint64_t extra = CountRemainingBytes(in);
        if (extra > 0 && report.questionCount > 0)
            report.findings.push_back(
                AtQuestion(report.questionCount - 1,
                           Bytes(extra) + u" after the last record, which the editor ignores"));
        else if (extra > 0)
            report.findings.push_back(
                AtHeader(Bytes(extra) + u" after the header of an empty base, which the editor ignores"));
    }
    return report;
}

} // namespace vt
