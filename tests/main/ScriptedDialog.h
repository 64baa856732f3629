#pragma once

#include "FileDialog.h"

#include <QStringList>

/** A dialog that answers from a queue: a path confirms it, an empty entry
 *  (or an empty queue) cancels. Records the file name it was opened on. */
class ScriptedDialog : public FileDialog
{
public:
    bool Execute() override
    {
        shownWith << FileName;
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty())
            return false;
        FileName = answer;
        return true;
    }
    QStringList answers;
    QStringList shownWith;
};
