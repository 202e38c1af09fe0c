#pragma once

#include "app/PagedTableModel.h"

// The operator log as its window lists it: the rows of operator_log read page by page, newest
// first, with role numbers shown by their names (see OperatorLogCellText).
class OperatorLogModel : public PagedTableModel
{
    Q_OBJECT

public:
    explicit OperatorLogModel(Database& database, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};
