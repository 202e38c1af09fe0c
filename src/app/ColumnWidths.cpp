#include "app/ColumnWidths.h"

#include <QDir>
#include <QSettings>

namespace {

QSettings widthsFile()
{
    return QSettings(QDir::current().absoluteFilePath(ColumnWidths::FileName), QSettings::IniFormat);
}

} // namespace

namespace ColumnWidths {

QList<int> load(const QString& listKey)
{
    QList<int> widths;
    const QStringList stored = widthsFile().value(listKey).toStringList();
    for (const QString& text : stored) {
        bool isNumber = false;
        const int width = text.toInt(&isNumber);
        if (!isNumber)
            return {};
        widths.append(width);
    }
    return widths;
}

void save(const QString& listKey, const QList<int>& widths)
{
    QStringList texts;
    for (int width : widths)
        texts << QString::number(width);
    widthsFile().setValue(listKey, texts);
}

} // namespace ColumnWidths
