#pragma once

#include <QByteArray>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QSqlDatabase;
struct SqlResult;

// The statements of a desk whose house is on a server, run through the server's own client
// library on the connection QtSql opened: each statement is prepared once by name and then
// executed with its values sent apart from it, as the server's protocol intends. (QtSql's
// driver sends every run as the text "EXECUTE name ('value', …)", which the server parses
// anew each time; a settlement runs some thirty statements.) The rows come back as QtSql
// would give them: the same value types, NULL as a null value of the column's type.
//
// A statement whose answer nobody waits for (a row written, a savepoint) can be deferred: it is
// sent with the next statement that is waited for, all in one round trip through the client
// library's pipeline, in the order they were given. Its failure is the failure of that next
// statement, and leaves the server's transaction failed, so the caller's transaction fails as a
// whole and nothing of it is kept.
class ServerStatements
{
public:
    // Runs the deferred statements and then `sql`, its `?` placeholders filled from `values` in
    // order (a null value is NULL), and puts its rows or the count of rows it changed into
    // `result`. False with `error` set when the server refused any of them or the connection is
    // gone.
    bool run(const QSqlDatabase& connection, const QString& sql, const QVariantList& values, SqlResult* result,
        QSqlError* error);
    // Keeps `sql` with `values` to be sent with the next statement run. Only prepares it (once
    // per statement text), so it fails only when the server refuses the statement itself.
    // With `answer`, its rows or count are put there when they come, and its error is cleared.
    bool defer(const QSqlDatabase& connection, const QString& sql, const QVariantList& values, QSqlError* error,
        std::shared_ptr<SqlResult> answer = nullptr);
    // Sends the deferred statements now, if any. False with `error` as run().
    bool flush(const QSqlDatabase& connection, QSqlError* error);
    bool hasDeferred() const { return !m_deferred.empty(); }
    // Whether the server holds a transaction open on `connection`, or cannot tell.
    static bool transactionOpen(const QSqlDatabase& connection);
    // How many times the statements have waited for the server's answer: its round trips.
    int waits() const { return m_waits; }
    // Forgets the deferred statements unsent (their transaction is being rolled back).
    void dropDeferred() { m_deferred.clear(); }
    // Forgets every statement prepared (the connection they were prepared on is gone).
    void clear();

private:
    struct Prepared
    {
        QByteArray name;
        int parameters = 0;
    };
    // One run of a prepared statement with its values in the server's text form.
    struct Execution
    {
        QByteArray name;
        std::vector<QByteArray> texts;
        std::vector<bool> nulls;
        bool commit = false; // answered ROLLBACK when the transaction had failed
        std::shared_ptr<SqlResult> answer; // of a deferred statement whose answer is kept
    };

    // The connection's handle, forgetting what was prepared when it is a new one; null with
    // `error` set when there is none.
    struct pg_conn* serverOf(const QSqlDatabase& connection, QSqlError* error);
    const Prepared* prepared(struct pg_conn* server, const QString& sql, QSqlError* error);
    static Execution bound(const Prepared& statement, const QVariantList& values);
    // A run of `sql` with `values`, prepared first when new; nothing with `error` set when the
    // server refuses the statement or the values do not fit it.
    std::optional<Execution> execution(
        struct pg_conn* server, const QString& sql, const QVariantList& values, QSqlError* error);
    // Sends the deferred statements and `last` (when given) in one pipeline and reads their
    // answers; `last`'s rows go into `result`.
    bool pipeline(struct pg_conn* server, const Execution* last, SqlResult* result, QSqlError* error);
    // Asks the driver to look for notices that came in with an answer.
    void lookForNotices(const QSqlDatabase& connection);

    // The server connection the statements were prepared on, and its session on the server.
    const void* m_connection = nullptr;
    int m_session = 0;
    std::unordered_map<QString, Prepared> m_prepared; // by statement text
    int m_named = 0;
    int m_waits = 0;
    std::vector<Execution> m_deferred;
    // Whether the driver has been asked to look for notices and has not looked yet.
    std::shared_ptr<bool> m_lookPosted = std::make_shared<bool>(false);
};
