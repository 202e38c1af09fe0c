#pragma once

#include <QStringList>
#include <QTableView>

// A desk list over any table model: report style with grid lines, full-row selection, no
// editing, the selection always shown, rows of one height (so that a list of a million rows
// costs the view nothing until they are shown). The user can widen any column; the widths are
// remembered per list (ColumnWidths) from one opening to the next, and a cell too narrow for
// its text shows the whole text as its tooltip.
class DeskListView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int DefaultColumnWidth = 68;

    explicit DeskListView(QWidget* parent = nullptr);
    ~DeskListView() override;

    void setColumnWidths(const QList<int>& widths);
    void setMultiSelection(bool multiple);

    // The name the list's widths are remembered under: by default the window's object name
    // and the list's, "window/list". A window that shows different lists in one view (one per
    // mode) names each. Without a name the widths are not remembered.
    QString layoutKey() const;
    void setLayoutKey(const QString& key) { m_layoutKey = key; }

    int rowCount() const;
    // The first selected row, or -1.
    int selectedRow() const;
    QList<int> selectedRows() const; // in list order
    // Selects `row` and makes it current; a row outside the list clears the selection.
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

    QString m_layoutKey;
    bool m_widthsRestored = false;
    bool m_widthsChanged = false;
};
