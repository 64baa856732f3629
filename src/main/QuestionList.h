#pragma once

#include <QAbstractListModel>
#include <QListView>

#include <vector>

/** The lines of the question list. Appending, replacing and reading a line
 *  cost the same however long the list is. */
class QuestionListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int Count() const { return static_cast<int>(m_lines.size()); }
    const QString& Line(int i) const { return m_lines[static_cast<std::size_t>(i)]; }
    void Append(const QString& line);
    void Replace(int i, const QString& line);
    /** Replaces every line at once; the lines are moved in, not copied. */
    void Reset(std::vector<QString> lines);

private:
    std::vector<QString> m_lines;
};

/** The list box: single selection, fixed line height, no horizontal
 *  scrolling. DblClick fires for a left double-click anywhere in it, as the
 *  first click of it has already selected the line under the pointer. */
class QuestionList : public QListView
{
    Q_OBJECT
public:
    explicit QuestionList(QWidget* parent = nullptr);

    QuestionListModel* Lines() const { return m_model; }
    /** The selected line, or -1. */
    int SelectedLine() const;
    /** Selects line i (and makes it current); -1 clears the selection. */
    void SelectLine(int i);

signals:
    void DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QuestionListModel* m_model;
};
