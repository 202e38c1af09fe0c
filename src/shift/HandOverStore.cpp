#include "shift/HandOverStore.h"

#include "app/Database.h"
#include "app/TextFormat.h"

#include <QSqlRecord>

namespace {

// The columns of a hand-over, in the order of HandOver's fields.
const QString Columns = QStringLiteral(
    "shift_start, closed_at, cashier, last_receipt, receipt_count, total, cash_total, wechat_total, alipay_total, "
    "bank_card_total, member_card_total, unrecorded_total, expected_cash, counted_cash, cash_difference, "
    "difference_reason, last_card_movement, topup_cash, topup_wechat, topup_alipay, topup_bank_card, topup_bonus, "
    "card_cash_out_cash, card_cash_out_other, waived_total");
constexpr int ColumnCount = 25;

HandOver handOverOf(const QSqlRecord& row)
{
    HandOver handOver;
    handOver.shiftStart = DateTimeFromText(row.value(0).toString());
    handOver.closedAt = DateTimeFromText(row.value(1).toString());
    handOver.cashier = row.value(2).toString();
    handOver.lastReceipt = row.value(3).toLongLong();
    handOver.receiptCount = row.value(4).toInt();
    handOver.total = row.value(5).toString();
    for (int i = 0; i < PaymentMethodCount; ++i)
        handOver.methodTotals[size_t(i)] = row.value(6 + i).toString();
    handOver.unrecordedTotal = row.value(11).toString();
    handOver.expectedCash = row.value(12).toString();
    handOver.countedCash = row.value(13).toString();
    handOver.cashDifference = row.value(14).toString();
    handOver.differenceReason = row.value(15).toString();
    handOver.lastCardMovement = row.value(16).toLongLong();
    for (int i = 0; i < CardMethodCount; ++i)
        handOver.topUps[size_t(i)] = row.value(17 + i).toString();
    handOver.topUpBonus = row.value(21).toString();
    handOver.cashOutsInCash = row.value(22).toString();
    handOver.cashOutsOther = row.value(23).toString();
    handOver.waivedTotal = row.value(24).toString();
    return handOver;
}

} // namespace

HandOverStore::HandOverStore(Database& database)
    : m_database(database)
{ }

Outcome<std::optional<HandOver>> HandOverStore::last() const
{
    const SqlResult result
        = m_database.exec(QStringLiteral("SELECT %1 FROM handover ORDER BY id DESC LIMIT 1").arg(Columns));
    if (!result.ok())
        return Failure { result.error };
    if (result.isEmpty())
        return std::optional<HandOver>();
    return std::optional<HandOver>(handOverOf(result.first()));
}

Outcome<std::optional<HandOver>> HandOverStore::find(qint64 id) const
{
    const SqlResult result = m_database.exec(QStringLiteral("SELECT %1 FROM handover WHERE id=?").arg(Columns), { id });
    if (!result.ok())
        return Failure { result.error };
    if (result.isEmpty())
        return std::optional<HandOver>();
    return std::optional<HandOver>(handOverOf(result.first()));
}

QString HandOverStore::add(const HandOver& handOver)
{
    QVariantList values { handOver.shiftStart.isValid() ? DateTimeText(handOver.shiftStart) : QString(),
        DateTimeText(handOver.closedAt), handOver.cashier, handOver.lastReceipt, handOver.receiptCount,
        handOver.total };
    for (const QString& total : handOver.methodTotals)
        values << total;
    values << handOver.unrecordedTotal << handOver.expectedCash << handOver.countedCash << handOver.cashDifference
           << handOver.differenceReason << handOver.lastCardMovement;
    for (const QString& topUp : handOver.topUps)
        values << topUp;
    values << handOver.topUpBonus << handOver.cashOutsInCash << handOver.cashOutsOther << handOver.waivedTotal;
    Q_ASSERT(values.size() == ColumnCount);
    QStringList placeholders;
    for (int i = 0; i < ColumnCount; ++i)
        placeholders << QStringLiteral("?");
    return m_database
        .exec(QStringLiteral("INSERT INTO handover (%1) VALUES (%2)").arg(Columns, placeholders.join(u", ")), values)
        .error;
}
