#pragma once

#include <QString>
#include <QStringList>

#include <array>

// Values of worksinfo.workstatus and worksinfo.restday.
namespace ShiftValue {
inline constexpr int Early = 0;
inline constexpr int Late = 1;
inline constexpr int Unassigned = 100; // no shift, or no rest day
} // namespace ShiftValue

// The rotation rule of wtimechgcondition row 1 (spaceday): the index of the planner's choice.
namespace RotationRule {
inline constexpr int None = 0;
inline constexpr int Daily = 1;
inline constexpr int Weekly = 2;
} // namespace RotationRule

// One staff member as the planner lists him.
struct PlannerStaff
{
    QString number;
    QString name;
    QString title;
    int workstatus = ShiftValue::Unassigned;
    int restday = ShiftValue::Unassigned;
};

// The manager's plan as the planner's boxes hold it: staff numbers per box.
struct ShiftPlan
{
    std::array<QStringList, 7> restDays; // index 0 = Monday (restday 1) … 6 = Sunday (7)
    QStringList early;
    QStringList late;
    int rotation = RotationRule::None;
};

// A box entry: "number name title".
QString PlannerEntryText(const QString& number, const QString& name, const QString& title);
// The staff number of a box entry: the text trimmed, up to the first blank.
QString PlannerEntryNumber(const QString& entry);
