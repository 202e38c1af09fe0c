#include "app/RowText.h"

namespace RowText {

QString fromRows(const QList<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows) {
        for (const QString& cell : row) {
            text += cell;
            text += u'/';
        }
    }
    return text;
}

QList<QStringList> toRows(const QString& text, int columns)
{
    QList<QStringList> rows;
    if (columns <= 0)
        return rows;
    QStringList group;
    for (const QString& piece : text.split(u'/', Qt::SkipEmptyParts)) {
        group.append(piece);
        if (group.size() == columns) {
            rows.append(group);
            group.clear();
        }
    }
    return rows;
}

} // namespace RowText
