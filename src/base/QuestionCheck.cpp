#include "QuestionCheck.h"

namespace {

const std::u16string BarMessage = u"holds a bar \"|\", which a base file cannot store";

bool IsDigitText(std::u16string_view text, char16_t low, char16_t high)
{
    return text.size() == 1 && text[0] >= low && text[0] <= high;
}

std::u16string Quoted(std::u16string_view text)
{
    return u'"' + std::u16string(text) + u'"';
}

} // namespace

Finding FindingAt(const QuestionRow& row, std::u16string message, int field)
{
    Finding finding;
    finding.line = row.line;
    finding.question = row.number;
    if (row.line == 0)
        finding.place =
            field >= 0 && !row.cells[std::size_t(field)].empty() ? row.cells[std::size_t(field)] : row.place;
    finding.message = std::move(message);
    return finding;
}

int RoundOfText(std::u16string_view text)
{
    return IsDigitText(text, u'1', u'5') ? text[0] - u'0' : 0;
}

int AnswerOfText(std::u16string_view text)
{
    return IsDigitText(text, u'0', u'4') ? text[0] - u'0' : -1;
}

int ExportedAnswerCount(std::u16string_view round)
{
    const int used = AnswersOfRound(RoundOfText(round));
    return used == 0 ? AnswerCount : used;
}

void CheckQuestionRow(const QuestionRow& row, Findings& findings)
{
    auto found = [&](int field, std::u16string message) {
        findings.push_back(FindingAt(row, std::move(message), field));
    };
    const int round = RoundOfText(row.round);
    const int used = AnswersOfRound(round);
    if (round == 0)
        found(FieldRound, u"round " + Quoted(row.round) + u" is not 1 to 5");

    if (row.question.empty())
        found(FieldQuestion, u"the question text is empty");
    else if (row.question.size() > QuestionWidth)
        found(FieldQuestion, u"the question text is " + Decimal(std::int64_t(row.question.size())) +
                                 u" code units long, at most " + Decimal(QuestionWidth) + u" fit");
    if (row.question.find(u'|') != std::u16string::npos)
        found(FieldQuestion, u"the question text " + BarMessage);

    for (int n = 0; n < AnswerCount; ++n) {
        const std::u16string& answer = row.answers[std::size_t(n)];
        // Only the answers that the round uses are needed, stored and so
        // limited by the format.
        if (!RoundUsesAnswer(round, n))
            continue;
        if (round != 0 && answer.empty())
            found(FieldAnswer0 + n, u"answer " + Decimal(n) + u" is empty; round " + Decimal(round) +
                                        u" needs answers 0 to " + Decimal(used - 1));
        if (answer.size() > AnswerWidth)
            found(FieldAnswer0 + n, u"answer " + Decimal(n) + u" is " + Decimal(std::int64_t(answer.size())) +
                                        u" code units long, at most " + Decimal(AnswerWidth) + u" fit");
        if (answer.find(u'|') != std::u16string::npos)
            found(FieldAnswer0 + n, u"answer " + Decimal(n) + u' ' + BarMessage);
    }

    const int correct = AnswerOfText(row.correct);
    if (round != 0 && (correct < 0 || correct >= used))
        found(FieldCorrect, u"correct answer " + Quoted(row.correct) + u" is not 0 to " + Decimal(used - 1) +
                                u", the answers of round " + Decimal(round));
    else if (round == 0 && correct < 0)
        found(FieldCorrect, u"correct answer " + Quoted(row.correct) + u" is not 0 to 4");
}

void RowChecker::Check(const QuestionRow& row, Findings& findings)
{
    CheckQuestionRow(row, findings);
    const int first = FindQuestionText(m_rows, row.question);
    if (first >= 0)
        findings.push_back(
            FindingAt(row, u"the question text repeats " + m_places[std::size_t(first)], FieldQuestion));
    m_rows.AppendRecord(
        AddedRecord(row.round, RoundOfText(row.round), row.question, row.answers, row.correct));
    m_places.push_back(row.place);
}

std::u16string AnswerKey::Of(int n) const
{
    return before + Decimal(n) + after;
}

void BaseBuilder::AddInputFinding(Finding finding)
{
    ++m_findingCount;
    if (m_inputFindings.size() < KeptFindings)
        m_inputFindings.push_back(std::move(finding));
}

void BaseBuilder::Add(const QuestionRow& row)
{
    ++m_count;
    Findings found;
    m_checker.Check(row, found);
    // The base stores one blank for each answer its round does not use, so
    // any other text there would be lost; one blank is what it stores anyway.
    const int round = RoundOfText(row.round);
    for (int n = round == 0 ? AnswerCount : AnswersOfRound(round); n < AnswerCount; ++n) {
        const std::u16string& answer = row.answers[std::size_t(n)];
        if (!answer.empty() && answer != UnusedAnswer)
            found.push_back(FindingAt(row,
                                      m_key.Of(n) + u" is filled, but round " + Decimal(round) +
                                          u" uses answers 0 to " + Decimal(AnswersOfRound(round) - 1) +
                                          u" only; the base would lose it",
                                      FieldAnswer0 + n));
    }
    m_findingCount += found.size();
    for (Finding& finding : found)
        if (m_rowFindings.size() < KeptFindings)
            m_rowFindings.push_back(std::move(finding));
}

BuiltBase BaseBuilder::Finish()
{
    BuiltBase built;
    built.findings = std::move(m_inputFindings);
    built.findings.insert(built.findings.end(), std::make_move_iterator(m_rowFindings.begin()),
                          std::make_move_iterator(m_rowFindings.end()));
    built.findingCount = m_findingCount;
    if (Full()) {
        // Reading stops here, so the true count is not known; this finding is
        // shown whatever the others are.
        if (built.findings.size() >= KeptFindings)
            built.findings.resize(KeptFindings - 1);
        Finding finding;
        finding.message = u"more than " + Decimal(MaxBaseQuestions) +
                          u" questions, a base file holds at most " + Decimal(MaxBaseQuestions);
        built.findings.push_back(std::move(finding));
        ++built.findingCount;
    }
    if (built.findings.size() > KeptFindings)
        built.findings.resize(KeptFindings);
    if (built.findings.empty())
        built.base.Swap(m_checker.Rows());
    m_checker = RowChecker();
    m_count = 0;
    m_findingCount = 0;
    return built;
}

BuiltBase BuildQuestionBase(const std::vector<QuestionRow>& rows, const AnswerKey& key)
{
    BaseBuilder builder(key);
    builder.Reserve(rows.size());
    for (const QuestionRow& row : rows)
        builder.Add(row);
    return builder.Finish();
}
