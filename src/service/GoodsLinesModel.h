#pragma once

#include "desk/OpenBill.h"
#include "service/LinesModel.h"

// The goods a guest took: name, quantity, unit price and unit, as the goods record gave them.
class GoodsLinesModel : public LinesModel<GoodsLine>
{
public:
    enum Column { Name, Quantity, UnitPrice, Unit, ColumnCount };

    explicit GoodsLinesModel(QObject* parent = nullptr);

protected:
    QString cellText(const GoodsLine& line, int column) const override;
};
