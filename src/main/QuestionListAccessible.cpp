#include "main/QuestionListAccessible.h"

#include "main/QuestionList.h"

#include <QItemSelectionModel>

namespace vt {

namespace {

QAccessibleInterface* MakeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("vt::QuestionList")) {
        if (auto* list = qobject_cast<QuestionList*>(object))
            return new QuestionListAccessible(list);
    }
    return nullptr;
}

} // namespace

void QuestionListAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(MakeInterface);
        return true;
    }();
    (void)installed;
}

QuestionListAccessible::QuestionListAccessible(QuestionList* list)
    : QAccessibleWidget(list, QAccessible::List)
{
}

QuestionListAccessible::~QuestionListAccessible()
{
    ForgetLines();
}

QuestionList* QuestionListAccessible::List() const
{
    return static_cast<QuestionList*>(widget());
}

void* QuestionListAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::Role QuestionListAccessible::role() const
{
    return QAccessible::List;
}

QAccessible::State QuestionListAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable = false;
    s.extSelectable = false;
    return s;
}

int QuestionListAccessible::childCount() const
{
    return List()->Lines()->Count();
}

QAccessibleInterface* QuestionListAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto made = m_lines.find(index); made != m_lines.end())
        return QAccessible::accessibleInterface(made->second);
    auto* line = new QuestionLineAccessible(List(), index);
    m_lines.emplace(index, QAccessible::registerAccessibleInterface(line));
    return line;
}

int QuestionListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const auto* line = dynamic_cast<const QuestionLineAccessible*>(child);
    if (line == nullptr || line->parent() != this)
        return -1;
    return line->Line() < childCount() ? line->Line() : -1;
}

QAccessibleInterface* QuestionListAccessible::childAt(int x, int y) const
{
    QuestionList* list = List();
    const QPoint at = list->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex index = list->indexAt(at);
    return index.isValid() ? child(index.row()) : nullptr;
}

QAccessibleInterface* QuestionListAccessible::focusChild() const
{
    QuestionList* list = List();
    const QModelIndex current = list->currentIndex();
    if (!list->hasFocus() || !current.isValid())
        return nullptr;
    return child(current.row());
}

QAccessibleInterface* QuestionListAccessible::cellAt(int row, int column) const
{
    return column == 0 ? child(row) : nullptr;
}

int QuestionListAccessible::selectedCellCount() const
{
    return List()->SelectedLine() >= 0 ? 1 : 0;
}

QList<QAccessibleInterface*> QuestionListAccessible::selectedCells() const
{
    const int line = List()->SelectedLine();
    if (line < 0)
        return {};
    return {child(line)};
}

QList<int> QuestionListAccessible::selectedRows() const
{
    const int line = List()->SelectedLine();
    if (line < 0)
        return {};
    return {line};
}

bool QuestionListAccessible::isRowSelected(int row) const
{
    return row >= 0 && row == List()->SelectedLine();
}

bool QuestionListAccessible::selectRow(int row)
{
    if (row < 0 || row >= childCount())
        return false;
    List()->SelectLine(row);
    return true;
}

bool QuestionListAccessible::unselectRow(int row)
{
    if (!isRowSelected(row))
        return false;
    List()->SelectLine(-1);
    return true;
}

void QuestionListAccessible::modelChange(QAccessibleTableModelChangeEvent* event)
{
    // Lines are only appended or given a new text, which leaves every item
    // made so far standing for its line; anything else starts afresh.
    switch (event->modelChangeType()) {
    case QAccessibleTableModelChangeEvent::RowsInserted:
        if (event->firstRow() < childCount() - (event->lastRow() - event->firstRow() + 1))
            ForgetLines();
        break;
    case QAccessibleTableModelChangeEvent::DataChanged:
        break;
    default:
        ForgetLines();
        break;
    }
}

void QuestionListAccessible::ForgetLines()
{
    for (const auto& [line, id] : m_lines)
        QAccessible::deleteAccessibleInterface(id);
    m_lines.clear();
}

void* QuestionLineAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableCellInterface)
        return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
}

bool QuestionLineAccessible::isValid() const
{
    return m_list && m_line < m_list->Lines()->Count();
}

QWindow* QuestionLineAccessible::window() const
{
    QAccessibleInterface* list = parent();
    return list != nullptr ? list->window() : nullptr;
}

QAccessibleInterface* QuestionLineAccessible::parent() const
{
    return m_list ? QAccessible::queryAccessibleInterface(m_list.data()) : nullptr;
}

QString QuestionLineAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name || !isValid())
        return {};
    return m_list->Lines()->Line(m_line);
}

QRect QuestionLineAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect line = m_list->visualRect(m_list->Lines()->index(m_line));
    return QRect(m_list->viewport()->mapToGlobal(line.topLeft()), line.size());
}

bool QuestionLineAccessible::isSelected() const
{
    return isValid() && m_list->SelectedLine() == m_line;
}

QAccessible::State QuestionLineAccessible::state() const
{
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.focusable = true;
    s.selected = isSelected();
    const QModelIndex current = m_list->currentIndex();
    s.focused = m_list->hasFocus() && current.isValid() && current.row() == m_line;
    const QRect line = m_list->visualRect(m_list->Lines()->index(m_line));
    if (!m_list->isVisible() || !m_list->viewport()->rect().intersects(line)) {
        s.offscreen = true;
        s.invisible = !m_list->isVisible();
    }
    return s;
}

} // namespace vt
