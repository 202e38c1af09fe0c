#include "app/SqliteWorkerThread.h"

#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QThread>
#include <QVariant>

#include <sqlite3.h>

sqlite3* SqliteWorkerThread::handleOf(const QSqlDatabase& connection)
{
    const QVariant handle = connection.driver() ? connection.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

SqliteWorkerThread::~SqliteWorkerThread()
{
    stop();
}

void SqliteWorkerThread::start(Work work)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, work = std::move(work)] { work([this](sqlite3* handle) { watch(handle); }); });
    m_thread->start(QThread::LowPriority);
}

bool SqliteWorkerThread::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

void SqliteWorkerThread::watch(sqlite3* handle)
{
    QMutexLocker locker(&m_handleMutex);
    m_handle = handle;
    if (handle && m_stopping)
        sqlite3_interrupt(handle);
}

void SqliteWorkerThread::stop()
{
    if (!m_thread)
        return;
    m_stopping = true;
    // An interrupt that comes between two statements, or before the first has started, is
    // forgotten: interrupt until the thread has ended.
    do {
        QMutexLocker locker(&m_handleMutex);
        if (m_handle)
            sqlite3_interrupt(m_handle);
    } while (!m_thread->wait(20));
    delete m_thread;
    m_thread = nullptr;
}
