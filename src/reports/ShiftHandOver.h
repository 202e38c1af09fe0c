#pragma once

#include "app/Outcome.h"
#include "desk/HandOver.h"
#include "reports/QueryCondition.h"

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

    QueryCondition condition() const { return QueryCondition::receiptRange(after, upTo); }
};

Outcome<ShiftReceipts> CurrentShiftReceipts(Database& database, const DeskSession& session);

// Closes the shift in one transaction: counts and totals `receipts` and records the hand-over
// with the moment `now` and the cashier logged in last; the session's shift start follows it.
Outcome<HandOver> CloseShift(
    Database& database, DeskSession& session, const ShiftReceipts& receipts, const QDateTime& now);
