#include "service/TechnicianLinesModel.h"

int TechnicianLinesModel::rowOfWorking(const QString& number) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (line(row).number == number && !line(row).released)
            return row;
    }
    return -1;
}

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
