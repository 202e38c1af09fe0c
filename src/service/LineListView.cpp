#include "service/LineListView.h"

#include "app/RowListView.h"

#include <QHeaderView>

LineListView::LineListView(QAbstractItemModel* model, QWidget* parent)
    : QTableView(parent)
{
    setModel(model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultSectionSize(RowListView::DefaultColumnWidth);
    horizontalHeader()->setStretchLastSection(true);
}

void LineListView::setColumnWidths(const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
}

int LineListView::selectedRow() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LineListView::selectRow(int row)
{
    if (row < 0 || row >= model()->rowCount()) {
        clearSelection();
        return;
    }
    QTableView::selectRow(row);
    setCurrentIndex(model()->index(row, 0));
}
