#pragma once

#include "app/DeskListView.h"

#include <QPointer>

class ShownRows;

// A list of any length (millions of receipts) that keeps nothing per row of the list. A
// QTableView keeps a record of every row of its model in its vertical header (eight bytes
// each, 25 MiB for 3.3 million rows); this view's own model holds only the rows on screen,
// taken from the whole list's model at the list's row its scroll bar stands on, and the
// scroll bar runs over the whole list. Wheel, keys, clicks and scrollToBottom() move through
// the whole list as in any other list view.
//
// The indexes of the view's model() are those of the rows on screen: listRow() and
// listIndex() translate them. The selection is a single row of the list, kept while it
// scrolls out of sight and back.
class LongListView : public DeskListView
{
    Q_OBJECT

public:
    explicit LongListView(QWidget* parent = nullptr);
    ~LongListView() override;

    // The whole list: a flat table model.
    void setListModel(QAbstractItemModel* list);
    QAbstractItemModel* listModel() const { return m_list; }
    int listRowCount() const;

    // The list's row at the top of the view.
    int firstShownRow() const;
    // How many rows the view shows whole.
    int wholeRowsShown() const;
    // The list's row an index of the view's model stands for; -1 for an invalid index.
    int listRow(const QModelIndex& shown) const;
    // The view's index of a cell of the list, scrolled to it when `scroll` is set; invalid
    // while that row is out of sight.
    QModelIndex listIndex(int row, int column = 0, bool scroll = false);
    // The list's row selected, or -1.
    int selectedListRow() const { return m_selectedRow; }
    // Selects a row of the list and makes it current, scrolled into sight; a row outside the
    // list clears the selection.
    void selectListRow(int row);

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    // Shows the list from `row` on (the scroll bar moved there or is moved).
    void showFrom(int row);
    void scrollToListRow(int row, ScrollHint hint);
    // The selection and current row of the view follow the list's rows they stand for.
    void placeSelection();
    void noteSelection();

    ShownRows* m_rows;
    QPointer<QAbstractItemModel> m_list;
    int m_selectedRow = -1;
    int m_currentRow = -1;
    int m_currentColumn = 0;
    bool m_adjusting = false; // the base class moves the scroll bar within the rows shown
    bool m_placing = false; // the selection is placed on the rows shown
};
