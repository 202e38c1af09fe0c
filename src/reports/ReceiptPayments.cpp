#include "reports/ReceiptPayments.h"

#include "app/Database.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"

#include <QSqlQuery>
#include <QSqlRecord>

Outcome<PaymentTotals> ReadPaymentTotals(Database& database, const QueryCondition& condition)
{
    // A count and an amount per method text; a text that is none of the methods (the receipts
    // settled before methods were recorded) counts as unrecorded.
    const TakingsLedger::Source source = TakingsSource(TakingsLedger::ReceiptDays(database.dialect()), condition);
    PaymentTotals totals;
    qint64 unrecordedFen = 0;
    std::array<qint64, PaymentMethodCount> methodFen {};
    const auto add = [&](const QSqlQuery& row) {
        const QString name = row.value(0).toString();
        const qint64 count = row.value(1).toLongLong();
        const qint64 fen = row.value(2).toLongLong();
        if (const std::optional<PaymentMethod> method = PaymentMethodFromName(name)) {
            totals.of(*method).count += count;
            methodFen[size_t(*method)] += fen;
        } else {
            totals.unrecorded.count += count;
            unrecordedFen += fen;
        }
        return true;
    };
    QString error = database.readRows(
        QStringLiteral("SELECT method, sum(receipts), sum(amount_fen) FROM (%1) AS ledger_rows WHERE method<>? "
                       "GROUP BY method")
            .arg(source.sql),
        source.values + QVariantList { SplitPaymentName() }, add);
    // A bill paid in several parts counts each part with its method.
    if (error.isEmpty()) {
        const TakingsLedger::Source parts = TakingsSource(TakingsLedger::Payments(database.dialect()), condition);
        error = database.readRows(QStringLiteral("SELECT method, sum(parts), sum(amount_fen) FROM (%1) AS ledger_rows "
                                                 "WHERE receipt_method=? GROUP BY method")
                                      .arg(parts.sql),
            parts.values + QVariantList { SplitPaymentName() }, add);
    }
    if (!error.isEmpty())
        return Failure { error };
    for (int i = 0; i < PaymentMethodCount; ++i)
        totals.methods[size_t(i)].amount = Money::fromFen(methodFen[size_t(i)]);
    totals.unrecorded.amount = Money::fromFen(unrecordedFen);
    return totals;
}

Money ExpectedCash(const PaymentTotals& totals)
{
    return totals.of(PaymentMethod::Cash).amount;
}
