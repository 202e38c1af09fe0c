#include "service/TechnicianLinesModel.h"

QString TechnicianLinesModel::cellText(const TechnicianLine& line, int column) const
{
    switch (column) {
    case Number:
        return line.released ? u'*' + line.number : line.number;
    case Name:
        return line.name;
    case MassageClocks:
        return QString::number(line.massageClocks);
    case FootWashClocks:
        return QString::number(line.footWashClocks);
    default:
        return {};
    }
}
