#include "app/SqlDialect.h"

#include "app/ServerFunctions.h"

#include <QSqlDatabase>

namespace {

QString call(QStringView function, const QString& argument)
{
    return QStringLiteral("%1(%2)").arg(function, argument);
}

} // namespace

SqlDialect SqlDialect::of(const QSqlDatabase& connection)
{
    return SqlDialect(connection.driverName() == u"QPSQL" ? SqlEngine::Postgres : SqlEngine::Sqlite);
}

QString SqlDialect::rowKey() const
{
    // SQLite's own key of every table; on the server each table of the house has a column of
    // that name, numbered by the server as rows are added.
    return QStringLiteral("rowid");
}

QString SqlDialect::tablesNamed() const
{
    return isSqlite() ? QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?")
                      : QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                       "WHERE table_schema=current_schema() AND table_name=lower(?)");
}

QString SqlDialect::returningRowKey() const
{
    return QStringLiteral(" RETURNING ") + rowKey();
}

QString SqlDialect::lastInsertedId(const QString& table) const
{
    // A subquery, so that the engine reads it once and looks the row up by its key, rather than
    // calling a function that may change with every row of a scan.
    return isSqlite() ? QStringLiteral("(SELECT last_insert_rowid())")
                      : QStringLiteral("(SELECT currval(pg_get_serial_sequence('%1', 'id')))").arg(table);
}

// SQLite's CAST of a text takes its longest leading number after ASCII blanks, as the
// leading-number rule does: "3abc" is 3, " 4" is 4, "0x10" is 0, "5.5.5" is 5.5, "" is 0.
// (Beyond the 32-bit range, where the rule's reading stops, the database reads on; no count
// the desk writes comes near it.) The server's CAST refuses such texts: functions of the
// house's schema read them there.
QString SqlDialect::leadingInteger(const QString& column) const
{
    if (isSqlite())
        return QStringLiteral("CAST(%1 AS INTEGER)").arg(column);
    return call(ServerFunctions::LeadingInteger, column);
}

QString SqlDialect::leadingReal(const QString& column) const
{
    if (isSqlite())
        return QStringLiteral("CAST(%1 AS REAL)").arg(column);
    return call(ServerFunctions::LeadingReal, column);
}

QString SqlDialect::leadingFen(const QString& column) const
{
    // round(x, 2) rounds the number as it is written, half away from zero: SQLite rounds
    // through its own decimal printing, so "1.005" (the real number 1.00499999…) is 1.01, as
    // Money::fromText reads it. Only then is it made fen, which is exact for two places.
    if (isSqlite())
        return QStringLiteral("CAST(round(round(CAST(%1 AS REAL), 2)*100) AS INTEGER)").arg(column);
    return call(ServerFunctions::LeadingFen, column);
}

QString SqlDialect::leadingFenOfVersion7(const QString& column) const
{
    if (isSqlite())
        return QStringLiteral("CAST(round(CAST(%1 AS REAL)*100) AS INTEGER)").arg(column);
    // No server ever held a house of version 7; spelled for completeness, rounding as SQLite's
    // round() does (half away from zero), which the server does for numeric.
    return QStringLiteral("CAST(round(CAST(%1 AS numeric)*100) AS bigint)").arg(leadingReal(column));
}

QString SqlDialect::fen(const QString& column) const
{
    return call(ServerFunctions::Fen, column);
}

QString SqlDialect::fenSum(const QString& column) const
{
    return call(ServerFunctions::FenSum, column);
}

QString SqlDialect::dayOf(const QString& stamp) const
{
    return QStringLiteral("substr(%1, 1, 10)").arg(stamp);
}

QString SqlDialect::monthOf(const QString& stamp) const
{
    return QStringLiteral("substr(%1, 1, 7)").arg(stamp);
}

QString SqlDialect::hourOf(const QString& stamp) const
{
    return QStringLiteral("substr(%1, 12, 2)").arg(stamp);
}

QString SqlDialect::contains(const QString& column) const
{
    // SQLite's LIKE ignores the case of Latin letters; the server's LIKE does not, its ILIKE does.
    return column + (isSqlite() ? QStringLiteral(" LIKE ? ESCAPE '\\'") : QStringLiteral(" ILIKE ? ESCAPE '\\'"));
}

QString SqlDialect::upsert(const QString& table, const QStringList& columns, const QStringList& values,
    const QStringList& keys, const QStringList& updated, OnConflict how) const
{
    QStringList assignments;
    for (const QString& column : updated) {
        if (how == OnConflict::Replace)
            assignments << QStringLiteral("%1=excluded.%1").arg(column);
        else if (isSqlite())
            assignments << QStringLiteral("%1=%1+excluded.%1").arg(column);
        else // the server wants the old row's column named by its table
            assignments << QStringLiteral("%1=%2.%1+excluded.%1").arg(column, table);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET %5")
        .arg(table, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")),
            keys.join(QStringLiteral(", ")), assignments.join(QStringLiteral(", ")));
}

QStringList SqlDialect::rowTrigger(
    const QString& name, const QString& event, const QString& table, const QString& body) const
{
    if (isSqlite())
        return {
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 %2 ON %3 BEGIN %4 END").arg(name, event, table, body)
        };
    return { QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN %2 "
                            "RETURN NULL; END $body$")
                 .arg(name, body),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()")
            .arg(name, event, table) };
}

QStringList SqlDialect::refusingTrigger(
    const QString& name, const QString& event, const QString& table, const QString& message) const
{
    if (isSqlite())
        return rowTrigger(name, event, table, QStringLiteral("SELECT RAISE(ABORT, '%1');").arg(message));
    // One function refuses for every such trigger, with the message the trigger passes it.
    QStringList statements { QStringLiteral(
                                 "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN "
                                 "RAISE EXCEPTION '%', TG_ARGV[0]; END $body$")
                                 .arg(QLatin1String(RefusalFunctionName)),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %4('%5')")
            .arg(name, event, table, QLatin1String(RefusalFunctionName), message) };
    if (event == u"BEFORE DELETE")
        statements << QStringLiteral(
            "CREATE OR REPLACE TRIGGER %1_emptied BEFORE TRUNCATE ON %2 FOR EACH STATEMENT EXECUTE FUNCTION %3('%4')")
                          .arg(name, table, QLatin1String(RefusalFunctionName), message);
    return statements;
}

QStringList SqlDialect::dropTrigger(const QString& name, const QString& table) const
{
    if (isSqlite())
        return { QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name) };
    return { QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(name, table),
        QStringLiteral("DROP FUNCTION IF EXISTS %1()").arg(name) };
}

QString SqlDialect::beginWrite() const
{
    // SQLite takes the file's write lock at BEGIN IMMEDIATE. On the server the database layer
    // takes the house's write lock right after BEGIN (Database::beginTransaction()), so the
    // desks' writes take turns there too.
    return isSqlite() ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}

QString SqlDialect::commit() const
{
    return QStringLiteral("COMMIT");
}

QString SqlDialect::rollback() const
{
    return QStringLiteral("ROLLBACK");
}

QString SqlDialect::savepoint(const QString& name) const
{
    return QStringLiteral("SAVEPOINT %1").arg(name);
}

QString SqlDialect::releaseSavepoint(const QString& name) const
{
    return QStringLiteral("RELEASE SAVEPOINT %1").arg(name);
}

QString SqlDialect::rollbackToSavepoint(const QString& name) const
{
    return QStringLiteral("ROLLBACK TO SAVEPOINT %1").arg(name);
}

QString SqlDialect::notices(int count) const
{
    if (isSqlite() || count <= 0)
        return {};
    QStringList calls;
    for (int i = 0; i < count; ++i)
        calls.append(QStringLiteral("pg_notify(?, ?)"));
    return QStringLiteral("SELECT ") + calls.join(u", ");
}
