#include "main/QuestionList.h"

#include "base/QuestionBase.h"
#include "main/QtText.h"
#include "main/QuestionListAccessible.h"
#include "main/SteadyScrollBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace vt {

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
        return QSize(1, m_lineHeight);
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

QuestionList::QuestionList(QWidget* parent) : QAbstractItemView(parent), m_model(new QuestionListModel(this))
{
    // Before anything here makes the toolkit ask for the list's interface.
    QuestionListAccessible::Install();
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical));
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setAutoScroll(false);
}

int QuestionList::LineHeight() const
{
    return m_model->LineHeight();
}

void QuestionList::SetLineHeight(int pixels)
{
    pixels = std::max(1, pixels);
    if (pixels == LineHeight())
        return;
    m_model->SetLineHeight(pixels);
    updateGeometries();
    viewport()->update();
}

int QuestionList::LinesPerPage() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

int QuestionList::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QRect QuestionList::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != m_model)
        return {};
    const qint64 top = qint64(index.row()) * LineHeight() - verticalOffset();
    return QRect(0, int(std::clamp<qint64>(top, INT_MIN / 2, INT_MAX / 2)), viewport()->width(),
                 LineHeight());
}

QModelIndex QuestionList::indexAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const qint64 row = (qint64(point.y()) + verticalOffset()) / LineHeight();
    return row < m_model->Count() ? m_model->index(int(row)) : QModelIndex();
}

void QuestionList::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int top = index.row() * LineHeight();
    const int height = viewport()->height();
    int value = verticalOffset();
    switch (hint) {
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + LineHeight() - height;
        break;
    case PositionAtCenter:
        value = top - (height - LineHeight()) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + LineHeight() > value + height)
            value = top + LineHeight() - height;
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex QuestionList::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int count = m_model->Count();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    int next = row;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        next = row < 0 ? 0 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        next = row + 1;
        break;
    case MovePageUp:
        next = row - LinesPerPage();
        break;
    case MovePageDown:
        next = row < 0 ? LinesPerPage() - 1 : row + LinesPerPage();
        break;
    case MoveHome:
        next = 0;
        break;
    case MoveEnd:
        next = count - 1;
        break;
    default:
        return current;
    }
    return m_model->index(std::clamp(next, 0, count - 1));
}

void QuestionList::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    const QModelIndex at = indexAt(rect.normalized().topLeft());
    if (at.isValid())
        selectionModel()->select(at, flags);
    else if (flags & QItemSelectionModel::Clear)
        selectionModel()->clearSelection();
}

QRegion QuestionList::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        // Only the lines in view need repainting.
        const int first = std::max(range.top(), verticalOffset() / LineHeight());
        const int last = std::min(range.bottom(), (verticalOffset() + viewport()->height()) / LineHeight());
        for (int row = first; row <= last; ++row)
            region += visualRect(m_model->index(row));
    }
    return region;
}

void QuestionList::updateGeometries()
{
    const qint64 total = qint64(m_model->Count()) * LineHeight();
    const int height = viewport()->height();
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(total - height, 0, INT_MAX)));
    verticalScrollBar()->setPageStep(height);
    verticalScrollBar()->setSingleStep(LineHeight());
    QAbstractItemView::updateGeometries();
}

void QuestionList::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
    updateGeometries();
}

void QuestionList::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    for (int row = start; row <= end; ++row)
        NotifyLine(row, QAccessible::ObjectCreated);
    updateGeometries();
    const QRect first = visualRect(m_model->index(start));
    if (first.top() < viewport()->height())
        viewport()->update(QRect(0, first.top(), viewport()->width(), viewport()->height() - first.top()));
}

void QuestionList::NotifyLine(int i, QAccessible::Event type)
{
    if (!QAccessible::isActive() || i < 0 || i >= m_model->Count())
        return;
    QAccessibleEvent event(this, type);
    event.setChild(i);
    QAccessible::updateAccessibility(&event);
}

void QuestionList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
        NotifyLine(row, QAccessible::NameChanged);
}

void QuestionList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    if (current.isValid() && hasFocus())
        NotifyLine(current.row(), QAccessible::Focus);
}

void QuestionList::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    for (const QModelIndex& line : deselected.indexes())
        NotifyLine(line.row(), QAccessible::SelectionRemove);
    for (const QModelIndex& line : selected.indexes())
        NotifyLine(line.row(), QAccessible::SelectionAdd);
}

void QuestionList::focusInEvent(QFocusEvent* event)
{
    QAbstractItemView::focusInEvent(event);
    // The list itself was announced; the line in it follows.
    if (currentIndex().isValid())
        NotifyLine(currentIndex().row(), QAccessible::Focus);
}

void QuestionList::reset()
{
    QAbstractItemView::reset();
    verticalScrollBar()->setValue(0);
    updateGeometries();
    viewport()->update();
}

void QuestionList::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect area = event->rect();
    const int first = (verticalOffset() + std::max(0, area.top())) / LineHeight();
    const int last = std::min(m_model->Count() - 1, (verticalOffset() + area.bottom()) / LineHeight());
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_model->index(row);
        QStyleOptionViewItem line = option;
        line.rect = visualRect(index);
        line.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (selectionModel()->isSelected(index))
            line.state |= QStyle::State_Selected;
        if (focused && index == current)
            line.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, line, index);
    }
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
    QAbstractItemView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

} // namespace vt
