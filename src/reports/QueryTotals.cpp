#include "reports/QueryTotals.h"

#include "app/Database.h"
#include "reports/QueryCondition.h"

#include <QSqlRecord>

QString QueryTotalsStatement(RecordKind kind, const QueryCondition& condition)
{
    const RecordKindLayout& layout = RecordKindLayout::of(kind);
    QStringList aggregates { QStringLiteral("count(*)"),
        Database::fenSum(layout.columns[RecordKindLayout::AmountColumn].name) };
    for (int i = 0; i < layout.summedColumns; ++i)
        aggregates << QStringLiteral("coalesce(sum(%1), 0)")
                          .arg(Database::leadingInteger(layout.columns[RecordKindLayout::FirstSummedColumn + i].name));
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(aggregates.join(QStringLiteral(", ")), layout.table);
    if (!condition.sql().isEmpty())
        sql += QStringLiteral(" WHERE ") + condition.sql();
    return sql;
}

Outcome<QueryTotals> ReadQueryTotals(Database& database, RecordKind kind, const QueryCondition& condition)
{
    const SqlResult result = database.exec(QueryTotalsStatement(kind, condition), condition.values());
    if (!result.ok())
        return Failure { result.error };
    QueryTotals totals;
    if (result.isEmpty())
        return totals;
    const QSqlRecord& row = result.first();
    totals.count = row.value(0).toLongLong();
    totals.amount = Money::fromFen(row.value(1).toLongLong());
    for (int i = 0; i < RecordKindLayout::of(kind).summedColumns; ++i)
        totals.sums[size_t(i)] = row.value(2 + i).toLongLong();
    return totals;
}
