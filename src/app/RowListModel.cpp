#include "app/RowListModel.h"

RowListModel::RowListModel(QObject* parent)
    : QAbstractTableModel(parent)
{ }

void RowListModel::setHeaders(const QStringList& headers)
{
    beginResetModel();
    m_headers = headers;
    for (QStringList& row : m_rows)
        row = fitted(row);
    endResetModel();
}

int RowListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RowListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant RowListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole)
        return m_rows[index.row()].value(index.column());
    return {};
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

QStringList RowListModel::fitted(const QStringList& cells) const
{
    QStringList row = cells.mid(0, m_headers.size());
    while (row.size() < m_headers.size())
        row.append(QString());
    return row;
}

void RowListModel::insertRowAt(int position, const QStringList& cells)
{
    position = std::clamp(position, 0, static_cast<int>(m_rows.size()));
    beginInsertRows({}, position, position);
    m_rows.insert(position, fitted(cells));
    endInsertRows();
}

void RowListModel::setRow(int row, const QStringList& cells)
{
    if (row < 0 || row >= m_rows.size())
        return;
    for (int column = 0; column < cells.size() && column < m_headers.size(); ++column)
        m_rows[row][column] = cells[column];
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RowListModel::setCell(int row, int column, const QString& text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_headers.size())
        return;
    m_rows[row][column] = text;
    emit dataChanged(index(row, column), index(row, column));
}

void RowListModel::removeRowAt(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void RowListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void RowListModel::setRows(const QList<QStringList>& rows)
{
    beginResetModel();
    m_rows.clear();
    for (const QStringList& row : rows)
        m_rows.append(fitted(row));
    endResetModel();
}
