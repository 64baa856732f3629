#pragma once

#include "QuestionBase.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

/** One question as an interchange file states it, before it is checked:
 *  every field as text, and where it came from ("line 5", "item 3"). */
struct QuestionRow
{
    QString place;
    QString round;
    QString question;
    std::array<QString, AnswerCount> answers;
    QString correct;
};

/** The questions found in an interchange file, and what kept others from
 *  being read (one line each, beginning with the place). */
struct QuestionRows
{
    std::vector<QuestionRow> rows;
    QStringList findings;
};

/** The column names of the CSV header row, in the order export writes them. */
QStringList CsvColumnNames();

/** The questions of a CSV file: UTF-8 with or without a byte-order mark; the
 *  delimiter (",", ";" or tab) is the one that makes the first line a header
 *  row naming the columns. Columns are found by name in any order (letter case
 *  and surrounding blanks aside); answer2 to answer4 may be missing, unknown
 *  columns are ignored. Round and correct index lose surrounding blanks. Rows
 *  whose fields are all blank are skipped. Places are "line N". */
QuestionRows ReadCsvQuestions(QByteArrayView bytes);

/** The questions of a JSON array of objects with "round", "question",
 *  "answers" (an array of the answers the round uses) and "correct". Numbers
 *  and strings both give texts. Places are "item N", counted from 1. */
QuestionRows ReadJsonQuestions(QByteArrayView bytes);

/** The whole base as CSV: the header row, then one row per question with the
 *  round and index as stored, the answers its round uses, and empty cells for
 *  the others (all five for a round outside 1 to 5). Lines end in CRLF. */
QByteArray WriteCsvQuestions(const QuestionBase& base, char delimiter = ',', bool byteOrderMark = false);

/** The whole base as a JSON array of objects: "round" and "correct" as
 *  numbers (as the stored text when it is no number), "question", and
 *  "answers" with the answers its round uses (all five for a round outside 1
 *  to 5). */
QByteArray WriteJsonQuestions(const QuestionBase& base);

/** How many answers a question of the round text uses when exported: the
 *  round's count, or all five when the text is no round 1 to 5. */
int ExportedAnswerCount(const QString& round);
