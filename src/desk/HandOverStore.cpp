#include "desk/HandOverStore.h"

#include "app/Database.h"
#include "app/TextFormat.h"

#include <QSqlRecord>

HandOverStore::HandOverStore(Database& database)
    : m_database(database)
{ }

Outcome<std::optional<HandOver>> HandOverStore::last() const
{
    const SqlResult result = m_database.exec(
        QStringLiteral("SELECT shift_start, closed_at, cashier, last_receipt, receipt_count, total FROM handover "
                       "ORDER BY id DESC LIMIT 1"));
    if (!result.ok())
        return Failure { result.error };
    if (result.isEmpty())
        return std::optional<HandOver>();
    const QSqlRecord& row = result.first();
    return std::optional<HandOver>(HandOver {
        DateTimeFromText(row.value(0).toString()),
        DateTimeFromText(row.value(1).toString()),
        row.value(2).toString(),
        row.value(3).toLongLong(),
        row.value(4).toInt(),
        row.value(5).toString(),
    });
}

QString HandOverStore::add(const HandOver& handOver)
{
    return m_database
        .exec(QStringLiteral("INSERT INTO handover (shift_start, closed_at, cashier, last_receipt, receipt_count, "
                             "total) VALUES (?, ?, ?, ?, ?, ?)"),
            { handOver.shiftStart.isValid() ? DateTimeText(handOver.shiftStart) : QString(),
                DateTimeText(handOver.closedAt), handOver.cashier, handOver.lastReceipt, handOver.receiptCount,
                handOver.total })
        .error;
}
