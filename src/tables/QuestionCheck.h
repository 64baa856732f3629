#pragma once

#include "BaseFormat.h"
#include "QuestionBase.h"
#include "QuestionTable.h"

#include <QString>
#include <QStringList>

#include <vector>

/** The round 1 to 5 that a text holds as exactly one digit; 0 for any other. */
int RoundOfText(const QString& text);

/** The answer number 0 to 4 that a text holds as exactly one digit; -1 for
 *  any other. */
int AnswerOfText(const QString& text);

/** Appends one finding per fault of the question (FindingAt): a
 *  round that is not 1 to 5, an empty question text, an empty answer that the
 *  round needs, a correct index beyond the round's answers, and, for the texts
 *  that a base file would store, a question text over 255 or an answer over 40
 *  code units and a bar "|" (the format's filler) in any of them. */
void CheckQuestionRow(const QuestionRow& row, Findings& findings);

/** Finds question texts that an earlier question already has (the same
 *  UTF-16 code units: letter case and blanks count). */
class RepeatFinder
{
public:
    /** Appends "the question text repeats <place of the first question with
     *  it>" when the text was seen before; remembers it otherwise. */
    void Check(const QuestionRow& row, Findings& findings);

private:
    QuestionTextIndex m_index;
    QStringList m_places;
};

/** A base made from interchange rows, or the reasons it cannot be made. */
struct BuiltBase
{
    QuestionBase base; // empty whenever findings is not
    Findings findings;
};

/** Checks every row (CheckQuestionRow, repeats, at most 99999 questions, and
 *  no answer filled beyond its round's answers, which the base would lose:
 *  each named by `answerKey`, "%1" standing for the answer's number) and,
 *  when nothing is found, makes the base as the editor's "Add Question" would:
 *  the round and index digits, the question, the answers the round uses, one
 *  blank for each answer it does not use. */
BuiltBase BuildQuestionBase(const std::vector<QuestionRow>& rows,
                            const QString& answerKey = QStringLiteral("answer %1"));

/** The base that the bytes of a table file make, as vertalina-base build
 *  makes it: the rows read as `format` gives them (ReadCsvQuestions or
 *  ReadJsonQuestions), then built (BuildQuestionBase). The findings of the
 *  reading come first, then those of the building; the base is empty when
 *  there are any. */
BuiltBase BuildBaseFromTable(QByteArrayView content, TableFormat format);
