#include "app/DatabaseCheck.h"

#include "app/CardBalanceProof.h"
#include "app/Database.h"
#include "app/DatabaseProblem.h"
#include "app/DurableFile.h"
#include "app/RecordChain.h"
#include "app/TakingsLedger.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

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
DatabaseCheck::Verdict check(const QString& filePath, const std::function<void(sqlite3*)>& opened,
    DatabaseCheck::Depth depth, DatabaseCheck::Scope scope, const QDate& since)
{
    const QString sinceDay = since.isValid() ? since.toString(u"yyyy-MM-dd") : QString();
    DatabaseCheck::Verdict verdict;
    const QString name = checkConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            verdict = failedWith(db.lastError());
        } else {
            opened(SqliteWorkerThread::handleOf(db));
            QSqlQuery query(db);
            query.setForwardOnly(true);
            // The pages are read through a map of the file rather than a call each.
            query.exec(QStringLiteral("PRAGMA mmap_size=2147418112"));
            query.finish();
            const QString statement = depth == DatabaseCheck::Depth::Quick ? QStringLiteral("PRAGMA quick_check")
                                                                           : QStringLiteral("PRAGMA integrity_check");
            if (scope == DatabaseCheck::Scope::Chains) {
                // nothing but the chains
            } else if (!query.exec(statement)) {
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
            // The chains are walked only on sound pages, and only in a file that has them.
            if (verdict.sound() && scope != DatabaseCheck::Scope::Pages
                && query.exec(
                    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='chain_link'"))
                && query.next() && query.value(0).toInt() > 0) {
                query.finish();
                const RecordChain::Verdict chains = RecordChain::verify(db, sinceDay);
                if (!chains.error.isEmpty()) {
                    verdict.error = chains.error;
                } else {
                    verdict.chainBreaks = chains.breaks;
                    verdict.logRows = chains.logRows;
                    verdict.receipts = chains.receipts;
                }
            }
            // The ledger is compared only with rows that were found sound.
            if (scope == DatabaseCheck::Scope::Whole && verdict.sound()) {
                QString error;
                verdict.ledgerDifferences = TakingsLedger::Differences(db, &error, sinceDay);
                // The member cards' balances are proved against their whole ledger each time.
                if (error.isEmpty())
                    verdict.ledgerDifferences += CardBalanceDifferences(db, &error);
                if (!error.isEmpty()) {
                    verdict.error = error;
                    verdict.code = 0;
                }
            }
            query.finish();
            opened(nullptr);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}

// The check of a house on a server, on a read-only connection of its own: the server keeps its
// own pages, so the chains are walked and, with `ledger`, the daily ledger compared with the rows.
DatabaseCheck::Verdict checkOnServer(const Database::Place& place, const QDate& since, bool ledger)
{
    DatabaseCheck::Verdict verdict;
    Database reader;
    if (!reader.openLike(place)) {
        verdict.error = reader.lastError();
        return verdict;
    }
    const QString sinceDay = since.isValid() ? since.toString(u"yyyy-MM-dd") : QString();
    const RecordChain::Verdict chains = RecordChain::verify(reader.connection(), sinceDay);
    if (ledger && chains.error.isEmpty()) {
        QString error;
        QSqlDatabase connection = reader.connection();
        verdict.ledgerDifferences = TakingsLedger::Differences(connection, &error, sinceDay);
        if (error.isEmpty())
            verdict.ledgerDifferences += CardBalanceDifferences(connection, &error);
        verdict.error = error;
    }
    if (verdict.error.isEmpty())
        verdict.error = chains.error;
    verdict.chainBreaks = chains.breaks;
    verdict.logRows = chains.logRows;
    verdict.receipts = chains.receipts;
    return verdict;
}

} // namespace

DatabaseCheck::DatabaseCheck(QObject* parent)
    : QObject(parent)
{ }

DatabaseCheck::~DatabaseCheck() = default;

bool DatabaseCheck::isRunning() const
{
    return m_worker.isRunning();
}

DatabaseCheck::Verdict DatabaseCheck::run(
    const QString& filePath, const std::function<void(sqlite3*)>& opened, Depth depth, Scope scope, const QDate& since)
{
    return check(
        filePath, opened ? opened : [](sqlite3*) {}, depth, scope, since);
}

QString DatabaseCheck::chainReport(const Verdict& verdict)
{
    if (verdict.chainBreaks.isEmpty())
        return {};
    return QStringLiteral("操作日志或营业单据在本程序之外被改动过,校验链不再相符:\n\n%1\n\n"
                          "请总经理在“工具”→“操作日志”中查看,并与备份和打印的单据核对。")
        .arg(verdict.chainBreaks.join(u'\n'));
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

QString DatabaseCheck::ledgerReport(const Verdict& verdict)
{
    if (verdict.ledgerDifferences.isEmpty())
        return {};
    return QStringLiteral(
        "营业日帐与已存的单据不符,查询合计、营业图表和工资表的数字可能不准:\n%1\n单据本身完好。请联系维护人员核对。")
        .arg(verdict.ledgerDifferences.join(u'\n'));
}

void DatabaseCheck::start(const Database& database, Depth depth, Scope scope, const QDate& since)
{
    const Database::Place place = database.place();
    if (!place.server) {
        start(place.filePath, depth, scope, since);
        return;
    }
    const bool ledger = scope == Scope::Whole;
    m_worker.start([this, place, since, ledger](const SqliteWorkerThread::HandleWatcher&) {
        const Verdict verdict = checkOnServer(place, since, ledger);
        if (m_worker.isStopping())
            return;
        QMetaObject::invokeMethod(
            this, [this, verdict] { emit finished(verdict); }, Qt::QueuedConnection);
    });
}

DatabaseCheck::Verdict DatabaseCheck::runChains(const Database& database, const QDate& since)
{
    const Database::Place place = database.place();
    return place.server ? checkOnServer(place, since, false)
                        : run(place.filePath, {}, Depth::Quick, Scope::Chains, since);
}

void DatabaseCheck::start(const QString& filePath, Depth depth, Scope scope, const QDate& since)
{
    m_worker.start([this, filePath, depth, scope, since](const SqliteWorkerThread::HandleWatcher& watcher) {
        const Verdict verdict = check(filePath, watcher, depth, scope, since);
        if (m_worker.isStopping())
            return;
        // Handed to this object's thread; dropped there if the check was stopped meanwhile.
        QMetaObject::invokeMethod(
            this, [this, verdict] { emit finished(verdict); }, Qt::QueuedConnection);
    });
}
