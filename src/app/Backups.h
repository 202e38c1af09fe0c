#pragma once

#include "app/Outcome.h"
#include "app/ServerAddress.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

struct sqlite3;

// The backups of a data folder. Each is a folder named by the moment it was taken,
// "tavrel-yyyyMMdd-HHmmss", holding a consistent copy of the database, compressed
// (data.db.zst, with contents.txt saying what it holds), and the setting files of the data
// folder beside it, and the digest of each of its pages (pages.xxh); an incremental backup
// holds only the pages changed since the whole copy it names (data.db.delta.zst, see
// BackupPages); backups of earlier versions hold data.db as it is. A desk whose house is
// kept on a database server backs up the server's database in the same layout: its dump
// (data.dump, pg_dump's own format, for the server's administrator to restore with
// pg_restore) with contents.txt beside it. The desk keeps them in
// backup/ in the data folder; a backup made before a restore ends in "-before-restore" and is
// never rotated away.
//
// A backup is written into a hidden folder of its own and takes its name only once the
// compressed copy has been read back from the disk and found whole, so a failed or interrupted
// backup leaves nothing that looks like a backup, and never replaces one.
//
// The desk touches nothing in a backup folder through a symbolic link: a link there is no
// backup, is never listed, emptied or removed, and is reported.
namespace Backups {

enum class Kind { Regular, BeforeRestore };

inline constexpr QStringView FolderName = u"backup";
inline constexpr QStringView DatabaseFileName = u"data.db";
inline constexpr QStringView CompressedFileName = u"data.db.zst";
inline constexpr QStringView DumpFileName = u"data.dump";
inline constexpr QStringView ContentsFileName = u"contents.txt";
// The limit of the backups' total size, in the data folder.
inline constexpr QStringView LimitFileName = u"backup.ini";

struct Entry
{
    QString path; // the backup's folder
    QDateTime taken;
    Kind kind = Kind::Regular;
    bool compressed = true;
    bool serverDump = false; // the dump of a server's database (then not compressed)
    // Holds only the pages changed since the whole copy `base` (the name of its folder beside
    // this one), and is restored with it.
    bool incremental = false;
    QString base;

    // data.db.zst, data.db.delta.zst for an incremental backup, data.db in a backup of an
    // earlier version, or data.dump.
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

struct Options
{
    Kind kind = Kind::Regular;
    HandleWatcher watcher;
    const std::atomic<bool>* stop = nullptr; // set by another thread to stop the backup
    // When the disk is short of room, the backups that rotation lets go anyway (and only
    // those) go first.
    bool makeRoom = false;
    QStringList* notes = nullptr; // what was left alone (links in the backup folder)
    // The backup may hold only the pages changed since the newest whole copy in the target
    // folder, when there is one of the last MaxBaseAgeDays and its incremental backups are still
    // small beside it; otherwise it is a whole copy.
    bool incremental = false;
};

// How old the whole copy that an incremental backup builds on may be.
inline constexpr int MaxBaseAgeDays = 14;

// The room backups may take on a disk.
struct Space
{
    qint64 disk = -1; // the disk's size (-1: unknown)
    qint64 limit = 0; // the most the backups of the desk's folder may take together
    qint64 reserve = 0; // what a backup always leaves free
};
// A tenth of the disk, unless the general manager set another limit (`limitMiB` > 0); the
// reserve is a twentieth of the disk, at most 2 GiB.
Space spaceOn(const QString& folder, qint64 limitMiB = 0);
// The limit the general manager set in `dataFolder` (LimitFileName), in MiB; 0: none set.
qint64 limitSetting(const QString& dataFolder);
bool setLimitSetting(const QString& dataFolder, qint64 limitMiB);
// What a backup folder takes on the disk.
qint64 sizeOf(const Entry& entry);

QString folderOf(const QString& dataFolder);

// The backups in `folder`, newest first; anything else there is left out.
QList<Entry> list(const QString& folder);

// Takes a backup of the database at `databasePath` and the setting files of `dataFolder` into
// a new folder in `targetFolder` (made when missing), named by `now`. The database is copied
// by SQLite's online backup on a read-only connection of its own, in one read transaction, a
// few MB at a time: the copy holds exactly what was committed at one moment, whatever is
// written meanwhile. Its pages go straight into the compressed file, which is then read back
// from the disk. A backup that would take the disk below its reserve is not taken, and says
// so. Every page's digest is kept beside the copy (BackupPages). Returns the backup, or the
// error text.
Outcome<Entry> make(const QString& databasePath, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, const Options& options = {});

// The database server a backup is taken from, and the password of the desk's connection
// (empty: libpq's own places). The password reaches pg_dump through its environment, never a
// file or its command line.
struct ServerLogin
{
    ServerAddress address;
    QString password;
};

// Takes a backup of the house on `server` and the setting files of `dataFolder` into a new
// folder in `targetFolder`, as make() does for a file: pg_dump writes the dump of one
// committed state (the snapshot of the transaction that also reads what contents.txt says),
// the dump is listed by pg_restore to prove it whole, and the folder takes its name only then.
// Returns the backup, or the error text (a missing pg_dump says which package to install).
Outcome<Entry> dump(const ServerLogin& server, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, const Options& options = {});

// Removes the regular backups of `folder` that BackupRotation lets go (but the whole copies
// that kept incremental backups build on), then, while the backups together take more than
// `limit` bytes (0: no limit), the oldest regular ones but the newest backup, a whole copy
// together with the incremental backups on it. Returns what could not be removed and what was
// left alone (one line each); `removed` gets the folders removed.
QStringList rotate(const QString& folder, const QDateTime& now, QStringList* removed = nullptr, qint64 limit = 0);

// Reads what the database at `path` holds, read-only: a file that is not a database of this
// program is refused with the database's text. For a compressed copy, what was written
// beside it when it was taken.
Outcome<Contents> inspect(const QString& path);

// Checks every page of the database file at `path` (SQLite's integrity check); returns the
// problems found, one line each, or the error text of a check that could not run.
QStringList problems(const QString& path, const HandleWatcher& watcher = {});

// What went wrong in preparing a restore.
struct RestoreProblem
{
    QString error; // empty: none
    bool diskFull = false; // the disk could not take the restored file: the backup may be sound
};

// What a restore at a desk says of a server's dump.
inline constexpr QStringView DumpRestoreText = u"这是数据库服务器的备份(pg_dump 的格式),不能在收银台恢复:"
                                               u"请服务器的管理员用 pg_restore 恢复。";

// The file that a restore puts in place of data.db: a copy of the backup's database
// (decompressed and checked against its checksum; an incremental backup's pages written over
// its whole copy and every page checked), opened as the desk opens its own (checked,
// brought to this program's version), its chains of the operator log and the receipts walked
// (a backup whose rows were changed outside the desk is refused) and checked page by page,
// then closed into one file. Nothing exists at `candidatePath` after a failure.
RestoreProblem prepareRestore(const QString& backupDatabase, const QString& candidatePath);
// Puts the prepared file in place of the closed database at `databasePath`, with no log of the
// old one left beside it. Returns the error text.
QString putInPlace(const QString& candidatePath, const QString& databasePath);

} // namespace Backups
