#pragma once

#include <QMutex>

#include <atomic>
#include <functional>

class QSqlDatabase;
class QThread;
struct sqlite3;

// A long read of the database (a check of every page, a backup) on a thread of its own, which
// the desk can stop at any moment: the work reports the handle of the connection it runs on,
// and stopping interrupts that connection until the thread has ended.
class SqliteWorkerThread
{
public:
    // What the work calls with its connection handle when it opens it, and with nullptr
    // before it closes it.
    using HandleWatcher = std::function<void(sqlite3*)>;
    using Work = std::function<void(const HandleWatcher&)>;

    // The engine handle of an open SQLite connection, for the watcher; null for a connection
    // of another engine.
    static sqlite3* handleOf(const QSqlDatabase& connection);

    SqliteWorkerThread() = default;
    ~SqliteWorkerThread(); // stops
    SqliteWorkerThread(const SqliteWorkerThread&) = delete;
    SqliteWorkerThread& operator=(const SqliteWorkerThread&) = delete;

    // Starts the work at low priority; one work per worker, a second start is ignored.
    void start(Work work);
    bool isRunning() const;
    // Set once stopping has begun: the work's result is then no longer wanted.
    bool isStopping() const { return m_stopping; }
    // The same, for work that looks at it between its steps.
    const std::atomic<bool>& stopping() const { return m_stopping; }
    // Interrupts the work and waits for its thread.
    void stop();

private:
    void watch(sqlite3* handle);

    QThread* m_thread = nullptr;
    QMutex m_handleMutex; // guards m_handle against its connection closing
    sqlite3* m_handle = nullptr;
    std::atomic<bool> m_stopping = false;
};
