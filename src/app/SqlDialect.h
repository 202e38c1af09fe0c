#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// The database engines the desk can keep its house in: the SQLite file data.db in the data
// folder (the embedded default), or a PostgreSQL server shared by several desks.
enum class SqlEngine { Sqlite, Postgres };

// The names of the money functions: SQLite gets them from Database::addMoneyFunctions(), the
// server from the functions its schema creates.
inline constexpr char FenFunctionName[] = "tavrel_fen";
inline constexpr char FenSumFunctionName[] = "tavrel_fen_sum";
// On the server, the function of the triggers that refuse a change (SqlDialect::refusingTrigger).
inline constexpr char RefusalFunctionName[] = "tavrel_refuse";

// The SQL an engine spells its own way, in one place: statements built on the floors above
// take every such spelling from here (Database::dialect()) and never write it themselves, so
// that the same store speaks to either engine. What is the same on both engines is written as
// it is, in the plain SQL both accept.
class SqlDialect
{
public:
    constexpr explicit SqlDialect(SqlEngine engine)
        : m_engine(engine)
    { }
    // The engine of a connection opened outside Database (a worker thread's own connection).
    static SqlDialect of(const QSqlDatabase& connection);

    constexpr SqlEngine engine() const { return m_engine; }
    constexpr bool isSqlite() const { return m_engine == SqlEngine::Sqlite; }

    // The key that orders a table's rows in the order they were added. It identifies a row
    // while the desk shows it, and pages through a result; it is never kept elsewhere, since a
    // VACUUM may renumber it.
    QString rowKey() const;
    // Appended to an INSERT: the statement then returns the new row's key (Database::insert()).
    QString returningRowKey() const;
    // The `id` (its INTEGER PRIMARY KEY) that the connection's last INSERT gave its new row in
    // `table`, for a statement that reads the row back in the same round trip as the insert
    // went. On SQLite it is the last insert into any table: nothing may be inserted between.
    QString lastInsertedId(const QString& table) const;
    // A select of how many tables of the house's schema have the bound name (0 or 1).
    QString tablesNamed() const;

    // A text column read as a number by the leading-number rule of LeadingNumber.h ("3abc" is
    // 3, " 4" is 4, "" and "abc" are 0, "5.5.5" is 5.5).
    QString leadingInteger(const QString& column) const;
    QString leadingReal(const QString& column) const;
    // The same read as an amount: a whole number of fen, the number as written rounded half
    // away from zero, as Money::fromText reads it ("1.005" is 1.01). On SQLite it needs no
    // function of this program, so the ledger's triggers work in any tool that writes the file.
    QString leadingFen(const QString& column) const;
    // The reading the ledger's triggers of version 7 made (the real number times 100,
    // rounded: "1.005" was 1.00), for the shape of a file of that version.
    QString leadingFenOfVersion7(const QString& column) const;
    // Money kept as text: `fen` reads one row's amount by the leading-number rule, rounded once
    // to whole fen (as Money::fromText does: "2.675" is 268, "12.5元" is 1250, "" is 0);
    // `fenSum` is the aggregate of those, an exact integer (0 over no rows, nulls skipped).
    // A total read this way is the sum of the amounts as they are printed, one by one; build
    // it with Money::fromFen().
    QString fen(const QString& column) const;
    QString fenSum(const QString& column) const;

    // The calendar day, its month and the hour of a stamp kept as text ("2026-12-07 15:42:10":
    // "2026-12-07", "2026-12" and "15").
    QString dayOf(const QString& stamp) const;
    QString monthOf(const QString& stamp) const;
    QString hourOf(const QString& stamp) const;
    // True where `column` holds the bound pattern (% and _ as wildcards, \ escaping them),
    // upper and lower case of Latin letters alike.
    QString contains(const QString& column) const;

    // What an insert that meets a row with the same key does to that row's `updated` columns:
    // takes the new values, or adds them to the old ones.
    enum class OnConflict { Replace, Add };
    // INSERT INTO `table` (`columns`) VALUES (`values`), and where a row with the same
    // `keys` exists, its `updated` columns changed as `how` says, in the same statement.
    QString upsert(const QString& table, const QStringList& columns, const QStringList& values, const QStringList& keys,
        const QStringList& updated, OnConflict how) const;

    // The statements that make a trigger running `body` (statements that each end with ";",
    // naming the row by NEW. and OLD.) for each row of `table` at `event` ("AFTER INSERT",
    // "AFTER UPDATE OF a, b", "BEFORE DELETE"). Running them again changes nothing. On the server
    // the body is a function of the trigger's name.
    QStringList rowTrigger(const QString& name, const QString& event, const QString& table, const QString& body) const;
    // A trigger that refuses each row of `table` at `event` with `message`. On the server a
    // refused deletion ("BEFORE DELETE") also refuses emptying the table with TRUNCATE, which
    // runs no row's trigger.
    QStringList refusingTrigger(
        const QString& name, const QString& event, const QString& table, const QString& message) const;
    QStringList dropTrigger(const QString& name, const QString& table) const;

    // The transaction of a write: its begin takes the write lock at once, so that a write that
    // reads first cannot meet a lock half-way. Inner levels are savepoints.
    QString beginWrite() const;
    QString commit() const;
    QString rollback() const;
    QString savepoint(const QString& name) const;
    QString releaseSavepoint(const QString& name) const;
    QString rollbackToSavepoint(const QString& name) const;
    // Whether a savepoint whose work is kept is left standing until the outermost commit
    // rather than released at once: on a server each statement is a round trip, and a
    // standing savepoint costs nothing but a little of the server's memory (a later one of the
    // same name hides it; ROLLBACK TO goes to the newest).
    bool keepsSavepointsStanding() const { return m_engine == SqlEngine::Postgres; }

    // One statement that sends `count` notices to the other desks, each a channel and a
    // payload bound in turn; empty on a file, where a desk is alone.
    QString notices(int count) const;

    friend constexpr bool operator==(SqlDialect, SqlDialect) = default;

private:
    SqlEngine m_engine;
};
