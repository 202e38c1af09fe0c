#include "service/GoodsStock.h"

#include "app/Database.h"

GoodsStock::GoodsStock(Database& database)
    : m_database(database)
{ }

Outcome<QStringList> GoodsStock::names() const
{
    const SqlResult rows = m_database.exec(QStringLiteral("SELECT str2 FROM kucheninfo ORDER BY rowid"));
    if (!rows.ok())
        return Failure { rows.error };
    QStringList names;
    names.reserve(rows.rows.size());
    for (const QSqlRecord& row : rows.rows)
        names.append(row.value(0).toString());
    return names;
}

Outcome<std::optional<GoodsLine>> GoodsStock::line(const QString& name, int quantity) const
{
    const SqlResult found = m_database.exec(
        QStringLiteral("SELECT str5, str4 FROM kucheninfo WHERE str2=? ORDER BY rowid LIMIT 1"), { name });
    if (!found.ok())
        return Failure { found.error };
    if (found.isEmpty())
        return std::optional<GoodsLine>();
    return std::optional<GoodsLine>(
        GoodsLine { name, quantity, found.first().value(0).toString(), found.first().value(1).toString() });
}

Outcome<std::optional<StockSale>> GoodsStock::sell(const QString& name, int quantity)
{
    const SqlResult found = m_database.exec(
        QStringLiteral("SELECT rowid, str6 FROM kucheninfo WHERE str2=? ORDER BY rowid LIMIT 1"), { name });
    if (!found.ok())
        return Failure { found.error };
    if (found.isEmpty())
        return std::optional<StockSale>();
    const StockSale sale = StockSale::sell(found.first().value(1).toString(), quantity);
    const SqlResult written = m_database.exec(
        QStringLiteral("UPDATE kucheninfo SET str6=? WHERE rowid=?"), { sale.remainingText(), found.first().value(0) });
    if (!written.ok())
        return Failure { written.error };
    return std::optional<StockSale>(sale);
}
