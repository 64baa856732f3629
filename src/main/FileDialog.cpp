#include "main/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace vt {

StandardFileDialog::StandardFileDialog(QWidget* parent, Kind kind, QStringList filters)
    : m_parent(parent), m_kind(kind), m_filters(std::move(filters))
{
}

bool StandardFileDialog::Execute()
{
    QFileDialog dialog(m_parent);
    dialog.setNameFilters(m_filters);
    dialog.setSizeGripEnabled(true);
    if (m_kind == Kind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        // Asks before replacing an existing file; a name typed without an
        // extension is kept as typed.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString());
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    }
    if (!FileName.isEmpty()) {
        const QFileInfo current(FileName);
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    return true;
}

} // namespace vt
