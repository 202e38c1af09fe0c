#include "shell/FirstStart.h"

#include "app/Database.h"
#include "app/DurableFile.h"
#include "app/MessageService.h"
#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "users/AccountStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace FirstStart {

namespace {

// The new database is built under this name beside data.db.
QString buildingPath(const QString& databasePath)
{
    return databasePath + u".new";
}

// What an interrupted first start left behind.
void removeBuilding(const QString& databasePath)
{
    const QString building = buildingPath(databasePath);
    for (const QStringView suffix : { u"", u"-journal", u"-wal", u"-shm" })
        QFile::remove(building + suffix);
}

QString notCompletedText(const QString& databasePath)
{
    return QStringLiteral("首次启动没有完成,数据文件夹 %1 中没有留下数据库:请腾出磁盘空间、检查文件夹的权限,"
                          "然后再启动本程序,它会重新完成首次启动。")
        .arg(QDir::toNativeSeparators(QFileInfo(databasePath).absolutePath()));
}

} // namespace

QString Install(const QString& databasePath, MessageService& messages, const std::function<void(Step)>& reached)
{
    const auto report = [&reached](Step step) {
        if (reached)
            reached(step);
    };
    removeBuilding(databasePath);
    const QString building = buildingPath(databasePath);
    {
        Database database;
        if (!database.create(building)) {
            removeBuilding(databasePath);
            return DatabaseProblemText(database.problem(), databasePath, database.problemDetail()) + u"\n"
                + notCompletedText(databasePath);
        }
        if (const QString error = database.closeIntoOneFile(); !error.isEmpty()) {
            removeBuilding(databasePath);
            return DatabaseProblemText(DatabaseProblem::Other, databasePath, error) + u"\n"
                + notCompletedText(databasePath);
        }
    }
    report(Step::DatabaseBuilt);
    SettingFolder folder; // a house in a data.db keeps its settings in the folder's files
    if (!WriteDeliveredSettingFiles(folder, messages)) {
        removeBuilding(databasePath);
        return notCompletedText(databasePath);
    }
    report(Step::SettingFilesWritten);
    if (!DurableFile::renameOver(building, databasePath)) {
        removeBuilding(databasePath);
        return notCompletedText(databasePath);
    }
    report(Step::DatabaseInPlace);
    return {};
}

bool WriteDeliveredSettingFiles(SettingPlace& place, MessageService& messages)
{
    if (!place.holds(GroupCountFile.toString()) && !WriteSettingInt(place, GroupCountFile.toString(), 1, messages))
        return false;
    if (!place.holds(RoomNumbers::fileName(0))
        && !RoomNumbers::delivered().write(place, RoomNumbers::fileName(0), messages))
        return false;
    return place.holds(ServiceSettings::FileName.toString()) || ServiceSettings::delivered().write(place, messages);
}

void MigratePasswords(Database& database, MessageService& messages)
{
    if (const QString error = MigratePlainPasswords(database); !error.isEmpty())
        messages.inform(error, {}, MessageService::Icon::Warning);
}

} // namespace FirstStart
