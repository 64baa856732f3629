#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vt {

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

    /** `filters` are the file types it offers, each a description and its
     *  pattern, e.g. "Questions base (*.dat)"; the first one is proposed. */
    StandardFileDialog(QWidget* parent, Kind kind, QStringList filters);

    bool Execute() override;

    const QStringList& Filters() const noexcept { return m_filters; }

private:
    QWidget* m_parent;
    Kind m_kind;
    QStringList m_filters;
};

} // namespace vt
