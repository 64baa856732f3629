#pragma once

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QAccessible>

#include <string_view>
#include <unordered_map>

namespace vt {

class QuestionBase;

/** The lines of the question list. A line is made from the base when the
 *  view asks for it: line k is QuestionLabel of question k. A line that was
 *  given another text keeps that text. Appending, replacing and reading a
 *  line cost the same however long the list is. */
class QuestionListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    /** The base that the lines show; it must outlive the model. */
    void SetBase(const QuestionBase* base) { m_base = base; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Count() const { return m_count; }
    /** Line i, 0 to Count() - 1. */
    QString Line(int i) const;
    /** Adds a last line with this text. */
    void Append(std::u16string_view line);
    /** Gives line i this text and tells the view that it changed. */
    void Replace(int i, std::u16string_view line);
    /** Shows the labels of the base's first `count` questions, one per line. */
    void Reset(int count);

    /** The height of every line, in pixels. */
    int LineHeight() const { return m_lineHeight; }
    void SetLineHeight(int pixels) { m_lineHeight = pixels; }

private:
    // Keeps `line` as line i's own text unless it is the line made from the base.
    void Keep(int i, std::u16string_view line);

    const QuestionBase* m_base = nullptr;
    int m_count = 0;
    int m_lineHeight = 13;
    std::unordered_map<int, QString> m_kept;
};

/** The list box: single selection, fixed line height, no horizontal
 *  scrolling. DblClick fires for a left double-click anywhere in it, as the
 *  first click of it has already selected the line under the pointer.
 *  Every line has the same height, so where a line lies is computed, never
 *  laid out: adding, replacing or selecting a line costs the same however
 *  long the list is. */
class QuestionList : public QAbstractItemView
{
    Q_OBJECT
public:
    explicit QuestionList(QWidget* parent = nullptr);

    QuestionListModel* Lines() const { return m_model; }
    /** The selected line, or -1. */
    int SelectedLine() const;
    /** Selects line i (and makes it current); -1 clears the selection. */
    void SelectLine(int i);
    /** Every line's height: the text height of the window's font. */
    int LineHeight() const;
    void SetLineHeight(int pixels);

signals:
    void DblClick();

public:
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void reset() override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void focusInEvent(QFocusEvent* event) override;

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;

private:
    /** Lines that fit the viewport whole, at least one. */
    int LinesPerPage() const;
    /** Tells screen readers about line i, when one is listening. */
    void NotifyLine(int i, QAccessible::Event type);

    QuestionListModel* m_model;
};

} // namespace vt
