#pragma once

#include "desk/PaymentMethod.h"

#include <QDateTime>
#include <QString>

#include <array>

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

    friend bool operator==(const HandOver&, const HandOver&) = default;
};
