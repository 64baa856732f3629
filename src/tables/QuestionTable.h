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

/** The questions of a JSON array of objects with "round", "question",
 *  "answers" (an array of the answers the round uses) and "correct"; any
 *  other key is a finding. Numbers and strings both give texts; "\uXXXX"
 *  escapes give any code unit, a lone surrogate too. A UTF-8 byte-order
 *  mark at the very start is skipped. Places are "item N", counted from 1. */
QuestionRows ReadJsonQuestions(QByteArrayView bytes);
