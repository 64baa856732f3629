#pragma once

#include "main/FileDialog.h"
#include "main/TF.h"

#include <QStringList>

#include <memory>

using namespace vt;

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

/** The window's two dialogs, replaced by scripted ones (owned by the window). */
struct ScriptedDialogs
{
    ScriptedDialog* open;
    ScriptedDialog* save;
};

inline ScriptedDialogs ScriptDialogs(TF& window)
{
    auto open = std::make_unique<ScriptedDialog>();
    auto save = std::make_unique<ScriptedDialog>();
    const ScriptedDialogs dialogs{open.get(), save.get()};
    window.OpenDialog = std::move(open);
    window.SaveDialog = std::move(save);
    return dialogs;
}
