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
    const Outcome<QHash<QString, StockSale>> sold = sell(QList<Sale> { { name, quantity } });
    if (!sold)
        return sold.setback<std::optional<StockSale>>();
    const auto sale = sold.value().constFind(name);
    return sale == sold.value().cend() ? std::optional<StockSale>() : std::optional<StockSale>(*sale);
}

Outcome<QHash<QString, StockSale>> GoodsStock::sell(const QList<Sale>& sales)
{
    const PendingSale sale = sellLater(sales);
    if (const QString error = m_database.sendDeferred(); !error.isEmpty())
        return Failure { error };
    return sale.remainders();
}

GoodsStock::PendingSale GoodsStock::sellLater(const QList<Sale>& sales)
{
    PendingSale pending;
    // What each article sells in all, in the order of its first line.
    QStringList names;
    QHash<QString, qint64> quantities;
    for (const Sale& sale : sales) {
        if (!quantities.contains(sale.name))
            names.append(sale.name);
        quantities[sale.name] += sale.quantity;
    }
    if (names.isEmpty())
        return pending;
    QStringList rows;
    QVariantList values;
    for (const QString& name : std::as_const(names)) {
        rows.append(rows.isEmpty() ? QStringLiteral("SELECT CAST(? AS TEXT) AS name, CAST(? AS BIGINT) AS quantity")
                                   : QStringLiteral("SELECT CAST(? AS TEXT), CAST(? AS BIGINT)"));
        values << name << quantities.value(name);
    }
    // One statement counts every article down from what its row holds when the statement runs,
    // never from a count read before: two desks selling the last of an article at once both
    // count. The new text is the one StockSale::sell() makes of the old.
    const SqlDialect& dialect = m_database.dialect();
    pending.m_answer = m_database.readLater(
        QStringLiteral(
            "UPDATE kucheninfo SET str6=(SELECT CAST(%1 AS TEXT) FROM (SELECT %2 - sale.quantity AS left_over "
            "FROM (SELECT %3 AS counted) AS stock) AS sold) "
            "FROM (%5) AS sale "
            "WHERE kucheninfo.%4=(SELECT first.%4 FROM kucheninfo AS first WHERE first.str2=sale.name "
            "ORDER BY first.%4 LIMIT 1) RETURNING str2, str6")
            .arg(withinInt(QStringLiteral("left_over")), withinInt(QStringLiteral("counted")),
                dialect.leadingInteger(QStringLiteral("kucheninfo.str6")), dialect.rowKey(), rows.join(u" UNION ALL ")),
        values);
    return pending;
}

Outcome<QHash<QString, StockSale>> GoodsStock::PendingSale::remainders() const
{
    QHash<QString, StockSale> left;
    if (!m_answer) // nothing sold
        return left;
    if (!m_answer->ok())
        return Failure { m_answer->error };
    for (const QSqlRecord& row : m_answer->rows)
        left.insert(row.value(0).toString(), StockSale::leaving(row.value(1).toInt()));
    return left;
}
