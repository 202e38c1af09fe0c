#pragma once

#include "app/Money.h"
#include "app/Outcome.h"
#include "desk/PaymentMethod.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "shift/HandOver.h"

#include <QDateTime>

#include <optional>

class Database;
class DeskSession;

// The receipts of the shift running now: those numbered after the last hand-over's last
// receipt (all of them before the first hand-over), up to the last one settled when the
// hand-over list was taken. Closing the shift hands over exactly these, so a receipt settled
// after the list was taken falls in the next shift.
struct ShiftReceipts
{
    std::optional<qint64> after; // the last hand-over's last receipt
    qint64 upTo = 0;
    QDateTime since; // the last hand-over's moment; invalid before the first one
    // The card ledger's rows of the shift, numbered after `cardsAfter` up to `cardsUpTo`.
    qint64 cardsAfter = 0;
    qint64 cardsUpTo = 0;

    QueryCondition condition() const { return QueryCondition::receiptRange(after, upTo); }
};

Outcome<ShiftReceipts> CurrentShiftReceipts(Database& database, const DeskSession& session);

// What the member cards moved in a shift: the principal topped up per method (in the order of
// PaymentMethods, the member card left out), the bonus given, the principal paid back at 退卡
// in cash and otherwise.
struct ShiftCards
{
    std::array<Money, CardMethodCount> topUps {};
    Money bonus;
    Money cashOutsInCash;
    Money cashOutsOther;

    bool isEmpty() const { return *this == ShiftCards {}; }
    friend bool operator==(const ShiftCards&, const ShiftCards&) = default;
};

// What a shift's receipts took: their totals and the takings per payment method (each part of
// a 组合支付 under its method), the change waived on them, and the member cards' movements.
struct ShiftTakings
{
    QueryTotals totals;
    PaymentTotals payments;
    Money waived;
    ShiftCards cards;
};

// The cash the shift's drawer should hold: what its receipts took in cash, and the cash topped
// up onto member cards less the cash paid back at 退卡.
Money ExpectedCash(const ShiftTakings& takings);

Outcome<ShiftTakings> ReadShiftTakings(Database& database, const ShiftReceipts& receipts);

// The drawer as the cashier counted it: the amount typed before the expected cash was shown,
// and why it differs from it.
struct CashCount
{
    QString counted;
    QString reason;
    // The shift's list was not printed in full (no paper, print cancelled); the log says so.
    bool listUnprinted = false;
};

// The refusal of a counted amount that is no amount of money ("请输入实点现金金额!"), or
// empty. Blanks around it do not count.
QString CountedCashRefusal(const QString& counted);
// The counted cash (full-width digits count as digits), in fen.
Money CountedCash(const QString& counted);
// The counted cash less the expected.
Money CashDifference(const QString& counted, Money expected);
// The refusal of a count that does not match the expected cash and says no reason
// ("实点现金与应有现金不符,请填写差额原因!"), or of a count that is no amount; empty when the
// shift may be closed with it.
QString CashCountRefusal(const CashCount& count, Money expected);

// Closes the shift in one transaction: totals `receipts` as a whole and per payment method,
// records the hand-over with the moment `now`, the cashier logged in last and the counted
// drawer (expected cash, counted cash, difference and its reason), and its row of the operator
// log; the session's shift start follows it. Refused when the count is refused.
Outcome<HandOver> CloseShift(Database& database, DeskSession& session, const ShiftReceipts& receipts,
    const QDateTime& now, const CashCount& count);
