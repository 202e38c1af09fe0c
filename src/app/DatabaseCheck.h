#pragma once

#include "app/SqliteWorkerThread.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Database;
struct sqlite3;

// The check of data.db: every page, by SQLite's quick check (every page and every row, in the
// time of one read of the file) or its whole integrity check (which also compares every index
// with its table and takes several times as long on years of bills); then, on sound pages, the
// walk of the chains of the operator log and the receipts (RecordChain.h) and the comparison of
// the daily ledger of the takings with the rows it sums, which read the whole file again.
// It runs after the board is shown, on a worker thread with a read-only connection of its own,
// so that the desk works meanwhile. This is the one place where the desk reads the database
// from a second thread: the check only reads, and the write-ahead log lets it read beside the
// desk's writes without blocking them.
class DatabaseCheck : public QObject
{
    Q_OBJECT

public:
    // The verdict of one check.
    struct Verdict
    {
        QStringList problems; // one line per problem found; empty when the file is sound
        // Where the daily ledger of the takings differs from the rows, one line per table, and
        // each member card whose cached balance differs from its ledger (CardBalanceProof.h)
        // (checked by start() only, on a sound file)
        QStringList ledgerDifferences;
        QString error; // the check could not run (or was stopped): the database error text
        int code = 0; // its SQLite result code
        // The chains of the operator log and the receipts (RecordChain.h), walked when the
        // pages are sound: one line per chain that no longer holds, in Chinese.
        QStringList chainBreaks;
        qint64 logRows = 0; // rows whose links were walked
        qint64 receipts = 0;

        bool sound() const { return problems.isEmpty() && error.isEmpty(); }
    };

    // How the pages are checked.
    enum class Depth { Quick, Thorough };
    // What a check reads: the pages and then the chains and the ledger, the pages alone, or the
    // chains alone.
    enum class Scope { Whole, Pages, Chains };

    explicit DatabaseCheck(QObject* parent = nullptr);
    ~DatabaseCheck() override; // stops a running check and waits for its thread

    // Starts the check of `filePath` on the worker thread; finished() follows on this thread.
    // With a day `since`, the chains are walked and the ledger compared only from that day on
    // (what was written since the last check); the pages are always checked whole.
    void start(
        const QString& filePath, Depth depth = Depth::Thorough, Scope scope = Scope::Whole, const QDate& since = {});
    // Starts the check of the place `database` is open on, a file or a server, on a connection
    // of its own; finished() follows on this thread. A file is checked as above; a server keeps
    // its own pages, so there the chains are walked and (Scope::Whole) the ledger compared.
    void start(const Database& database, Depth depth, Scope scope, const QDate& since = {});
    // Starts the walk of the chains alone (Scope::Chains) on the place `database` is open on.
    void startChains(const Database& database, const QDate& since = {})
    {
        start(database, Depth::Quick, Scope::Chains, since);
    }
    // The same walk of the chains, run on the calling thread.
    static Verdict runChains(const Database& database, const QDate& since = {});
    bool isRunning() const;

    // The same check, run on the calling thread. `opened` gets the check's connection handle
    // while it runs (and nullptr before it closes), so that another thread can interrupt it.
    static Verdict run(const QString& filePath, const std::function<void(sqlite3*)>& opened = {},
        Depth depth = Depth::Thorough, Scope scope = Scope::Whole, const QDate& since = {});
    // What the desk tells the user about a damaged file, empty when the verdict found no
    // damage (a check that could not run, for instance because the desk was closing, says
    // nothing). The whole check goes to ReportPath(filePath) beside the database, the message
    // shows its first lines. `logFound`: Database::logFoundAtOpen().
    static QString report(const QString& filePath, const Verdict& verdict, bool logFound);
    static QString reportPath(const QString& filePath) { return filePath + u"-check.txt"; }
    // What the desk tells the user about a ledger that differs from the rows; empty when it
    // agrees.
    static QString ledgerReport(const Verdict& verdict);
    // What the desk tells the manager when a chain no longer holds, empty when both hold.
    static QString chainReport(const Verdict& verdict);

signals:
    void finished(const DatabaseCheck::Verdict& verdict);

private:
    SqliteWorkerThread m_worker;
};
