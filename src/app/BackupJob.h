#pragma once

#include "app/Backups.h"
#include "app/SqliteWorkerThread.h"

#include <QObject>

// A backup taken off the user's way: the copy, its check and the rotation of the backup folder
// run on a worker thread with connections of their own, so that the desk works on while a
// large database is copied (or a server's is dumped). SQLite's copy reads one committed state and does not hold up the
// desk's writes (write-ahead log). Destroying the job stops a backup that is still running; it
// then leaves nothing behind.
class BackupJob : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QString databasePath;
        QString dataFolder; // the setting files beside the database
        QString targetFolder; // where the backup goes
        QDateTime now;
        Backups::Kind kind = Backups::Kind::Regular;
        bool rotate = true; // let old backups of the target folder go afterwards
        qint64 limit = 0; // what the rotated backups may take together, in bytes (0: no limit)
        std::optional<Backups::ServerLogin> server; // set: the house on this server, not the file
        bool incremental = false; // see Backups::Options
    };

    struct Result
    {
        std::optional<Backups::Entry> entry; // nothing when the backup failed
        QString error;
        QStringList removed; // old backups let go
        QStringList rotationFailures; // and the links left alone in the backup folder
    };

    explicit BackupJob(QObject* parent = nullptr);
    ~BackupJob() override;

    // Starts the backup on the worker thread; finished() follows on this thread. A job runs
    // one backup.
    void start(const Request& request);
    bool isRunning() const;

    // The same backup, on the calling thread.
    static Result run(
        const Request& request, const Backups::HandleWatcher& watcher = {}, const std::atomic<bool>* stop = nullptr);

signals:
    void finished(const BackupJob::Result& result);

private:
    SqliteWorkerThread m_worker;
};
