#pragma once

#include <QAccessibleWidget>
#include <QPointer>

#include <unordered_map>

namespace vt {

class QuestionList;

/** What a screen reader sees of the question list: a list whose items are
 *  its lines, each named by its label. An item is made only when a client
 *  asks for it and is kept until the lines are reset, so a long list costs
 *  nothing until it is read. */
class QuestionListAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit QuestionListAccessible(QuestionList* list);
    ~QuestionListAccessible() override;

    /** Makes the toolkit use this class for every QuestionList. */
    static void Install();

    QuestionList* List() const;

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The lines as a table of one column.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return selectedCellCount(); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return childCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    void ForgetLines();

    // The line items made so far, by line number.
    mutable std::unordered_map<int, QAccessible::Id> m_lines;
};

/** One line of the list: a list item named by the line's label. */
class QuestionLineAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    QuestionLineAccessible(QuestionList* list, int line) : m_list(list), m_line(line) {}

    int Line() const { return m_line; }

    void* interface_cast(QAccessible::InterfaceType type) override;
    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return m_line; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<QuestionList> m_list;
    int m_line;
};

} // namespace vt
