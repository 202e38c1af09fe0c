#include "reports/ReceiptPayments.h"

#include "app/Database.h"
#include "reports/QueryCondition.h"

#include <QSqlRecord>

Outcome<PaymentTotals> ReadPaymentTotals(Database& database, const QueryCondition& condition)
{
    // One pass over the rows: a count and an amount per method, then those of every other
    // method text (the receipts settled before methods were recorded).
    const auto amount = [](const QString& condition) {
        return Database::fenSum(QStringLiteral("CASE WHEN %1 THEN alljine END").arg(condition));
    };
    QStringList aggregates;
    QVariantList values;
    QStringList marks;
    for (PaymentMethod method : PaymentMethods) {
        aggregates << QStringLiteral("count(CASE WHEN paymethod=? THEN 1 END)")
                   << amount(QStringLiteral("paymethod=?"));
        values << PaymentMethodName(method) << PaymentMethodName(method);
        marks << QStringLiteral("?");
    }
    const QString others = QStringLiteral("paymethod NOT IN (%1)").arg(marks.join(u','));
    aggregates << QStringLiteral("count(CASE WHEN %1 THEN 1 END)").arg(others) << amount(others);
    for (int i = 0; i < 2; ++i) {
        for (PaymentMethod method : PaymentMethods)
            values << PaymentMethodName(method);
    }
    QString sql = QStringLiteral("SELECT %1 FROM Receiptform").arg(aggregates.join(QStringLiteral(", ")));
    if (!condition.sql().isEmpty())
        sql += QStringLiteral(" WHERE ") + condition.sql();

    const SqlResult result = database.exec(sql, values + condition.values());
    if (!result.ok())
        return Failure { result.error };
    PaymentTotals totals;
    if (result.isEmpty())
        return totals;
    const QSqlRecord& row = result.first();
    for (int i = 0; i < PaymentMethodCount; ++i)
        totals.methods[size_t(i)]
            = { row.value(2 * i).toLongLong(), Money::fromFen(row.value(2 * i + 1).toLongLong()) };
    totals.unrecorded = { row.value(2 * PaymentMethodCount).toLongLong(),
        Money::fromFen(row.value(2 * PaymentMethodCount + 1).toLongLong()) };
    return totals;
}

Money ExpectedCash(const PaymentTotals& totals)
{
    return totals.of(PaymentMethod::Cash).amount;
}
