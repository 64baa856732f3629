#include "QuestionList.h"

#include <QMouseEvent>

namespace {
constexpr int LineHeight = 13;
}

int QuestionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant QuestionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole)
        return Line(index.row());
    if (role == Qt::SizeHintRole)
        return QSize(1, LineHeight);
    return {};
}

void QuestionListModel::Append(const QString& line)
{
    const int row = Count();
    beginInsertRows({}, row, row);
    m_lines.push_back(line);
    endInsertRows();
}

void QuestionListModel::Replace(int i, const QString& line)
{
    m_lines[static_cast<std::size_t>(i)] = line;
    const QModelIndex at = index(i);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

void QuestionListModel::Reset(std::vector<QString> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

QuestionList::QuestionList(QWidget* parent) : QListView(parent), m_model(new QuestionListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
}

int QuestionList::SelectedLine() const
{
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void QuestionList::SelectLine(int i)
{
    if (i < 0) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex at = m_model->index(i);
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    scrollTo(at);
}

void QuestionList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}
