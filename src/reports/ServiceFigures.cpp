#include "reports/ServiceFigures.h"

#include "app/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <functional>

namespace ServiceFigures {

namespace {

// The unit of the items that count in clocks.
const QString ClockUnit = QStringLiteral("钟");

} // namespace

Outcome<QList<Item>> items(Database& database, const TakingsLedger::Span& span)
{
    const TakingsLedger::Source rows = TakingsLedger::Rows(TakingsLedger::Items(database.dialect()), span);
    QList<Item> found;
    const QString error = database.readRows(
        QStringLiteral("SELECT item, name, sum(lines), sum(units), sum(amount_fen), sum(commission_fen) "
                       "FROM (%1) AS ledger_rows GROUP BY item, name")
            .arg(rows.sql),
        rows.values, [&found](const QSqlQuery& row) {
            found.append({ row.value(0).toLongLong(), row.value(1).toString(), row.value(2).toLongLong(),
                row.value(3).toLongLong(), Money::fromFen(row.value(4).toLongLong()),
                Money::fromFen(row.value(5).toLongLong()) });
            return true;
        });
    if (!error.isEmpty())
        return Failure { error };
    std::sort(found.begin(), found.end(),
        [](const Item& a, const Item& b) { return a.number != b.number ? a.number < b.number : a.name < b.name; });
    return found;
}

Outcome<QHash<QString, Clocks>> itemClocksAndRequests(Database& database, const TakingsLedger::Span& span)
{
    QHash<QString, Clocks> clocks;
    const SqlDialect& dialect = database.dialect();
    // The 点钟 of the three services, from the technicians' calls.
    const TakingsLedger::Source calls = TakingsLedger::Rows(TakingsLedger::Calls(dialect), span);
    QString error = database.readRows(
        QStringLiteral("SELECT technician, sum(requested_clocks) FROM (%1) AS ledger_rows GROUP BY technician")
            .arg(calls.sql),
        calls.values, [&clocks](const QSqlQuery& row) {
            clocks[row.value(0).toString()].requested += row.value(1).toLongLong();
            return true;
        });
    if (!error.isEmpty())
        return Failure { error };
    // The items sold by the clock, as the menu counts them now.
    const TakingsLedger::Source lines = TakingsLedger::Rows(TakingsLedger::Items(dialect), span);
    QVariantList values = lines.values;
    values.append(ClockUnit);
    error = database.readRows(
        QStringLiteral("SELECT ledger_rows.technician, sum(ledger_rows.units), sum(ledger_rows.requested_units) "
                       "FROM (%1) AS ledger_rows JOIN service_item ON CAST(service_item.id AS TEXT)=ledger_rows.item "
                       "WHERE service_item.unit=? GROUP BY ledger_rows.technician")
            .arg(lines.sql),
        values, [&clocks](const QSqlQuery& row) {
            Clocks& technician = clocks[row.value(0).toString()];
            technician.clocks += row.value(1).toLongLong();
            technician.requested += row.value(2).toLongLong();
            return true;
        });
    if (!error.isEmpty())
        return Failure { error };
    return clocks;
}

Outcome<QList<Technician>> technicians(Database& database, const TakingsLedger::Span& span)
{
    const SqlDialect& dialect = database.dialect();
    QHash<QString, Technician> found;
    const auto sumPer = [&database, &span](const TakingsLedger::Table& table, const QString& select,
                            const std::function<void(const QSqlQuery&)>& take) {
        const TakingsLedger::Source rows = TakingsLedger::Rows(table, span);
        return database.readRows(select.arg(rows.sql), rows.values, [&take](const QSqlQuery& row) {
            take(row);
            return true;
        });
    };
    QString error = sumPer(TakingsLedger::Technicians(dialect),
        QStringLiteral("SELECT num, max(name), sum(massage) + sum(footwash), sum(commission_fen) "
                       "FROM (%1) AS ledger_rows GROUP BY num"),
        [&found](const QSqlQuery& row) {
            Technician& technician = found[row.value(0).toString()];
            technician.name = row.value(1).toString();
            technician.clocks += row.value(2).toLongLong();
            technician.commission += Money::fromFen(row.value(3).toLongLong());
        });
    if (error.isEmpty())
        error = sumPer(TakingsLedger::Items(dialect),
            QStringLiteral("SELECT technician, sum(commission_fen) FROM (%1) AS ledger_rows GROUP BY technician"),
            [&found](const QSqlQuery& row) {
                found[row.value(0).toString()].commission += Money::fromFen(row.value(1).toLongLong());
            });
    if (error.isEmpty())
        error = sumPer(TakingsLedger::Calls(dialect),
            QStringLiteral("SELECT technician, sum(supplement_fen) FROM (%1) AS ledger_rows GROUP BY technician"),
            [&found](const QSqlQuery& row) {
                found[row.value(0).toString()].commission += Money::fromFen(row.value(1).toLongLong());
            });
    if (!error.isEmpty())
        return Failure { error };
    const Outcome<QHash<QString, Clocks>> clocks = itemClocksAndRequests(database, span);
    if (!clocks)
        return clocks.setback<QList<Technician>>();
    for (auto it = clocks.value().cbegin(); it != clocks.value().cend(); ++it) {
        Technician& technician = found[it.key()];
        technician.clocks += it.value().clocks;
        technician.requested += it.value().requested;
    }
    QList<Technician> technicians;
    for (auto it = found.begin(); it != found.end(); ++it) {
        it.value().number = it.key();
        technicians.append(it.value());
    }
    std::sort(technicians.begin(), technicians.end(),
        [](const Technician& a, const Technician& b) { return a.number < b.number; });
    return technicians;
}

Outcome<bool> InUse(Database& database)
{
    const SqlResult result = database.exec(
        QStringLiteral("SELECT (SELECT count(*) FROM (SELECT 1 FROM service_item LIMIT 1) AS menu), "
                       "(SELECT count(*) FROM (SELECT 1 FROM ledger_calls WHERE requested_calls<>0 LIMIT 1) AS calls)"),
        {});
    if (!result.ok())
        return Failure { result.error };
    return !result.isEmpty() && (result.first().value(0).toLongLong() > 0 || result.first().value(1).toLongLong() > 0);
}

QString RequestRateText(qint64 requested, qint64 clocks)
{
    if (clocks <= 0)
        return QStringLiteral("—");
    // Tenths of a percent, rounded half up, in whole numbers.
    const qint64 tenths = (requested * 2000 + clocks) / (2 * clocks);
    return QStringLiteral("%1.%2%").arg(tenths / 10).arg(tenths % 10);
}

} // namespace ServiceFigures
