#pragma once

#include <QStringList>
#include <QTableView>

class RowListModel;

// A desk list: report style with grid lines, full-row selection, no editing, the selection
// always shown; it owns its RowListModel. The user can widen any column; the widths are
// remembered per list (ColumnWidths) from one opening to the next, and a cell too narrow for
// its text shows the whole text as its tooltip.
class RowListView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int DefaultColumnWidth = 68;

    explicit RowListView(QWidget* parent = nullptr);
    ~RowListView() override;

    // Sets the columns, each `width` pixels wide: the widths a list starts with.
    void setColumns(const QStringList& captions, int width = DefaultColumnWidth);
    void setColumnWidths(const QList<int>& widths);
    void setMultiSelection(bool multiple);

    // The name the list's widths are remembered under: by default the window's object name
    // and the list's, "window/list". A window that shows different lists in one view (one per
    // mode) names each. Without a name the widths are not remembered.
    QString layoutKey() const;
    void setLayoutKey(const QString& key) { m_layoutKey = key; }

    RowListModel& rows() const { return *m_model; }
    int rowCount() const;
    // Inserts a row at `position` (0 = top).
    void insertRow(const QStringList& cells, int position = 0);
    void clearRows();

    // The first selected row, or -1.
    int selectedRow() const;
    QList<int> selectedRows() const; // in list order
    void selectRow(int row);

    // Whether the cell is too narrow to show its whole text.
    bool isCellCut(const QModelIndex& index) const;

protected:
    bool viewportEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void restoreColumnWidths();
    void saveColumnWidths();

    RowListModel* m_model;
    QString m_layoutKey;
    bool m_widthsRestored = false;
    bool m_widthsChanged = false;
};
