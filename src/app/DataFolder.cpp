#include "app/DataFolder.h"

#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"

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

void writeDeliveredSettingFiles(MessageService& messages)
{
    if (!QFileInfo::exists(GroupCountFile.toString()))
        WriteSettingInt(GroupCountFile.toString(), 1, messages);
    if (!QFileInfo::exists(RoomNumbers::fileName(0)))
        RoomNumbers::delivered().write(RoomNumbers::fileName(0), messages);
    if (!QFileInfo::exists(ServiceSettings::FileName.toString()))
        ServiceSettings::delivered().write(ServiceSettings::FileName.toString(), messages);
}

} // namespace DataFolder
