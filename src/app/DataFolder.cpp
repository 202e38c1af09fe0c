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

bool make(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (!QFileInfo::exists(path) && !QDir().mkpath(path))
        return false;
    return QFileInfo(path).isDir();
}

bool enter(const QString& path)
{
    const QDir folder(path);
    {
        QTemporaryFile probe(folder.filePath(QStringLiteral(".tavrel-write-check-XXXXXX")));
        if (!probe.open())
            return false;
    }
    return QDir::setCurrent(folder.absolutePath());
}

bool prepare(const QString& path)
{
    return make(path) && enter(path);
}

QString databasePath(const QString& folder)
{
    return QDir(folder).absoluteFilePath(DatabaseFileName.toString());
}

} // namespace DataFolder
