#include "schedule/ShiftPlanStore.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"

ShiftPlanStore::ShiftPlanStore(Database& database)
    : m_database(database)
{ }

ShiftPlanStore::StaffList ShiftPlanStore::loadStaff() const
{
    StaffList list;
    const SqlResult result
        = m_database.exec(QStringLiteral("SELECT str1, str2, str9, workstatus, restday FROM worksinfo ORDER BY %1")
                              .arg(m_database.dialect().rowKey()));
    if (!result.ok()) {
        list.error = result.error;
        return list;
    }
    for (const QSqlRecord& row : result.rows) {
        list.staff.append({ row.value(QStringLiteral("str1")).toString(), row.value(QStringLiteral("str2")).toString(),
            row.value(QStringLiteral("str9")).toString(), row.value(QStringLiteral("workstatus")).toInt(),
            row.value(QStringLiteral("restday")).toInt() });
    }
    return list;
}

ShiftPlanStore::Rotation ShiftPlanStore::loadRotation() const
{
    Rotation rotation;
    const SqlResult result = m_database.exec(QStringLiteral("SELECT spaceday FROM wtimechgcondition WHERE id=1"));
    if (!result.ok()) {
        rotation.error = result.error;
        return rotation;
    }
    if (!result.isEmpty()) {
        rotation.found = true;
        rotation.rule = result.first().value(QStringLiteral("spaceday")).toInt();
    }
    return rotation;
}

QString ShiftPlanStore::clearShift(const QString& number)
{
    return m_database
        .exec(QStringLiteral("UPDATE worksinfo SET workstatus=? WHERE str1=?"), { ShiftValue::Unassigned, number })
        .error;
}

QString ShiftPlanStore::clearRestDay(const QString& number)
{
    return m_database
        .exec(QStringLiteral("UPDATE worksinfo SET restday=? WHERE str1=?"), { ShiftValue::Unassigned, number })
        .error;
}

QString ShiftPlanStore::clearAll()
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return transaction.error();
    const SqlResult cleared = m_database.exec(QStringLiteral("UPDATE worksinfo SET workstatus=?, restday=?"),
        { ShiftValue::Unassigned, ShiftValue::Unassigned });
    if (!cleared.ok())
        return cleared.error;
    if (!transaction.commit())
        return transaction.error();
    return {};
}

QString ShiftPlanStore::save(const ShiftPlan& plan)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return transaction.error();

    const QString restStatement = QStringLiteral("UPDATE worksinfo SET restday=? WHERE str1=?");
    for (int day = 1; day <= 7; ++day) {
        for (const QString& number : plan.restDays[static_cast<size_t>(day - 1)]) {
            const SqlResult written = m_database.exec(restStatement, { day, number });
            if (!written.ok())
                return written.error;
        }
    }

    const QString shiftStatement = QStringLiteral("UPDATE worksinfo SET workstatus=? WHERE str1=?");
    for (const auto& [numbers, shift] :
        { std::pair { &plan.early, ShiftValue::Early }, std::pair { &plan.late, ShiftValue::Late } }) {
        for (const QString& number : *numbers) {
            const SqlResult written = m_database.exec(shiftStatement, { shift, number });
            if (!written.ok())
                return written.error;
        }
    }

    const SqlResult rule
        = m_database.exec(QStringLiteral("UPDATE wtimechgcondition SET spaceday=? WHERE id=1"), { plan.rotation });
    if (!rule.ok())
        return rule.error;

    if (!transaction.commit())
        return transaction.error();
    return {};
}
