#pragma once

#include "desk/PaymentMethod.h"

#include <QDateTime>
#include <QString>

#include <array>

// The methods a card is topped up with: the payment methods but the member card itself.
inline constexpr int CardMethodCount = PaymentMethodCount - 1;

// One closed shift, as the hand-over recorded it: the receipts numbered after the previous
// hand-over's last one up to its own last one, so that every receipt falls in exactly one
// hand-over, whatever the clock says. Amounts are "%.2f" texts; those of a hand-over closed
// before payment methods and the counted drawer were recorded are empty.
struct HandOver
{
    QDateTime shiftStart; // the previous hand-over's moment; invalid for the first one
    QDateTime closedAt;
    QString cashier; // login id of the cashier who logged in last
    qint64 lastReceipt = 0; // the highest receipt number it covers
    int receiptCount = 0;
    QString total; // the receipts' total, "%.2f"

    // What each payment method took, in the order of PaymentMethods, and what the receipts
    // without a method took.
    std::array<QString, PaymentMethodCount> methodTotals {};
    QString unrecordedTotal;
    // The drawer: the cash the receipts say it holds, the cash counted (typed before the
    // expected amount was shown), counted - expected, and why they differ.
    QString expectedCash;
    QString countedCash;
    QString cashDifference;
    QString differenceReason;

    // The member cards in the shift: the card ledger's rows numbered after the previous
    // hand-over's lastCardMovement up to its own. The principal topped up per method (现金, 微信,
    // 支付宝, 银行卡), the bonus given with it, and the principal paid back at 退卡, in cash and
    // otherwise. Cash topped up is cash in the drawer; what cards paid at checkout is in
    // methodTotals under 会员卡 and is no cash. Empty for a hand-over closed before the cards.
    qint64 lastCardMovement = 0;
    std::array<QString, CardMethodCount> topUps {};
    QString topUpBonus;
    QString cashOutsInCash;
    QString cashOutsOther;
    // The small change waived (抹零) on the shift's receipts.
    QString waivedTotal;

    friend bool operator==(const HandOver&, const HandOver&) = default;
};
