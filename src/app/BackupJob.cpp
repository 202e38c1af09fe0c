#include "app/BackupJob.h"

BackupJob::BackupJob(QObject* parent)
    : QObject(parent)
{ }

// Destroying the job stops a backup still running; the interrupted copy is removed by the
// backup itself.
BackupJob::~BackupJob() = default;

bool BackupJob::isRunning() const
{
    return m_worker.isRunning();
}

BackupJob::Result BackupJob::run(
    const Request& request, const Backups::HandleWatcher& watcher, const std::atomic<bool>* stop)
{
    Result result;
    const Backups::Options options { .kind = request.kind,
        .watcher = watcher,
        .stop = stop,
        .makeRoom = request.rotate,
        .notes = &result.rotationFailures,
        .incremental = request.incremental };
    const Outcome<Backups::Entry> made = request.server
        ? Backups::dump(*request.server, request.dataFolder, request.targetFolder, request.now, options)
        : Backups::make(request.databasePath, request.dataFolder, request.targetFolder, request.now, options);
    if (!made) {
        result.error = made.text();
        return result;
    }
    result.entry = made.value();
    // Old backups go only after a new one has been written and checked.
    if (request.rotate) {
        result.rotationFailures += Backups::rotate(request.targetFolder, request.now, &result.removed, request.limit);
        result.rotationFailures.removeDuplicates(); // a link met by both
    }
    return result;
}

void BackupJob::start(const Request& request)
{
    m_worker.start([this, request](const SqliteWorkerThread::HandleWatcher& watcher) {
        const Result result = run(request, watcher, &m_worker.stopping());
        if (m_worker.isStopping())
            return;
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    });
}
