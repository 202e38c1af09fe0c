#include "shift/ShiftHandOver.h"

#include "app/Database.h"
#include "app/ReceiptStore.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "app/TypedNumber.h"
#include "cards/CardLedger.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "reports/ReceiptPayments.h"
#include "shift/HandOverStore.h"

#include <QRegularExpression>

#include <cmath>

Outcome<ShiftReceipts> CurrentShiftReceipts(Database& database, const DeskSession& session)
{
    ShiftReceipts receipts;
    if (const std::optional<ShiftMark>& last = session.shiftStart()) {
        receipts.after = last->lastReceipt;
        receipts.since = last->closedAt;
    }
    const Outcome<std::optional<qint64>> newest = ReceiptStore(database).largestNumber();
    if (!newest)
        return newest.setback<ShiftReceipts>();
    receipts.upTo = qMax(newest.value().value_or(0), receipts.after.value_or(0));
    const Outcome<std::optional<HandOver>> last = HandOverStore(database).last();
    if (!last)
        return last.setback<ShiftReceipts>();
    receipts.cardsAfter = last.value() ? last.value()->lastCardMovement : 0;
    const Outcome<qint64> lastCard = CardLedger(database).lastNumber();
    if (!lastCard)
        return lastCard.setback<ShiftReceipts>();
    receipts.cardsUpTo = qMax(lastCard.value(), receipts.cardsAfter);
    return receipts;
}

Outcome<ShiftTakings> ReadShiftTakings(Database& database, const ShiftReceipts& receipts)
{
    const Outcome<QueryTotals> totals = ReadQueryTotals(database, RecordKind::Receipts, receipts.condition());
    if (!totals)
        return totals.setback<ShiftTakings>();
    const Outcome<PaymentTotals> payments = ReadPaymentTotals(database, receipts.condition());
    if (!payments)
        return payments.setback<ShiftTakings>();
    const Outcome<Money> waived = ReceiptStore(database).waived(receipts.after.value_or(0), receipts.upTo);
    if (!waived)
        return waived.setback<ShiftTakings>();
    const Outcome<QList<CardMovementTotal>> movements
        = CardLedger(database).totalsOfNumbers(receipts.cardsAfter, receipts.cardsUpTo);
    if (!movements)
        return movements.setback<ShiftTakings>();
    ShiftCards cards;
    for (const CardMovementTotal& total : movements.value()) {
        const std::optional<PaymentMethod> method = PaymentMethodFromName(total.method);
        if (total.kind == CardKind::TopUp && method && *method != PaymentMethod::MemberCard)
            cards.topUps[size_t(*method)] += total.principal;
        else if (total.kind == CardKind::Bonus)
            cards.bonus += total.bonus;
        else if (total.kind == CardKind::CashOut && method == PaymentMethod::Cash)
            cards.cashOutsInCash -= total.principal; // paid back: the card's principal went down
        else if (total.kind == CardKind::CashOut)
            cards.cashOutsOther -= total.principal;
    }
    return ShiftTakings { totals.value(), payments.value(), waived.value(), cards };
}

Money ExpectedCash(const ShiftTakings& takings)
{
    return ExpectedCash(takings.payments) + takings.cards.topUps[size_t(PaymentMethod::Cash)]
        - takings.cards.cashOutsInCash;
}

QString CountedCashRefusal(const QString& counted)
{
    static const QRegularExpression amount(QStringLiteral("^[0-9]+(\\.[0-9]{1,2})?$"));
    if (!amount.match(PlainTypedText(counted)).hasMatch())
        return QStringLiteral("请输入实点现金金额!");
    return {};
}

Money CountedCash(const QString& counted)
{
    return Money::fromText(PlainTypedText(counted));
}

Money CashDifference(const QString& counted, Money expected)
{
    return CountedCash(counted) - expected;
}

QString CashCountRefusal(const CashCount& count, Money expected)
{
    if (const QString refusal = CountedCashRefusal(count.counted); !refusal.isEmpty())
        return refusal;
    if (!CashDifference(count.counted, expected).isZero() && count.reason.trimmed().isEmpty())
        return QStringLiteral("实点现金与应有现金不符,请填写差额原因!");
    return {};
}

Outcome<HandOver> CloseShift(Database& database, DeskSession& session, const ShiftReceipts& receipts,
    const QDateTime& now, const CashCount& count)
{
    SqlTransaction transaction(database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const Outcome<ShiftTakings> takings = ReadShiftTakings(database, receipts);
    if (!takings)
        return takings.setback<HandOver>();
    const QueryTotals& totals = takings.value().totals;
    const PaymentTotals& payments = takings.value().payments;
    const Money expected = ExpectedCash(takings.value());
    if (const QString refusal = CashCountRefusal(count, expected); !refusal.isEmpty())
        return Refusal { refusal };

    HandOver handOver;
    handOver.shiftStart = receipts.since;
    handOver.closedAt = now;
    handOver.cashier = session.currentCashier();
    handOver.lastReceipt = receipts.upTo;
    handOver.receiptCount = int(totals.count);
    handOver.total = totals.amount.text();
    for (int i = 0; i < PaymentMethodCount; ++i)
        handOver.methodTotals[size_t(i)] = payments.methods[size_t(i)].amount.text();
    handOver.unrecordedTotal = payments.unrecorded.amount.text();
    handOver.expectedCash = expected.text();
    handOver.countedCash = CountedCash(count.counted).text();
    handOver.cashDifference = CashDifference(count.counted, expected).text();
    handOver.differenceReason = count.reason.trimmed();
    const ShiftCards& cards = takings.value().cards;
    handOver.lastCardMovement = receipts.cardsUpTo;
    for (int i = 0; i < CardMethodCount; ++i)
        handOver.topUps[size_t(i)] = cards.topUps[size_t(i)].text();
    handOver.topUpBonus = cards.bonus.text();
    handOver.cashOutsInCash = cards.cashOutsInCash.text();
    handOver.cashOutsOther = cards.cashOutsOther.text();
    handOver.waivedTotal = takings.value().waived.text();
    // The session checks that nobody handed the shift over meanwhile before the row is added.
    if (const Outcome<> started = session.startShift({ handOver.closedAt, handOver.lastReceipt }); !started)
        return started.setback<HandOver>();
    if (const QString error = HandOverStore(database).add(handOver); !error.isEmpty())
        return Failure { error };

    QString description = QStringLiteral("交班:单据%1张 应有现金%2 实点现金%3 差额%4")
                              .arg(handOver.receiptCount)
                              .arg(handOver.expectedCash, handOver.countedCash, handOver.cashDifference);
    if (!handOver.differenceReason.isEmpty())
        description += QStringLiteral(" 原因:") + handOver.differenceReason;
    if (count.listUnprinted)
        description += QStringLiteral(" 交班单未打印完整");
    const LogEntry entry {
        .kind = LogKind::HandOver, .description = description, .amount = handOver.total, .receipt = handOver.lastReceipt
    };
    if (const QString error = OperatorLog(database, session).write(entry); !error.isEmpty())
        return Failure { error };
    if (!transaction.commit())
        return Failure { transaction.error() };
    return handOver;
}
