#include "app/StaffLookup.h"

#include "app/Database.h"

StaffName LookUpStaffName(Database& database, const QString& number)
{
    StaffName staff;
    const SqlResult result = database.exec(QStringLiteral("SELECT str2 FROM worksinfo WHERE str1=?"), { number });
    if (!result.ok()) {
        staff.error = result.error;
        return staff;
    }
    if (!result.isEmpty()) {
        staff.found = true;
        staff.name = result.first().value(QStringLiteral("str2")).toString();
    }
    return staff;
}

LookedUpRows TechnicianRows(Database& database, const QStringList& numbers)
{
    LookedUpRows list;
    for (const QString& number : numbers) {
        const StaffName staff = LookUpStaffName(database, number);
        if (!staff.error.isEmpty())
            list.errors.append(staff.error);
        else if (staff.found)
            list.rows.append({ number, staff.name });
    }
    return list;
}
