#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace DataFolder {

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool prepare(const QString& path)
{
    if (path.isEmpty())
        return false;
    QDir folder(path);
    if (!folder.exists() && !QDir().mkpath(path))
        return false;
    if (!QFileInfo(path).isDir())
        return false;
    {
        QTemporaryFile probe(folder.filePath(QStringLiteral(".tavrel-write-check-XXXXXX")));
        if (!probe.open())
            return false;
    }
    return QDir::setCurrent(folder.absolutePath());
}

QString databasePath(const QString& folder)
{
    return QDir(folder).absoluteFilePath(DatabaseFileName.toString());
}

} // namespace DataFolder
