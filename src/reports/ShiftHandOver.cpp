#include "reports/ShiftHandOver.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"
#include "reports/QueryTotals.h"

Outcome<ShiftReceipts> CurrentShiftReceipts(Database& database, const DeskSession& session)
{
    ShiftReceipts receipts;
    if (const std::optional<HandOver>& last = session.lastHandOver()) {
        receipts.after = last->lastReceipt;
        receipts.since = last->closedAt;
    }
    QString error;
    const QVariant newest = database.scalar(QStringLiteral("SELECT max(id) FROM Receiptform"), {}, &error);
    if (!error.isEmpty())
        return Failure { error };
    receipts.upTo = qMax(newest.toLongLong(), receipts.after.value_or(0));
    return receipts;
}

Outcome<HandOver> CloseShift(
    Database& database, DeskSession& session, const ShiftReceipts& receipts, const QDateTime& now)
{
    SqlTransaction transaction(database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const Outcome<QueryTotals> totals = ReadQueryTotals(database, RecordKind::Receipts, receipts.condition());
    if (!totals)
        return totals.setback<HandOver>();
    const HandOver handOver { receipts.since, now, session.currentCashier(), receipts.upTo, int(totals.value().count),
        AmountText(totals.value().amount) };
    if (const Outcome<> closed = session.closeShift(handOver); !closed)
        return closed.setback<HandOver>();
    if (!transaction.commit())
        return Failure { transaction.error() };
    return handOver;
}
