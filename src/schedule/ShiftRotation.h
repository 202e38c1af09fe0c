#pragma once

#include <QDateTime>
#include <QString>

class Database;

// The automatic swap of early and late shifts that runs once at every start. The rule is row
// id 1 of wtimechgcondition: spaceday 0 never, 1 daily, 2 weekly; `time` is the last swap.
struct ShiftRotationOutcome
{
    bool swapped = false;
    QString error; // database error text, empty when none
};

// Whole days from the last swap to now, truncated; a swap is due after 1 (daily) or 7 (weekly).
bool ShiftRotationDue(int spaceday, const QDateTime& lastSwap, const QDateTime& now);

// Swaps workstatus 0 and 1 of every staff row (other values stay) and stamps `time` with now,
// all in one transaction. A missing rule row does nothing.
ShiftRotationOutcome ShiftRotation(Database& database, const QDateTime& now);
