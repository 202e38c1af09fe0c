#pragma once

#include "app/Backups.h"

class QSqlDatabase;

// How a backup folder is written, whatever the backup copies: the copy goes into a hidden
// folder of its own, which takes the backup's name only once everything in it has been
// written and checked. For the files of Backups.cpp and BackupsOfServer.cpp only.
namespace Backups::Folder {

// A backup being written.
struct Partial
{
    QString path; // the hidden folder written into
    QString finalPath; // the name it takes when complete
    QDateTime taken; // the moment in its name
    Kind kind = Kind::Regular;
};

// Makes `targetFolder` when missing and removes what an interrupted backup left there;
// returns the error text.
QString clearLeftovers(const QString& targetFolder, const Options& options);
// Empty when `needed` bytes fit on the disk above its reserve (after letting old backups go
// where the options allow it); otherwise what says that no backup was taken.
QString roomRefusal(
    const QString& targetFolder, qint64 needed, const Space& space, const QDateTime& now, const Options& options);
// What the next whole backup in `folder` will take: about what the newest whole one took, or a
// third of the database's `databaseBytes`.
qint64 expectedBytes(const QString& folder, qint64 databaseBytes);
Outcome<Partial> start(const QString& targetFolder, const QDateTime& now, Kind kind);
// Writes contents.txt, copies the setting files of `dataFolder` and names the backup;
// returns the error text.
QString complete(const Partial& partial, const QByteArray& contents, const QString& dataFolder);
void discard(const Partial& partial);

// The receipts a database holds (their count, the last one's number, time and total), for
// contents.txt; returns the error text.
QString readReceipts(QSqlDatabase& db, Contents& contents);

// What an incremental backup builds on: the whole copy's folder name and the digest of its
// data.db.zst; and the size of the database it restores.
struct Increment
{
    QString base;
    QByteArray baseDigest;
    qint64 databaseBytes = 0;
};

// contents.txt for what a backup holds; `bytes` and `digest` describe its database's file (a
// digest that takes the file's first `headBytes` in last).
QByteArray contentsText(const Contents& contents, qint64 bytes, const QByteArray& digest, qint64 headBytes = 0,
    const Increment* increment = nullptr);
bool syncFile(const QString& path);
QString megabytes(qint64 bytes);

} // namespace Backups::Folder
