#include "QuestionCheck.h"

#include "QtEdge.h"

namespace {

const QString BarMessage = QStringLiteral("holds a bar \"|\", which a base file cannot store");

bool IsDigitText(const QString& text, char16_t low, char16_t high)
{
    return text.size() == 1 && text[0].unicode() >= low && text[0].unicode() <= high;
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

void CheckQuestionRow(const QuestionRow& row, QStringList& findings)
{
    const QString at = row.place + QStringLiteral(": ");
    const int round = RoundOfText(row.round);
    const int used = AnswersOfRound(round);
    if (round == 0)
        findings << at + QStringLiteral("round \"%1\" is not 1 to 5").arg(row.round);

    if (row.question.isEmpty())
        findings << at + QStringLiteral("the question text is empty");
    else if (row.question.size() > qsizetype(QuestionWidth))
        findings << at + QStringLiteral("the question text is %1 code units long, at most %2 fit")
                             .arg(row.question.size())
                             .arg(qsizetype(QuestionWidth));
    if (row.question.contains(u'|'))
        findings << at + QStringLiteral("the question text ") + BarMessage;

    for (int n = 0; n < AnswerCount; ++n) {
        const QString& answer = row.answers[std::size_t(n)];
        if (round != 0 && AnswerRequired(round, n) && answer.isEmpty())
            findings << at + QStringLiteral("answer %1 is empty; round %2 needs answers 0 to %3")
                                 .arg(n)
                                 .arg(round)
                                 .arg(used - 1);
        // Only the answers that would be stored are limited by the format.
        if (!AnswerKept(round, n))
            continue;
        if (answer.size() > qsizetype(AnswerWidth))
            findings << at + QStringLiteral("answer %1 is %2 code units long, at most %3 fit")
                                 .arg(n)
                                 .arg(answer.size())
                                 .arg(qsizetype(AnswerWidth));
        if (answer.contains(u'|'))
            findings << at + QStringLiteral("answer %1 ").arg(n) + BarMessage;
    }

    const int correct = AnswerOfText(row.correct);
    if (round != 0 && (correct < 0 || correct >= used))
        findings << at + QStringLiteral("correct answer \"%1\" is not 0 to %2, the answers of round %3")
                             .arg(row.correct)
                             .arg(used - 1)
                             .arg(round);
    else if (round == 0 && correct < 0)
        findings << at + QStringLiteral("correct answer \"%1\" is not 0 to 4").arg(row.correct);
}

void RepeatFinder::Check(const QuestionRow& row, QStringList& findings)
{
    const std::u16string text = FromQ(row.question);
    const int first = m_index.Find(text);
    if (first >= 0) {
        findings << row.place + QStringLiteral(": the question text repeats ") + m_places[first];
    } else {
        m_index.Add(text, int(m_places.size()));
        m_places << row.place;
    }
}

BuiltBase BuildQuestionBase(const std::vector<QuestionRow>& rows)
{
    BuiltBase built;
    RepeatFinder repeats;
    for (const QuestionRow& row : rows) {
        CheckQuestionRow(row, built.findings);
        repeats.Check(row, built.findings);
    }
    if (rows.size() > std::size_t(MaxBaseQuestions))
        built.findings << QStringLiteral("%1 questions, a base file holds at most %2")
                              .arg(qulonglong(rows.size()))
                              .arg(MaxBaseQuestions);
    if (!built.findings.isEmpty())
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
