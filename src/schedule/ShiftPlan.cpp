#include "schedule/ShiftPlan.h"

#include "app/TextFormat.h"

QString PlannerEntryText(const QString& number, const QString& name, const QString& title)
{
    return number + QLatin1Char(' ') + name + QLatin1Char(' ') + title;
}

QString PlannerEntryNumber(const QString& entry)
{
    const QString trimmed = Trim(entry);
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    return blank < 0 ? trimmed : trimmed.left(blank);
}
