#pragma once

#include <QTableView>

// A desk list over a model of typed lines (LinesModel): report style with grid lines, one
// selected row at a time, no editing in the cells, columns 68 pixels wide unless set.
class LineListView : public QTableView
{
    Q_OBJECT

public:
    explicit LineListView(QAbstractItemModel* model, QWidget* parent = nullptr);

    void setColumnWidths(const QList<int>& widths);
    // The selected row, or -1.
    int selectedRow() const;
    void selectRow(int row);
};
