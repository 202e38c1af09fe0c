#pragma once

#include "app/Outcome.h"
#include "app/SqliteWorkerThread.h"
#include "desk/PaymentMethod.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"

#include <QObject>
#include <QString>

class Database;

#include <functional>
#include <memory>
#include <optional>

// Reads a query's totals (and the takings per payment method of receipts) on a worker thread,
// with a read-only connection of its own, so that the window is shown and answers the user
// while rows are added up: for a condition the daily ledger cannot answer, such as a
// technician number, the read goes through every row the condition lists.
//
// One read at a time: starting another stops the one running (its connection is interrupted)
// and its result is dropped. The result is handed to `done` on the reader's own thread.
class QueryTotalsReader : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        Outcome<QueryTotals> totals = QueryTotals {};
        std::optional<Outcome<PaymentTotals>> payments; // when asked for
    };
    using Done = std::function<void(const Result&)>;

    // Reads on a second connection to the place `database` is open on (a file or a server).
    explicit QueryTotalsReader(const Database& database, QObject* parent = nullptr);
    ~QueryTotalsReader() override; // stops a running read and waits for its thread

    void start(RecordKind kind, const QueryCondition& condition, bool withPayments, Done done);
    // Stops the read running, if any; its result never comes.
    void stop();
    bool isRunning() const;

    // The same read on the calling thread, over `database`.
    static Result read(Database& database, RecordKind kind, const QueryCondition& condition, bool withPayments);

    // For the tests: runs on the worker thread before each read (a test holds it to keep a
    // read running). Not for the desk.
    static void setReadGate(std::function<void()> gate);

private:
    const Database& m_database;
    std::unique_ptr<SqliteWorkerThread> m_worker;
    quint64 m_generation = 0;
};
