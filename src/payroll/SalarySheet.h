#pragma once

#include "app/Money.h"
#include "app/Outcome.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

class Database;

// What the salary sheet reads: the technicians, and the commissions checkout credited to each
// of them in a period.
namespace SalarySheet {

struct Technician
{
    QString number;
    QString name;
};

// Every staff record with the title "技师", in the order the table holds them.
Outcome<QList<Technician>> technicians(Database& database);

// The sum of the commissions (salaryform.salary, each by its leading number) of every
// technician number with services stamped from `start` to `end`, both included.
Outcome<QHash<QString, Money>> wages(Database& database, const QDateTime& start, const QDateTime& end);

// A technician's commissions of a period, split by where they come from.
struct Pay
{
    Money formula; // the three services, by the commission formula (what wages() gives)
    Money items; // the item lines of the menu she served
    Money supplement; // the 点钟 supplements of her requested clocks

    Money sum() const { return formula + items + supplement; }
};

// Every technician number with a commission of any kind stamped from `start` to `end`, both
// included: whole days from the daily ledger, the partial days from the rows.
Outcome<QHash<QString, Pay>> pay(Database& database, const QDateTime& start, const QDateTime& end);

// Whether the sheet shows the split: the house has a menu of items, a 点钟 supplement per
// clock, or supplements paid before.
Outcome<bool> showsSplit(Database& database);

} // namespace SalarySheet
