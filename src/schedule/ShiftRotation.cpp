#include "schedule/ShiftRotation.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"

#include <limits>

bool ShiftRotationDue(int spaceday, const QDateTime& lastSwap, const QDateTime& now)
{
    // A missing or unreadable stamp counts as long ago, as the platform's zero time would.
    const qint64 days = lastSwap.isValid() ? lastSwap.secsTo(now) / 86400 : std::numeric_limits<qint64>::max();
    return (spaceday == 1 && days >= 1) || (spaceday == 2 && days >= 7);
}

ShiftRotationOutcome ShiftRotation(Database& database, const QDateTime& now)
{
    ShiftRotationOutcome outcome;
    const SqlResult rule = database.exec(QStringLiteral("SELECT spaceday, time FROM wtimechgcondition WHERE id=1"));
    if (!rule.ok()) {
        outcome.error = rule.error;
        return outcome;
    }
    if (rule.isEmpty())
        return outcome;
    const int spaceday = rule.first().value(0).toInt();
    const QDateTime lastSwap = DateTimeFromText(rule.first().value(1).toString());
    if (!ShiftRotationDue(spaceday, lastSwap, now))
        return outcome;

    SqlTransaction transaction(database);
    SqlResult step = transaction.isActive()
        ? database.exec(QStringLiteral("UPDATE worksinfo SET workstatus = 1 - workstatus "
                                       "WHERE workstatus IN (0, 1)"))
        : SqlResult { {}, transaction.error(), 0 };
    if (step.ok())
        step = database.exec(QStringLiteral("UPDATE wtimechgcondition SET time=? WHERE id=1"), { DateTimeText(now) });
    if (!step.ok()) {
        outcome.error = step.error;
        return outcome;
    }
    if (!transaction.commit()) {
        outcome.error = transaction.error();
        return outcome;
    }
    outcome.swapped = true;
    return outcome;
}
