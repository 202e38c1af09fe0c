#pragma once

#include "app/Outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct sqlite3;

// The backups of a data folder. Each is a folder named by the moment it was taken,
// "tavrel-yyyyMMdd-HHmmss", holding a consistent copy of the database (data.db) and the setting
// files of the data folder beside it. The desk keeps them in backup/ in the data folder; a
// backup made before a restore ends in "-before-restore" and is never rotated away.
//
// A backup is written into a hidden folder of its own and takes its name only once the copy
// has passed SQLite's integrity check, so a failed or interrupted backup leaves nothing that
// looks like a backup, and never replaces one.
namespace Backups {

enum class Kind { Regular, BeforeRestore };

inline constexpr QStringView FolderName = u"backup";
inline constexpr QStringView DatabaseFileName = u"data.db";

struct Entry
{
    QString path; // the backup's folder
    QDateTime taken;
    Kind kind = Kind::Regular;

    QString databasePath() const;
};

// What a backup's database says about itself, for choosing one to restore.
struct Contents
{
    int schemaVersion = 0;
    qint64 receiptCount = 0;
    qint64 lastReceipt = 0; // 0: no receipt
    QDateTime lastReceiptTime;
    QString lastReceiptTotal;
};

// Gets the handle of a connection working for a backup while it works (nullptr before it
// closes), so that another thread can interrupt it.
using HandleWatcher = std::function<void(sqlite3*)>;

QString folderOf(const QString& dataFolder);

// The backups in `folder`, newest first; anything else there is left out.
QList<Entry> list(const QString& folder);

// Takes a backup of the database at `databasePath` and the setting files of `dataFolder` into
// a new folder in `targetFolder` (made when missing), named by `now`. The database is copied
// by SQLite on a read-only connection of its own (VACUUM INTO): the copy holds exactly what
// was committed when it began, whatever is written meanwhile. Returns the backup, or the error
// text.
Outcome<Entry> make(const QString& databasePath, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, Kind kind = Kind::Regular, const HandleWatcher& watcher = {});

// Removes the regular backups of `folder` that BackupRotation lets go. Returns what could not
// be removed (one line each); `removed` gets the folders removed.
QStringList rotate(const QString& folder, const QDateTime& now, QStringList* removed = nullptr);

// Reads what the database file at `path` holds, read-only: a file that is not a database of
// this program is refused with the database's text.
Outcome<Contents> inspect(const QString& path);

// Checks every page of the database file at `path` (SQLite's integrity check); returns the
// problems found, one line each, or the error text of a check that could not run.
QStringList problems(const QString& path, const HandleWatcher& watcher = {});

// The file that a restore puts in place of data.db: a copy of the backup's database, opened as
// the desk opens its own (checked, brought to this program's version), its chains of the
// operator log and the receipts walked (a backup whose rows were changed outside the desk is
// refused) and checked page by page, then closed into one file. Returns the error text; nothing exists at
// `candidatePath` after a failure.
QString prepareRestore(const QString& backupDatabase, const QString& candidatePath);
// Puts the prepared file in place of the closed database at `databasePath`, with no log of the
// old one left beside it. Returns the error text.
QString putInPlace(const QString& candidatePath, const QString& databasePath);

} // namespace Backups
