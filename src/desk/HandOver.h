#pragma once

#include <QDateTime>
#include <QString>

// One closed shift, as the hand-over recorded it: the receipts numbered after the previous
// hand-over's last one up to its own last one, so that every receipt falls in exactly one
// hand-over, whatever the clock says.
struct HandOver
{
    QDateTime shiftStart; // the previous hand-over's moment; invalid for the first one
    QDateTime closedAt;
    QString cashier; // login id of the cashier who logged in last
    qint64 lastReceipt = 0; // the highest receipt number it covers
    int receiptCount = 0;
    QString total; // the receipts' total, "%.2f"

    friend bool operator==(const HandOver&, const HandOver&) = default;
};
