#include "QuestionList.h"

#include "QtText.h"
#include "QuestionBase.h"

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

QString QuestionListModel::Line(int i) const
{
    if (const auto kept = m_kept.find(i); kept != m_kept.end())
        return kept->second;
    if (m_base == nullptr || i >= m_base->QuestionCount())
        return {};
    return ToQ(QuestionLabel(i, m_base->Entry(i * EntriesPerQuestion + FieldQuestion)));
}

void QuestionListModel::Keep(int i, std::u16string_view line)
{
    if (m_base != nullptr && i < m_base->QuestionCount() &&
        QuestionLabel(i, m_base->Entry(i * EntriesPerQuestion + FieldQuestion)) == line)
        m_kept.erase(i);
    else
        m_kept.insert_or_assign(i, ToQ(line));
}

void QuestionListModel::Append(std::u16string_view line)
{
    const int row = Count();
    Keep(row, line);
    beginInsertRows({}, row, row);
    ++m_count;
    endInsertRows();
}

void QuestionListModel::Replace(int i, std::u16string_view line)
{
    Keep(i, line);
    const QModelIndex at = index(i);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

void QuestionListModel::Reset(int count)
{
    beginResetModel();
    m_kept.clear();
    m_count = count;
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
