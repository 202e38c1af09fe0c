#include "reports/QueryTotalsReader.h"

#include "app/Database.h"
#include "reports/ReceiptPayments.h"

#include <QMutex>
#include <QMutexLocker>
#include <QPointer>

namespace {

QMutex gateMutex;
std::function<void()> readGate;

} // namespace

QueryTotalsReader::QueryTotalsReader(const Database& database, QObject* parent)
    : QObject(parent)
    , m_database(database)
{ }

QueryTotalsReader::~QueryTotalsReader()
{
    stop();
}

void QueryTotalsReader::setReadGate(std::function<void()> gate)
{
    QMutexLocker locker(&gateMutex);
    readGate = std::move(gate);
}

QueryTotalsReader::Result QueryTotalsReader::read(
    Database& database, RecordKind kind, const QueryCondition& condition, bool withPayments)
{
    Result result;
    result.totals = ReadQueryTotals(database, kind, condition);
    if (withPayments && result.totals)
        result.payments = ReadPaymentTotals(database, condition);
    return result;
}

bool QueryTotalsReader::isRunning() const
{
    return m_worker && m_worker->isRunning();
}

void QueryTotalsReader::stop()
{
    ++m_generation;
    m_worker.reset(); // interrupts the read and waits for the thread
}

void QueryTotalsReader::start(RecordKind kind, const QueryCondition& condition, bool withPayments, Done done)
{
    stop();
    const quint64 generation = m_generation;
    m_worker = std::make_unique<SqliteWorkerThread>();
    SqliteWorkerThread* worker = m_worker.get();
    QPointer<QueryTotalsReader> self(this);
    worker->start([this, self, worker, generation, kind, condition, withPayments, done = std::move(done),
                      place = m_database.place()](const SqliteWorkerThread::HandleWatcher& watch) {
        {
            std::function<void()> gate;
            {
                QMutexLocker locker(&gateMutex);
                gate = readGate;
            }
            if (gate)
                gate();
        }
        Result result;
        {
            Database database;
            if (!database.openLike(place)) {
                result.totals = Failure { database.lastError() };
            } else {
                watch(SqliteWorkerThread::handleOf(database.connection()));
                result = read(database, kind, condition, withPayments);
                watch(nullptr);
            }
        }
        if (worker->isStopping())
            return;
        // Handed to the reader's thread; dropped there when another read started meanwhile.
        QMetaObject::invokeMethod(
            this,
            [self, generation, result, done] {
                if (self && self->m_generation == generation)
                    done(result);
            },
            Qt::QueuedConnection);
    });
}
