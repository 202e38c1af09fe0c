#include "payroll/SalarySheet.h"

#include "app/Database.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"

#include <QSqlRecord>

namespace SalarySheet {

Outcome<QList<Technician>> technicians(Database& database)
{
    const SqlResult result = database.exec(
        QStringLiteral("SELECT str1, str2 FROM worksinfo WHERE str9=? ORDER BY %1").arg(database.dialect().rowKey()),
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
    // The days of the period covered whole come from the daily ledger, its partial days from the rows.
    const TakingsLedger::Source rows
        = TakingsLedger::Rows(TakingsLedger::Technicians(database.dialect()), TakingsLedger::Span::between(start, end));
    const SqlResult result = database.exec(
        QStringLiteral("SELECT num, sum(commission_fen) FROM (%1) AS ledger_rows GROUP BY num").arg(rows.sql),
        rows.values);
    if (!result.ok())
        return Failure { result.error };
    QHash<QString, Money> wages;
    for (const QSqlRecord& row : result.rows)
        wages.insert(row.value(0).toString(), Money::fromFen(row.value(1).toLongLong()));
    return wages;
}

} // namespace SalarySheet
