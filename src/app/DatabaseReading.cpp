// The reading part of the database layer: large results read row by row, and the spellings
// of SQLite that statements built on the floors above need.

#include "app/Database.h"
#include "app/Money.h"

#include <QSqlDriver>
#include <QSqlError>

#include <limits>
#include <sqlite3.h>

namespace {

__extension__ using WideFen = __int128;

// One row's amount in fen. A value stored as a number is read through its text as well, so
// that 2.675 kept as a real is 268 like the text "2.675".
WideFen rowFen(sqlite3_value* value)
{
    if (sqlite3_value_type(value) == SQLITE_INTEGER)
        return static_cast<WideFen>(sqlite3_value_int64(value)) * 100;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    if (!text)
        return 0;
    return Money::fromText(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value)))).fen();
}

bool fitsMoney(WideFen fen)
{
    return fen >= -std::numeric_limits<std::int64_t>::max() && fen <= std::numeric_limits<std::int64_t>::max();
}

void resultFen(sqlite3_context* context, WideFen fen)
{
    if (fitsMoney(fen))
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(fen));
    else
        sqlite3_result_error(context, "金额超出范围", -1);
}

void fenFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL)
        sqlite3_result_int64(context, 0);
    else
        resultFen(context, rowFen(arguments[0]));
}

void fenSumStep(sqlite3_context* context, int, sqlite3_value** arguments)
{
    auto* sum = static_cast<WideFen*>(sqlite3_aggregate_context(context, sizeof(WideFen)));
    if (!sum) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (sqlite3_value_type(arguments[0]) != SQLITE_NULL)
        *sum += rowFen(arguments[0]); // a row holds at most 2^63 fen: 2^64 rows fit
}

void fenSumFinal(sqlite3_context* context)
{
    // No context was made when there were no rows.
    const auto* sum = static_cast<WideFen*>(sqlite3_aggregate_context(context, 0));
    resultFen(context, sum ? *sum : 0);
}

constexpr const char* FenFunction = "tavrel_fen";
constexpr const char* FenSumFunction = "tavrel_fen_sum";

} // namespace

bool Database::addMoneyFunctions(const QSqlDatabase& connection)
{
    const QVariant handle = connection.driver() ? connection.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    if (!db)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    return sqlite3_create_function_v2(db, FenFunction, 1, flags, nullptr, fenFunction, nullptr, nullptr, nullptr)
        == SQLITE_OK
        && sqlite3_create_function_v2(db, FenSumFunction, 1, flags, nullptr, nullptr, fenSumStep, fenSumFinal, nullptr)
        == SQLITE_OK;
}

QString Database::fen(const QString& column)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(FenFunction), column);
}

QString Database::fenSum(const QString& column)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(FenSumFunction), column);
}

QString Database::readRows(const QString& sql, const QVariantList& values, const RowReader& row)
{
    SqlResult failure;
    QSqlQuery* query = executed(sql, values, &failure);
    if (!query)
        return failure.error;
    QString error;
    while (query->next()) {
        if (!row(*query))
            break;
    }
    if (query->lastError().isValid()) {
        error = DatabaseErrorText(query->lastError());
        m_lastFailureCode = query->lastError().nativeErrorCode().toInt();
    }
    query->finish();
    return error;
}

QString Database::rowKey()
{
    // Orders the rows of a table as they were added. It pages through a result and is never
    // kept: a VACUUM may renumber it.
    return QStringLiteral("rowid");
}

// SQLite's CAST of a text takes its longest leading number after ASCII blanks, as the
// leading-number rule does: "3abc" is 3, " 4" is 4, "0x10" is 0, "5.5.5" is 5.5, "" is 0.
// (Beyond the 32-bit range, where the rule's reading stops, the database reads on; no count
// the desk writes comes near it.)
QString Database::leadingInteger(const QString& column)
{
    return QStringLiteral("CAST(%1 AS INTEGER)").arg(column);
}

QString Database::leadingReal(const QString& column)
{
    return QStringLiteral("CAST(%1 AS REAL)").arg(column);
}

QString Database::leadingFen(const QString& column)
{
    // round(x, 2) rounds the number as it is written, half away from zero: SQLite rounds
    // through its own decimal printing, so "1.005" (the real number 1.00499999…) is 1.01, as
    // Money::fromText reads it. Only then is it made fen, which is exact for two places.
    return QStringLiteral("CAST(round(round(CAST(%1 AS REAL), 2)*100) AS INTEGER)").arg(column);
}

QString Database::leadingFenOfVersion7(const QString& column)
{
    return QStringLiteral("CAST(round(CAST(%1 AS REAL)*100) AS INTEGER)").arg(column);
}
