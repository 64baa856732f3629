#pragma once

#include <QString>

class QWidget;

/** A file dialog that remembers its file name: it opens on FileName and, when
 *  the user confirms, FileName becomes the chosen file's full path. */
class FileDialog
{
public:
    virtual ~FileDialog() = default;

    /** Shows the dialog; true when the user confirmed a file. */
    virtual bool Execute() = 0;

    QString FileName;
};

/** The standard open or save dialog. */
class StandardFileDialog : public FileDialog
{
public:
    enum class Kind
    {
        Open,
        Save
    };

    /** `filter` is a description and a pattern, e.g. "Questions base", "*.dat". */
    StandardFileDialog(QWidget* parent, Kind kind, QString description, QString pattern);

    bool Execute() override;

private:
    QWidget* m_parent;
    Kind m_kind;
    QString m_filter;
};
