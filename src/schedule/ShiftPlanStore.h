#pragma once

#include "schedule/ShiftPlan.h"

#include <QList>
#include <QString>

class Database;

// The planner's reads and writes of worksinfo (workstatus, restday) and of the rotation rule.
// Every write returns the database error text, empty on success.
class ShiftPlanStore
{
public:
    explicit ShiftPlanStore(Database& database);

    struct StaffList
    {
        QList<PlannerStaff> staff; // in the database's order
        QString error;
    };
    StaffList loadStaff() const;

    struct Rotation
    {
        bool found = false; // false when row 1 of wtimechgcondition is missing
        int rule = RotationRule::None;
        QString error;
    };
    Rotation loadRotation() const;

    // A box entry removed: the shift or rest day of that staff number is unassigned at once.
    QString clearShift(const QString& number);
    QString clearRestDay(const QString& number);
    // Every staff member loses his shift and rest day, all or nothing.
    QString clearAll();

    // Writes the whole plan in one transaction: rest days Monday to Sunday, then the early
    // shift, then the late shift, then the rotation rule. Later writes win, so someone in two
    // weekday boxes rests on the later day and someone in both shift boxes works late. Numbers
    // without a staff record are passed over; people in no box keep their stored values.
    // On failure nothing of the plan is stored.
    QString save(const ShiftPlan& plan);

private:
    Database& m_database;
};
