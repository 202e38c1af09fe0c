#pragma once

#include <QDateTime>

// Where the cashier's shift running now began: the hand-over that closed the one before it,
// by its moment and the last receipt it covered. Every receipt numbered after that one belongs
// to the shift running now.
struct ShiftMark
{
    QDateTime closedAt;
    qint64 lastReceipt = 0;

    friend bool operator==(const ShiftMark&, const ShiftMark&) = default;
};
