#include "app/DatabaseCheck.h"

#include "app/Database.h"
#include "app/DatabaseProblem.h"
#include "app/DurableFile.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <sqlite3.h>

namespace {

QString checkConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("tavrel-check-%1").arg(counter.fetchAndAddRelaxed(1));
}

DatabaseCheck::Verdict failedWith(const QSqlError& error)
{
    DatabaseCheck::Verdict verdict;
    verdict.error = DatabaseErrorText(error);
    verdict.code = error.nativeErrorCode().toInt();
    return verdict;
}

// Runs the check on a connection opened here; `opened` gets the connection's handle (and
// nullptr before the connection closes).
DatabaseCheck::Verdict check(const QString& filePath, const std::function<void(sqlite3*)>& opened)
{
    DatabaseCheck::Verdict verdict;
    const QString name = checkConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            verdict = failedWith(db.lastError());
        } else {
            opened(*static_cast<sqlite3* const*>(db.driver()->handle().constData()));
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("PRAGMA integrity_check"))) {
                verdict = failedWith(query.lastError());
            } else {
                while (query.next())
                    verdict.problems << query.value(0).toString();
                if (query.lastError().isValid())
                    verdict = failedWith(query.lastError());
            }
            if (verdict.problems == QStringList { QStringLiteral("ok") })
                verdict.problems.clear();
            query.finish();
            opened(nullptr);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}

} // namespace

DatabaseCheck::DatabaseCheck(QObject* parent)
    : QObject(parent)
{ }

DatabaseCheck::~DatabaseCheck()
{
    if (!m_thread)
        return;
    m_stopping = true;
    // An interrupt that comes before the check's statement has started is forgotten when it
    // starts: interrupt until the thread has ended.
    do {
        QMutexLocker locker(&m_handleMutex);
        if (m_handle)
            sqlite3_interrupt(m_handle);
    } while (!m_thread->wait(20));
    delete m_thread;
}

bool DatabaseCheck::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

DatabaseCheck::Verdict DatabaseCheck::run(const QString& filePath, const std::function<void(sqlite3*)>& opened)
{
    return check(
        filePath, opened ? opened : [](sqlite3*) {});
}

QString DatabaseCheck::report(const QString& filePath, const Verdict& verdict, bool logFound)
{
    QStringList lines = verdict.problems;
    if (!verdict.error.isEmpty()) {
        if (ProblemOfFailure(verdict.code, verdict.error) != DatabaseProblem::Damaged)
            return {};
        lines << verdict.error;
    }
    if (lines.isEmpty())
        return {};
    const QString whole
        = QStringLiteral("%1 的完整检查, %2\n\n").arg(filePath, QDateTime::currentDateTime().toString(Qt::ISODate))
        + lines.join(u'\n') + u'\n';
    const QString path = reportPath(filePath);
    const bool written = DurableFile::replace(path, whole.toUtf8());
    return DamagedDatabaseText(filePath, lines, logFound, written ? path : QString());
}

DatabaseCheck::Verdict DatabaseCheck::runStoppable(const QString& filePath)
{
    return check(filePath, [this](sqlite3* handle) {
        QMutexLocker locker(&m_handleMutex);
        m_handle = handle;
        if (handle && m_stopping)
            sqlite3_interrupt(handle);
    });
}

void DatabaseCheck::start(const QString& filePath)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, filePath] {
        const Verdict verdict = runStoppable(filePath);
        if (m_stopping)
            return;
        // Handed to this object's thread; dropped there if the check was stopped meanwhile.
        QMetaObject::invokeMethod(
            this, [this, verdict] { emit finished(verdict); }, Qt::QueuedConnection);
    });
    m_thread->start(QThread::LowPriority);
}
