#include "service/ItemLinesModel.h"

ItemLinesModel::ItemLinesModel(QObject* parent)
    : LinesModel(
        { QStringLiteral("服务项目"), QStringLiteral("技师"), QStringLiteral("数量"), QStringLiteral("点/轮") }, parent)
{ }

QString ItemLinesModel::cellText(const ItemLine& line, int column) const
{
    switch (column) {
    case Name:
        return line.name;
    case Technician:
        return line.technician;
    case Count:
        return QString::number(line.count);
    case Call:
        return line.technician.isEmpty() ? QString() : callText(line.requested);
    default:
        return {};
    }
}
