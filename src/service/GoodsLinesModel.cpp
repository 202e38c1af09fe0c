#include "service/GoodsLinesModel.h"

GoodsLinesModel::GoodsLinesModel(QObject* parent)
    : LinesModel(
        { QStringLiteral("商品名称"), QStringLiteral("数量"), QStringLiteral("单价"), QStringLiteral("单位") }, parent)
{ }

QString GoodsLinesModel::cellText(const GoodsLine& line, int column) const
{
    switch (column) {
    case Name:
        return line.name;
    case Quantity:
        return QString::number(line.quantity);
    case UnitPrice:
        return line.unitPrice;
    case Unit:
        return line.unit;
    default:
        return {};
    }
}
