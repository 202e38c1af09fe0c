#pragma once

#include "app/DatabaseProblem.h"
#include "app/Outcome.h"
#include "app/ServerAddress.h"
#include "app/SqlDialect.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

class QSqlError;
class ServerStatements;

// Outcome of one statement: the rows it returned (for a select) or the error text the desk
// shows in a message box when it failed.
struct SqlResult
{
    QList<QSqlRecord> rows;
    QString error;
    int code = 0; // SQLite's result code of a failure
    int rowsAffected = 0;

    bool ok() const { return error.isEmpty(); }
    bool isEmpty() const { return rows.isEmpty(); }
    const QSqlRecord& first() const { return rows.first(); }
};

// The one database layer of the desk: the SQLite file data.db opened through QtSql.
// Every value reaches a statement as a bound value, so typed text never changes a statement;
// every prepare, exec and fetch is checked and a failure comes back with its error text.
// Each statement text is prepared once and kept for the life of the connection; after every
// use it is reset, so that no finished read keeps a read transaction open.
//
// Writes that belong together run in a SqlTransaction; transactions nest (see
// SqlTransaction.h), and work queued with onCommit() runs only when the outermost one commits.
//
// Only the database layer knows which engine it speaks to. The layer is these files of app/:
// Database*, SqlDialect*, Schema*, DatabaseCheck*, Backups*, SqliteWorkerThread*, SqlTransaction*,
// ServerFunctions* and ServerAddress*. The engine's own machinery (PRAGMA, VACUUM INTO, the
// page checks, sqlite3_* calls, the server's functions) stays in them. Every other file builds
// its statements from plain SQL that both engines accept and takes what an engine spells its
// own way from dialect(); scripts/check-engine-spellings.sh (CTest engine_spellings) fails
// when an engine's spelling shows up anywhere else.
class Database
{
public:
    static constexpr int SchemaVersion = 16;

    explicit Database(QString connectionName = {}); // empty: a unique name is chosen
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file and checks what is cheap at any size: that it is a
    // database of a version this program knows, with the tables, columns, indexes and triggers of that
    // version, and that a real write goes through (it is rolled back). Then an older version
    // is migrated and the file is switched to write-ahead logging. The file is not changed when
    // any check fails. The thorough check of every page runs later, off the user's way
    // (DatabaseCheck).
    bool open(const QString& filePath);
    // Creates a new database file with every table and the fixed rows. Only the deliberate
    // first-start path calls this; an existing file is refused. An older `version` makes the
    // file an earlier release would have made (for the tests of the migrations).
    bool create(const QString& filePath, int version = SchemaVersion);
    // Opens the house kept on a PostgreSQL server, with the same checks as open() (the version,
    // the shape of the tables, a write that goes through) and the same migration. `password`
    // empty: libpq finds it (~/.pgpass, PGPASSFILE) or the server asks for none; when the server
    // wants one that was not given, problem() is PasswordNeeded. An empty database is refused
    // (NoHouse): a house is made on a server only by createHouse().
    bool openServer(const ServerAddress& server, const QString& password = {});
    // Makes the tables and fixed rows of a new house on an empty database of the server, in one
    // transaction. A database that holds a house, or any table at all, is never changed.
    bool createHouse(const ServerAddress& server, const QString& password = {});
    // Opens the file read-only, as it is, for reading on a worker thread beside the desk's own
    // connection (which checked and migrated it). Returns false with lastError() set.
    bool openReader(const QString& filePath);
    // Where a connection is open: its file, or its server and the password it was opened with.
    // Taken on the desk's thread and handed to a worker, which opens its own connection there.
    struct Place
    {
        QString filePath;
        std::optional<ServerAddress> server;
        QString password;
    };
    Place place() const { return { m_filePath, m_server, m_password }; }
    // Opens a second connection to `place`, for reading on a worker thread: the file as
    // openReader() does, or the same server with the same password, where every transaction of
    // this connection is read-only. Returns false with lastError() set.
    bool openLike(const Place& place);
    bool openLike(const Database& other) { return openLike(other.place()); }
    // The schema version a file was last brought to, read from its header without changing
    // it; empty when the file cannot be read as a database.
    static std::optional<int> versionOf(const QString& filePath);
    void close();
    // Folds the write-ahead log into the file and closes it, so that the file alone holds
    // everything (before it is moved into place). Returns the error text, empty on success.
    QString closeIntoOneFile();
    bool isOpen() const;

    // After a failed open() or create(): the message for the user (what is wrong, what to do,
    // and the database's own text), what kind of problem it was, and the database's text alone.
    QString lastError() const { return m_lastError; }
    DatabaseProblem problem() const { return m_problem; }
    QString problemDetail() const { return m_problemDetail; }
    QString filePath() const { return m_filePath; }
    // The server of a house kept there (openServer()); nothing for a file.
    const std::optional<ServerAddress>& server() const { return m_server; }
    // Whether a non-empty write-ahead log lay beside the file when open() found it: after a
    // backup was put back, a log of other data explains damage.
    bool logFoundAtOpen() const { return m_logFoundAtOpen; }

    // Runs one statement with `?` placeholders filled from `values`, in order.
    SqlResult exec(const QString& sql, const QVariantList& values = {});
    // Runs one write whose answer the caller does not read (no rows, no count), inside the open
    // transaction. On a file it runs at once. On a server it is sent with the next statement
    // that is waited for (or the commit), in one round trip, in the order given; a failure of it
    // is then the failure of that statement and fails the transaction. Returns the error text
    // known now, empty when none.
    QString execLater(const QString& sql, const QVariantList& values = {});
    // Runs one statement whose answer the caller reads only later, inside the open transaction:
    // on a server it goes as execLater() does, and the answer is filled in when the statement
    // after it that is waited for (or the commit) has come back; until then, and when it failed,
    // its error is set. On a file, and outside a transaction, it runs at once.
    std::shared_ptr<const SqlResult> readLater(const QString& sql, const QVariantList& values = {});
    // The error of a readLater() whose answer has not come.
    static const QString UnansweredText;
    // Sends the statements execLater() and readLater() kept on a server now, and waits for
    // them. The error text.
    QString sendDeferred();
    // How many times the statements of exec(), execLater() and readLater() have waited for the
    // server: their round trips (none on a file). For the tests and the benchmarks.
    int serverWaits() const;
    // Runs one statement as it is written, without preparing it or keeping it: for definitions
    // of tables, triggers and functions, whose text may hold what a prepared statement would
    // take for placeholders.
    SqlResult execAsWritten(const QString& sql);
    // Convenience for reading a single value of the first row (null when there is none).
    QVariant scalar(const QString& sql, const QVariantList& values = {}, QString* error = nullptr);

    // The connection itself, for a query of QtSql's own. On a server, what execLater() kept
    // (BEGIN and the write lock too) is not sent by such a query: send it first (sendDeferred()).
    QSqlDatabase connection() const;

    // The version of the schema the file holds (0 for a new file); `error` gets the database
    // error text.
    int schemaVersion(QString* error);
    // Part of a migration's transaction. Returns the error text, empty on success.
    QString setSchemaVersion(int version);

    // Runs `write` (which returns an error text) so that what it overwrites or deletes leaves
    // no trace in the file: overwritten cells are zeroed, and the log that still holds the old
    // pages is emptied afterwards when no reader holds it.
    QString eraseOverwritten(const std::function<QString()>& write);

    // --- reading large results (Database reading part, DatabaseReading.cpp) --------------------

    // Reads the rows of a select one at a time, as they come, without collecting them: `row`
    // gets each one and returns false to stop early. The statement is reset afterwards, so no
    // read transaction outlives the call. Returns the error text, empty on success. For results
    // that can be large; exec() is for the few rows a dialog reads at once.
    using RowReader = std::function<bool(const QSqlQuery& row)>;
    QString readRows(const QString& sql, const QVariantList& values, const RowReader& row);

    // The spellings of the engine this connection speaks to, for statements built on a floor
    // above (SQLite until the connection is opened elsewhere).
    const SqlDialect& dialect() const { return m_dialect; }

    // Runs one INSERT of a single row and gives the new row's key (SqlDialect::rowKey()), read
    // by the statement itself: `sql` ends with its VALUES list.
    Outcome<qint64> insert(const QString& sql, const QVariantList& values = {});

    // Gives a SQLite connection opened outside this class the money functions the dialect
    // spells (SqlDialect::fen(), fenSum()).
    // Returns false when the connection has no engine handle to give them to.
    static bool addMoneyFunctions(const QSqlDatabase& connection);

    // How many transactions are open now: 0 outside any, 1 inside the outermost one.
    int transactionDepth() const { return static_cast<int>(m_transactions.size()); }
    // Queues `work` for the moment the outermost transaction has committed; it is dropped
    // when the transaction (or the savepoint it was queued in) rolls back. Outside any
    // transaction it runs at once. Memory that mirrors the database changes this way.
    void onCommit(std::function<void()> work);
    // Queues `work` for a rollback of the innermost open transaction (or of an outer one it
    // was released into); outside any transaction it is dropped.
    void onRollback(std::function<void()> work);
    // Queues a notice for the other desks of a house kept on a server: `payload` on `channel`,
    // sent just before the outermost transaction commits, all of its notices in one statement
    // and each once, so that the server delivers them with the commit and never after a
    // rollback; a rollback that undoes the level it was queued in drops it. Outside any
    // transaction it is sent at once. Nothing is sent from a file. The error text, empty on
    // success.
    QString noticeAtCommit(const QString& channel, const QString& payload);

private:
    friend class SqlTransaction;

    // One open transaction or savepoint and the work queued in it.
    struct TransactionLevel
    {
        QList<std::function<void()>> onCommit;
        QList<std::function<void()>> onRollback; // run last first
        QList<std::pair<QString, QString>> notices; // channel and payload, each once
        // On a server: how many savepoints stood when this level began (its own comes on top).
        int standingBefore = 0;
    };

    bool openConnection(const QString& filePath);
    bool connectServer(const ServerAddress& server, const QString& password);
    // Nothing of this program's house on the server's database: no table in its schema.
    Outcome<bool> serverIsEmpty();
    bool configure();
    bool fail(DatabaseProblem problem, const QString& detail);
    bool fail(const SqlResult& failed);
    // A write that reaches the file's pages, rolled back: a read-only file or folder, a full
    // disk or a lock held by another program shows here and not at the first bill.
    SqlResult probeWrite();
    QSqlQuery* preparedStatement(const QString& sql, SqlResult* failure);
    // exec() on a server.
    SqlResult execOnServer(const QString& sql, const QVariantList& values);
    static QVariantList boundValues(const QVariantList& values);
    // The text and code of a server's refusal into `result`; a lost connection is closed.
    void failOnServer(const QSqlError& error, SqlResult* result);
    QString beginOnServer();
    // The kept statement of `sql`, run with `values`; null with the error in `failure`.
    QSqlQuery* executed(const QString& sql, const QVariantList& values, SqlResult* failure);

    // Used by SqlTransaction: the outermost level begins a write, inner ones are
    // savepoints. Each returns the error text, empty on success.
    QString beginTransaction();
    QString commitTransaction();
    void rollbackTransaction();
    // Sends the notices of the outermost transaction, in one statement.
    QString sendNotices(const QList<std::pair<QString, QString>>& notices);

    QString m_connectionName;
    SqlDialect m_dialect { SqlEngine::Sqlite };
    QString m_filePath;
    std::optional<ServerAddress> m_server;
    QString m_password; // the one the server was opened with, for openLike() and to connect again
    QString m_lastError;
    DatabaseProblem m_problem = DatabaseProblem::None;
    QString m_problemDetail;
    int m_lastFailureCode = 0; // of the last statement that failed
    bool m_logFoundAtOpen = false;
    std::unordered_map<QString, QSqlQuery> m_statements; // by statement text
    std::unique_ptr<ServerStatements> m_serverStatements; // on a server, through its client library
    QList<TransactionLevel> m_transactions;
    int m_standingSavepoints = 0; // left standing in the open transaction (see SqlDialect)
};

// The text the desk shows for a failed database call.
QString DatabaseErrorText(const class QSqlError& error);
