#include "QuestionCheck.h"

#include "QtEdge.h"

namespace {

const QString BarMessage = QStringLiteral("holds a bar \"|\", which a base file cannot store");

bool IsDigitText(const QString& text, char16_t low, char16_t high)
{
    return text.size() == 1 && text[0].unicode() >= low && text[0].unicode() <= high;
}

// The base stores one blank for each answer its round does not use, so any
// other text there would be lost; one blank is what it stores anyway.
void CheckUnusedAnswers(const QuestionRow& row, const QString& answerKey, Findings& findings)
{
    const int round = RoundOfText(row.round);
    if (round == 0)
        return;
    for (int n = AnswersOfRound(round); n < AnswerCount; ++n) {
        const QString& answer = row.answers[std::size_t(n)];
        if (!answer.isEmpty() && answer != QStringView(UnusedAnswer))
            findings.push_back(
                FindingAt(row, QStringLiteral("%1 is filled, but round %2 uses answers 0 to %3 "
                                              "only; the base would lose it")
                                   .arg(answerKey.arg(n))
                                   .arg(round)
                                   .arg(AnswersOfRound(round) - 1)));
    }
}

} // namespace

int RoundOfText(const QString& text)
{
    return IsDigitText(text, u'1', u'5') ? text[0].unicode() - u'0' : 0;
}

int AnswerOfText(const QString& text)
{
    return IsDigitText(text, u'0', u'4') ? text[0].unicode() - u'0' : -1;
}

void CheckQuestionRow(const QuestionRow& row, Findings& findings)
{
    auto found = [&](const QString& message) { findings.push_back(FindingAt(row, message)); };
    const int round = RoundOfText(row.round);
    const int used = AnswersOfRound(round);
    if (round == 0)
        found(QStringLiteral("round \"%1\" is not 1 to 5").arg(row.round));

    if (row.question.isEmpty())
        found(QStringLiteral("the question text is empty"));
    else if (row.question.size() > qsizetype(QuestionWidth))
        found(QStringLiteral("the question text is %1 code units long, at most %2 fit")
                  .arg(row.question.size())
                  .arg(qsizetype(QuestionWidth)));
    if (row.question.contains(u'|'))
        found(QStringLiteral("the question text ") + BarMessage);

    for (int n = 0; n < AnswerCount; ++n) {
        const QString& answer = row.answers[std::size_t(n)];
        if (round != 0 && AnswerRequired(round, n) && answer.isEmpty())
            found(QStringLiteral("answer %1 is empty; round %2 needs answers 0 to %3")
                      .arg(n)
                      .arg(round)
                      .arg(used - 1));
        // Only the answers that would be stored are limited by the format.
        if (!AnswerKept(round, n))
            continue;
        if (answer.size() > qsizetype(AnswerWidth))
            found(QStringLiteral("answer %1 is %2 code units long, at most %3 fit")
                      .arg(n)
                      .arg(answer.size())
                      .arg(qsizetype(AnswerWidth)));
        if (answer.contains(u'|'))
            found(QStringLiteral("answer %1 ").arg(n) + BarMessage);
    }

    const int correct = AnswerOfText(row.correct);
    if (round != 0 && (correct < 0 || correct >= used))
        found(QStringLiteral("correct answer \"%1\" is not 0 to %2, the answers of round %3")
                  .arg(row.correct)
                  .arg(used - 1)
                  .arg(round));
    else if (round == 0 && correct < 0)
        found(QStringLiteral("correct answer \"%1\" is not 0 to 4").arg(row.correct));
}

void RepeatFinder::Check(const QuestionRow& row, Findings& findings)
{
    const std::u16string text = FromQ(row.question);
    const int first = m_index.Find(text);
    if (first >= 0) {
        findings.push_back(FindingAt(row, QStringLiteral("the question text repeats ") + m_places[first]));
    } else {
        m_index.Add(text, int(m_places.size()));
        m_places << row.place;
    }
}

BuiltBase BuildQuestionBase(const std::vector<QuestionRow>& rows, const QString& answerKey)
{
    BuiltBase built;
    RepeatFinder repeats;
    for (const QuestionRow& row : rows) {
        CheckQuestionRow(row, built.findings);
        repeats.Check(row, built.findings);
        CheckUnusedAnswers(row, answerKey, built.findings);
    }
    if (rows.size() > std::size_t(MaxBaseQuestions)) {
        Finding finding;
        finding.message = QStringLiteral("%1 questions, a base file holds at most %2")
                              .arg(qulonglong(rows.size()))
                              .arg(MaxBaseQuestions);
        built.findings.push_back(std::move(finding));
    }
    if (!built.findings.empty())
        return built;

    built.base.Reserve(rows.size() * EntriesPerQuestion);
    for (const QuestionRow& row : rows) {
        std::array<std::u16string, AnswerCount> answers;
        for (int n = 0; n < AnswerCount; ++n)
            answers[std::size_t(n)] = FromQ(row.answers[std::size_t(n)]);
        built.base.AppendRecord(AddedRecord(FromQ(row.round), RoundOfText(row.round), FromQ(row.question),
                                            std::move(answers), FromQ(row.correct)));
    }
    return built;
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
