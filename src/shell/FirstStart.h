#pragma once

class Database;
class MessageService;

// What makes a data folder a working installation, on its first start and after an upgrade.
namespace FirstStart {

// Writes the setting files of a new installation that are not there yet: one room group,
// rooms 101 to 140, and the delivered prices.
void WriteDeliveredSettingFiles(MessageService& messages);

// Passwords of an older database, and the delivered account, are stored as hashes from here
// on. Should that fail, the error is shown and logins still work against the plain values.
void MigratePasswords(Database& database, MessageService& messages);

} // namespace FirstStart
