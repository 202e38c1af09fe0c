#pragma once

#include <QString>

#include <functional>

class Database;
class MessageService;
class SettingPlace;

// What makes a data folder a working installation, on its first start and after an upgrade.
namespace FirstStart {

// The moments of a first start, in order.
enum class Step {
    DatabaseBuilt, // the new database is complete under its temporary name
    SettingFilesWritten,
    DatabaseInPlace, // data.db is there: the installation is complete
};

// Makes the data folder (the current directory) a new installation, all or nothing: the
// database is built under a temporary name, the missing setting files are written, and data.db
// is put in place last. A first start that is interrupted anywhere (a kill, a power cut, a
// full disk) leaves no data.db, so the next start simply does it again. `reached` hears of
// each step as it completes. Returns the message to show when it failed, empty on success.
QString Install(const QString& databasePath, MessageService& messages, const std::function<void(Step)>& reached = {});

// Writes the settings of a new installation that are not in `place` yet: one room group,
// rooms 101 to 140, and the delivered prices. False when one could not be written (its
// message was shown).
bool WriteDeliveredSettingFiles(SettingPlace& place, MessageService& messages);

// Passwords of an older database, and the delivered account, are stored as hashes from here
// on. Should that fail, the error is shown and logins still work against the plain values.
void MigratePasswords(Database& database, MessageService& messages);

} // namespace FirstStart
