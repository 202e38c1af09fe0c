// The reading part of the database layer: large results read row by row, and the money
// functions a SQLite connection is given.

#include "app/Database.h"
#include "app/Money.h"
#include "app/SqliteWorkerThread.h"

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

} // namespace

bool Database::addMoneyFunctions(const QSqlDatabase& connection)
{
    sqlite3* db = SqliteWorkerThread::handleOf(connection);
    if (!db)
        return false;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    return sqlite3_create_function_v2(db, FenFunctionName, 1, flags, nullptr, fenFunction, nullptr, nullptr, nullptr)
        == SQLITE_OK
        && sqlite3_create_function_v2(
               db, FenSumFunctionName, 1, flags, nullptr, nullptr, fenSumStep, fenSumFinal, nullptr)
        == SQLITE_OK;
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
