#include "payroll/SalarySheet.h"

#include "app/Database.h"
#include "app/TextFormat.h"

#include <QSqlRecord>

namespace SalarySheet {

Outcome<QList<Technician>> technicians(Database& database)
{
    const SqlResult result = database.exec(
        QStringLiteral("SELECT str1, str2 FROM worksinfo WHERE str9=? ORDER BY %1").arg(Database::rowKey()),
        { QStringLiteral("技师") });
    if (!result.ok())
        return Failure { result.error };
    QList<Technician> technicians;
    for (const QSqlRecord& row : result.rows)
        technicians.append({ row.value(0).toString(), row.value(1).toString() });
    return technicians;
}

Outcome<QHash<QString, Money>> wages(Database& database, const QDateTime& start, const QDateTime& end)
{
    const SqlResult result
        = database.exec(QStringLiteral("SELECT num, %1 FROM salaryform WHERE time<=? AND time>=? GROUP BY num")
                            .arg(Database::fenSum(QStringLiteral("salary"))),
            { DateTimeText(end), DateTimeText(start) });
    if (!result.ok())
        return Failure { result.error };
    QHash<QString, Money> wages;
    for (const QSqlRecord& row : result.rows)
        wages.insert(row.value(0).toString(), Money::fromFen(row.value(1).toLongLong()));
    return wages;
}

} // namespace SalarySheet
