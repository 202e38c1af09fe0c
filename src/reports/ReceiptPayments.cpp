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
    const QString error = database.readRows(
        QStringLiteral("SELECT method, sum(receipts), sum(amount_fen) FROM (%1) AS ledger_rows GROUP BY method")
            .arg(source.sql),
        source.values, [&](const QSqlQuery& row) {
            const QString name = row.value(0).toString();
            const qint64 count = row.value(1).toLongLong();
            const qint64 fen = row.value(2).toLongLong();
            for (int i = 0; i < PaymentMethodCount; ++i) {
                if (PaymentMethodName(PaymentMethods[size_t(i)]) == name) {
                    totals.methods[size_t(i)].count += count;
                    methodFen[size_t(i)] += fen;
                    return true;
                }
            }
            totals.unrecorded.count += count;
            unrecordedFen += fen;
            return true;
        });
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
