#include "service/GoodsStock.h"

#include "app/Database.h"

#include <limits>

namespace {

// `number` held within the range of an int, as StockSale counts.
QString withinInt(const QString& number)
{
    return QStringLiteral("CASE WHEN %1 > %2 THEN %2 WHEN %1 < %3 THEN %3 ELSE %1 END")
        .arg(number)
        .arg(std::numeric_limits<int>::max())
        .arg(std::numeric_limits<int>::min());
}

} // namespace

GoodsStock::GoodsStock(Database& database)
    : m_database(database)
{ }

Outcome<QStringList> GoodsStock::names() const
{
    const SqlResult rows
        = m_database.exec(QStringLiteral("SELECT str2 FROM kucheninfo ORDER BY %1").arg(m_database.dialect().rowKey()));
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
    const SqlResult found
        = m_database.exec(QStringLiteral("SELECT str5, str4 FROM kucheninfo WHERE str2=? ORDER BY %1 LIMIT 1")
                              .arg(m_database.dialect().rowKey()),
            { name });
    if (!found.ok())
        return Failure { found.error };
    if (found.isEmpty())
        return std::optional<GoodsLine>();
    return std::optional<GoodsLine>(
        GoodsLine { name, quantity, found.first().value(0).toString(), found.first().value(1).toString() });
}

Outcome<std::optional<StockSale>> GoodsStock::sell(const QString& name, int quantity)
{
    // One statement counts the stock down from what the row holds when the statement runs, never
    // from a count read before: two desks selling the last of an article at once both count. The
    // new text is the one StockSale::sell() makes of the old.
    const SqlDialect& dialect = m_database.dialect();
    const SqlResult sold = m_database.exec(
        QStringLiteral("UPDATE kucheninfo SET str6=(SELECT CAST(%1 AS TEXT) FROM (SELECT %2 - ? AS left_over FROM "
                       "(SELECT %3 AS counted) AS stock) AS sale) "
                       "WHERE %4=(SELECT %4 FROM kucheninfo WHERE str2=? ORDER BY %4 LIMIT 1) RETURNING str6")
            .arg(withinInt(QStringLiteral("left_over")), withinInt(QStringLiteral("counted")),
                dialect.leadingInteger(QStringLiteral("kucheninfo.str6")), dialect.rowKey()),
        { quantity, name });
    if (!sold.ok())
        return Failure { sold.error };
    if (sold.isEmpty())
        return std::optional<StockSale>();
    return std::optional<StockSale>(StockSale::leaving(sold.first().value(0).toInt()));
}
