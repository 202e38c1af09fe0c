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

} // namespace SalarySheet
