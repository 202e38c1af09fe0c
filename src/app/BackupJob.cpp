#include "app/BackupJob.h"

#include <QMutexLocker>
#include <QThread>

#include <sqlite3.h>

BackupJob::BackupJob(QObject* parent)
    : QObject(parent)
{ }

BackupJob::~BackupJob()
{
    if (!m_thread)
        return;
    m_stopping = true;
    // An interrupt that comes between two statements is forgotten: interrupt until the thread
    // has ended. The interrupted copy is removed by the backup itself.
    do {
        QMutexLocker locker(&m_handleMutex);
        if (m_handle)
            sqlite3_interrupt(m_handle);
    } while (!m_thread->wait(20));
    delete m_thread;
}

bool BackupJob::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

BackupJob::Result BackupJob::run(const Request& request, const Backups::HandleWatcher& watcher)
{
    Result result;
    const Outcome<Backups::Entry> made = Backups::make(
        request.databasePath, request.dataFolder, request.targetFolder, request.now, request.kind, watcher);
    if (!made) {
        result.error = made.text();
        return result;
    }
    result.entry = made.value();
    // Old backups go only after a new one has been written and checked.
    if (request.rotate)
        result.rotationFailures = Backups::rotate(request.targetFolder, request.now, &result.removed);
    return result;
}

void BackupJob::start(const Request& request)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, request] {
        const Result result = run(request, [this](sqlite3* handle) {
            QMutexLocker locker(&m_handleMutex);
            m_handle = handle;
            if (handle && m_stopping)
                sqlite3_interrupt(handle);
        });
        if (m_stopping)
            return;
        QMetaObject::invokeMethod(
            this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
    });
    m_thread->start(QThread::LowPriority);
}
