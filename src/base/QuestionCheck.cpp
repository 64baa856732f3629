#include "base/QuestionCheck.h"

#include "base/UnitVector.h"

#include <algorithm>

namespace vt {

namespace {

const std::u16string BarMessage = u"holds a bar \"|\", which a base file cannot store";

// Whether the text holds the format's filler, the bar; every text of every
// row is searched, so eight code units at a time.
bool HoldsBar(std::u16string_view text)
{
    return FindUnit(text.data(), text.size(), u'|') < text.size();
}

bool IsDigitText(std::u16string_view text, char16_t low, char16_t high)
{
    return text.size() == 1 && text[0] >= low && text[0] <= high;
}

std::u16string Quoted(std::u16string_view text)
{
    return u'"' + std::u16string(text) + u'"';
}

} // namespace

QuestionRow::operator QuestionRowView() const noexcept
{
    QuestionRowView view{place, line, number, round, question, {}, correct, {}};
    for (std::size_t n = 0; n < answers.size(); ++n)
        view.answers[n] = answers[n];
    for (std::size_t n = 0; n < cells.size(); ++n)
        view.cells[n] = cells[n];
    return view;
}

Finding FindingAt(const QuestionRowView& row, std::u16string message, int field)
{
    Finding finding;
    finding.line = row.line;
    finding.question = row.number;
    if (row.line == 0)
        finding.place = std::u16string(
            field >= 0 && !row.cells[std::size_t(field)].empty() ? row.cells[std::size_t(field)] : row.place);
    finding.message = std::move(message);
    return finding;
}

std::u16string Trimmed(std::u16string_view text)
{
    const auto blank = [](char16_t c) {
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
               (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
               c == 0x3000;
    };
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return std::u16string(text.substr(start, end - start));
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

void CheckQuestionRow(const QuestionRowView& row, Findings& findings)
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
    if (!row.withoutBars && HoldsBar(row.question))
        found(FieldQuestion, u"the question text " + BarMessage);

    for (int n = 0; n < AnswerCount; ++n) {
        const std::u16string_view answer = row.answers[std::size_t(n)];
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
        if (!row.withoutBars && HoldsBar(answer))
            found(FieldAnswer0 + n, u"answer " + Decimal(n) + u' ' + BarMessage);
    }

    const int correct = AnswerOfText(row.correct);
    if (round != 0 && (correct < 0 || correct >= used))
        found(FieldCorrect, u"correct answer " + Quoted(row.correct) + u" is not 0 to " + Decimal(used - 1) +
                                u", the answers of round " + Decimal(round));
    else if (round == 0 && correct < 0)
        found(FieldCorrect, u"correct answer " + Quoted(row.correct) + u" is not 0 to 4");
}

void RowChecker::Check(const QuestionRowView& row, Findings& findings)
{
    CheckQuestionRow(row, findings);
    const int first = m_keepRows ? FindQuestionText(m_rows, row.question) : FindOrKeepQuestion(row.question);
    if (first >= 0) {
        const std::size_t start = first == 0 ? 0 : m_placeEnds[std::size_t(first) - 1];
        const std::u16string_view place =
            std::u16string_view(m_places).substr(start, m_placeEnds[std::size_t(first)] - start);
        findings.push_back(
            FindingAt(row, u"the question text repeats " + std::u16string(place), FieldQuestion));
    }
    if (m_keepRows)
        m_rows.AppendQuestion(
            AddedTexts(row.round, RoundOfText(row.round), row.question, row.answers, row.correct));
    m_places += row.place;
    m_placeEnds.push_back(m_places.size());
}

void RowChecker::Reserve(std::size_t rows)
{
    // Places are short: "line 99999", "item 99999", "question 99999".
    m_places.reserve(rows * 16);
    m_placeEnds.reserve(rows);
    if (m_keepRows) {
        m_rows.Reserve(rows * EntriesPerQuestion);
        return;
    }
    m_questions.reserve(rows * QuestionWidth);
    m_questionEnds.reserve(rows);
    GrowSlots(rows);
}

void RowChecker::GrowSlots(std::size_t rows)
{
    std::size_t size = std::max<std::size_t>(1024, m_slots.size());
    while (2 * rows > size)
        size *= 2;
    if (size == m_slots.size())
        return;
    // Each slot keeps its text's hash, so growing hashes no text again.
    Large<std::uint64_t> slots(size, 0);
    for (const std::uint64_t kept : m_slots) {
        if (kept == 0)
            continue;
        std::size_t slot = (kept >> 32) & (size - 1);
        while (slots[slot] != 0)
            slot = (slot + 1) & (size - 1);
        slots[slot] = kept;
    }
    m_slots.swap(slots);
}

int RowChecker::FindOrKeepQuestion(std::u16string_view text)
{
    // Open addressing, at most half full.
    GrowSlots(m_questionEnds.size() + 1);
    const std::uint64_t hash = QuestionTextHash(text);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if ((m_slots[slot] >> 32) != hash)
            continue;
        const std::size_t k = (m_slots[slot] & 0xFFFFFFFFu) - 1;
        const std::size_t start = k == 0 ? 0 : m_questionEnds[k - 1];
        if (std::u16string_view(m_questions).substr(start, m_questionEnds[k] - start) == text)
            return int(k);
    }
    m_questions += text;
    m_questionEnds.push_back(m_questions.size());
    m_slots[slot] = hash << 32 | m_questionEnds.size();
    return -1;
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

void BaseBuilder::Discard()
{
    m_checker = RowChecker();
    m_inputFindings.clear();
    m_rowFindings.clear();
    m_findingCount = 0;
    m_count = 0;
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

} // namespace vt
