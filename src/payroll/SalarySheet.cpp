#include "payroll/SalarySheet.h"

#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"

#include <QSqlRecord>

#include <functional>

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

namespace {

// The sum of `sum` per `key` over `table`'s ledger rows of the period.
QString addPerKey(Database& database, const TakingsLedger::Table& table, const QString& key, const QString& sum,
    const QDateTime& start, const QDateTime& end, const std::function<void(const QString&, Money)>& take)
{
    const TakingsLedger::Source rows = TakingsLedger::Rows(table, TakingsLedger::Span::between(start, end));
    const SqlResult result = database.exec(
        QStringLiteral("SELECT %1, sum(%2) FROM (%3) AS ledger_rows GROUP BY %1").arg(key, sum, rows.sql), rows.values);
    if (!result.ok())
        return result.error;
    for (const QSqlRecord& row : result.rows)
        take(row.value(0).toString(), Money::fromFen(row.value(1).toLongLong()));
    return {};
}

} // namespace

Outcome<QHash<QString, Pay>> pay(Database& database, const QDateTime& start, const QDateTime& end)
{
    const Outcome<QHash<QString, Money>> formula = wages(database, start, end);
    if (!formula)
        return formula.setback<QHash<QString, Pay>>();
    QHash<QString, Pay> pay;
    for (auto it = formula.value().cbegin(); it != formula.value().cend(); ++it)
        pay[it.key()].formula = it.value();
    const SqlDialect& dialect = database.dialect();
    QString error = addPerKey(database, TakingsLedger::Items(dialect), QStringLiteral("technician"),
        QStringLiteral("commission_fen"), start, end,
        [&pay](const QString& number, Money amount) { pay[number].items += amount; });
    if (error.isEmpty())
        error = addPerKey(database, TakingsLedger::Calls(dialect), QStringLiteral("technician"),
            QStringLiteral("supplement_fen"), start, end,
            [&pay](const QString& number, Money amount) { pay[number].supplement += amount; });
    if (!error.isEmpty())
        return Failure { error };
    return pay;
}

Outcome<bool> showsSplit(Database& database)
{
    QString error;
    if (HouseSettings::figure(database, HouseSettings::RequestedSupplement, &error) != 0)
        return true;
    if (!error.isEmpty())
        return Failure { error };
    const SqlResult result = database.exec(
        QStringLiteral("SELECT (SELECT count(*) FROM (SELECT 1 FROM service_item LIMIT 1) AS menu), "
                       "(SELECT count(*) FROM (SELECT 1 FROM ledger_calls WHERE supplement_fen<>0 LIMIT 1) AS paid)"),
        {});
    if (!result.ok())
        return Failure { result.error };
    return !result.isEmpty() && (result.first().value(0).toLongLong() > 0 || result.first().value(1).toLongLong() > 0);
}

} // namespace SalarySheet
