#pragma once

#include <QStringList>
#include <QTableView>

class RowListModel;

// A desk list: report style with grid lines, full-row selection, no editing, the selection
// always shown; it owns its RowListModel.
class RowListView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int DefaultColumnWidth = 68;

    explicit RowListView(QWidget* parent = nullptr);

    // Sets the columns, each `width` pixels wide.
    void setColumns(const QStringList& captions, int width = DefaultColumnWidth);
    void setColumnWidths(const QList<int>& widths);
    void setMultiSelection(bool multiple);

    RowListModel& rows() const { return *m_model; }
    int rowCount() const;
    // Inserts a row at `position` (0 = top).
    void insertRow(const QStringList& cells, int position = 0);
    void clearRows();

    // The first selected row, or -1.
    int selectedRow() const;
    QList<int> selectedRows() const; // in list order
    void selectRow(int row);

private:
    RowListModel* m_model;
};
