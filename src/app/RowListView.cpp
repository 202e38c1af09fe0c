#include "app/RowListView.h"

#include "app/RowListModel.h"

#include <QHeaderView>

RowListView::RowListView(QWidget* parent)
    : QTableView(parent)
    , m_model(new RowListModel(this))
{
    setModel(m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void RowListView::setColumns(const QStringList& captions, int width)
{
    m_model->setHeaders(captions);
    for (int column = 0; column < captions.size(); ++column)
        setColumnWidth(column, width);
}

void RowListView::setColumnWidths(const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
}

void RowListView::setMultiSelection(bool multiple)
{
    setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int RowListView::rowCount() const
{
    return m_model->rowCount();
}

void RowListView::insertRow(const QStringList& cells, int position)
{
    m_model->insertRowAt(position, cells);
}

void RowListView::clearRows()
{
    m_model->clear();
}

int RowListView::selectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> RowListView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RowListView::selectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    QTableView::selectRow(row);
    setCurrentIndex(m_model->index(row, 0));
}
