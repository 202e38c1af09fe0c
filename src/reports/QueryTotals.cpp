#include "reports/QueryTotals.h"

#include "app/Database.h"
#include "reports/QueryCondition.h"

#include <QSqlRecord>

namespace {

// What each kind adds up, by the ledger's column names: the count, the amount in fen, then
// the sums of the list's columns 4, 5 and 6.
struct KindSums
{
    const TakingsLedger::Table& table;
    QStringList columns;
};

KindSums sumsOf(const SqlDialect& dialect, RecordKind kind)
{
    switch (kind) {
    case RecordKind::TechnicianServices:
        return { TakingsLedger::Technicians(dialect),
            { QStringLiteral("services"), QStringLiteral("commission_fen"), QStringLiteral("massage"),
                QStringLiteral("footwash") } };
    case RecordKind::GoodsSales:
        return { TakingsLedger::Goods(dialect),
            { QStringLiteral("lines"), QStringLiteral("amount_fen"), QStringLiteral("quantity") } };
    case RecordKind::Receipts:
        break;
    }
    return { TakingsLedger::ReceiptDays(dialect),
        { QStringLiteral("receipts"), QStringLiteral("amount_fen"), QStringLiteral("massage"),
            QStringLiteral("footwash"), QStringLiteral("pedicure") } };
}

} // namespace

TakingsLedger::Source TakingsSource(const TakingsLedger::Table& table, const QueryCondition& condition)
{
    if (const std::optional<TakingsLedger::Span> span = condition.span())
        return TakingsLedger::Rows(table, *span);
    return TakingsLedger::RowsWhere(table, condition.sql(), condition.values());
}

TakingsLedger::Source QueryTotalsQuery(const SqlDialect& dialect, RecordKind kind, const QueryCondition& condition)
{
    const KindSums sums = sumsOf(dialect, kind);
    QStringList aggregates;
    for (const QString& column : sums.columns)
        aggregates << QStringLiteral("coalesce(sum(%1), 0)").arg(column);
    const TakingsLedger::Source source = TakingsSource(sums.table, condition);
    return {
        QStringLiteral("SELECT %1 FROM (%2) AS ledger_rows").arg(aggregates.join(QStringLiteral(", ")), source.sql),
        source.values
    };
}

Outcome<QueryTotals> ReadQueryTotals(Database& database, RecordKind kind, const QueryCondition& condition)
{
    const TakingsLedger::Source query = QueryTotalsQuery(database.dialect(), kind, condition);
    const SqlResult result = database.exec(query.sql, query.values);
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
