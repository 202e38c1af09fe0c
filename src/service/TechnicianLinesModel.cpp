#include "service/TechnicianLinesModel.h"

QString TechnicianLinesModel::cellText(const TechnicianLine& line, int column) const
{
    switch (column) {
    case Number: {
        const QString number = line.requested ? line.number + u'点' : line.number;
        return line.released ? u'*' + number : number;
    }
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
