#include "users/OperatorLogModel.h"

#include "users/OperatorLogFilter.h"

OperatorLogModel::OperatorLogModel(Database& database, QObject* parent)
    : PagedTableModel(
        database, QStringLiteral("operator_log"), OperatorLogColumns(), { QStringLiteral("time") }, parent)
{
    setHeaders(OperatorLogCaptions());
}

QVariant OperatorLogModel::data(const QModelIndex& index, int role) const
{
    const QVariant stored = PagedTableModel::data(index, role);
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !stored.isValid())
        return stored;
    return OperatorLogCellText(index.column(), stored.toString());
}
