#include "shell/FirstStart.h"

#include "app/MessageService.h"
#include "app/SettingFile.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "users/AccountStore.h"

#include <QFileInfo>

namespace FirstStart {

void WriteDeliveredSettingFiles(MessageService& messages)
{
    if (!QFileInfo::exists(GroupCountFile.toString()))
        WriteSettingInt(GroupCountFile.toString(), 1, messages);
    if (!QFileInfo::exists(RoomNumbers::fileName(0)))
        RoomNumbers::delivered().write(RoomNumbers::fileName(0), messages);
    if (!QFileInfo::exists(ServiceSettings::FileName.toString()))
        ServiceSettings::delivered().write(ServiceSettings::FileName.toString(), messages);
}

void MigratePasswords(Database& database, MessageService& messages)
{
    if (const QString error = MigratePlainPasswords(database); !error.isEmpty())
        messages.inform(error, {}, MessageService::Icon::Warning);
}

} // namespace FirstStart
