#pragma once

#include "QuestionBase.h"
#include "QuestionCheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

/** The questions found in an interchange file, and what kept others from
 *  being read. */
struct QuestionRows
{
    std::vector<QuestionRow> rows;
    Findings findings;
    /** How findings name answer n. */
    AnswerKey answerKey;
};

/** Formats of the interchange files. */
enum class TableFormat
{
    Csv,
    Json,
};

/** The questions of a CSV file: UTF-8, with or without a byte-order mark at
 *  its very start (no other is skipped: texts keep every code unit); the
 *  delimiter (",", ";" or tab) is the one that makes the first line a header
 *  row naming the columns. Columns are found by name in any order (letter case
 *  and surrounding blanks aside); answer2 to answer4 may be missing, unknown
 *  columns are ignored. Round and correct index lose surrounding blanks. Rows
 *  whose fields are all blank are skipped; any other row must have as many
 *  fields as the header row. Places are "line N". */
QuestionRows ReadCsvQuestions(QByteArrayView bytes);

/** The questions of a JSON array of objects with "round", "question",
 *  "answers" (an array of the answers the round uses) and "correct"; any
 *  other key is a finding. Numbers and strings both give texts; "\uXXXX"
 *  escapes give any code unit, a lone surrogate too. A UTF-8 byte-order
 *  mark at the very start is skipped. Places are "item N", counted from 1. */
QuestionRows ReadJsonQuestions(QByteArrayView bytes);

/** The base that the bytes of a table file make, as vertalina-base build
 *  makes it: the rows read as `format` gives them (ReadCsvQuestions or
 *  ReadJsonQuestions), then built (BaseBuilder). The findings of the
 *  reading come first, then those of the building; the base is empty when
 *  there are any. */
BuiltBase BuildBaseFromTable(QByteArrayView content, TableFormat format);
