// The reading part of the database layer: large results read row by row, and the spellings
// of SQLite that statements built on the floors above need.

#include "app/Database.h"

#include <QSqlError>

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
    // round() goes half away from zero; the desk writes amounts with two decimals, which the
    // real number holds to far better than half a fen.
    return QStringLiteral("CAST(round(CAST(%1 AS REAL)*100) AS INTEGER)").arg(column);
}
