#include "app/RowListView.h"

#include "app/RowListModel.h"

RowListView::RowListView(QWidget* parent)
    : DeskListView(parent)
    , m_model(new RowListModel(this))
{
    setModel(m_model);
}

void RowListView::setColumns(const QStringList& captions, int width)
{
    m_model->setHeaders(captions);
    for (int column = 0; column < captions.size(); ++column)
        setColumnWidth(column, width);
}

void RowListView::insertRow(const QStringList& cells, int position)
{
    m_model->insertRowAt(position, cells);
}

void RowListView::clearRows()
{
    m_model->clear();
}
