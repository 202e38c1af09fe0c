#include "app/ReceiptStore.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"

#include <QSqlQuery>

namespace {

QVariantList valuesOf(const ReceiptRow& row)
{
    // In the order of ReceiptColumn::All.
    return { row.number, row.room, row.period, row.massageCount, row.footWashCount, row.pedicureCount, row.goodsAmount,
        row.discount, row.discountApprover, row.total, row.payType, row.cashier, row.time, row.paymentMethod,
        row.massagePrice, row.massageAmount, row.footWashPrice, row.footWashAmount, row.pedicurePrice,
        row.pedicureAmount };
}

QVariantList valuesOf(const CommissionRow& row)
{
    // In the order of CommissionColumn::All.
    return { row.number, row.technician, row.name, row.massageCount, row.footWashCount, row.commission, row.time,
        row.cashier };
}

QVariantList valuesOf(const GoodsRow& row)
{
    // In the order of GoodsColumn::All.
    return { row.number, row.name, row.unit, row.unitPrice, row.quantity, row.amount, row.time, row.cashier };
}

QVariantList valuesOf(const ItemRow& row)
{
    // In the order of ItemColumn::All.
    return { row.number, row.line, row.item, row.name, row.technician, row.requested ? 1 : 0, row.count,
        row.unitPriceFen, row.amountFen, row.commissionFen, row.time, row.cashier };
}

QVariantList valuesOf(const CallRow& row)
{
    // In the order of CallColumn::All.
    return { row.number, row.line, row.technician, row.requested ? 1 : 0, row.clocks, row.supplementFen, row.time };
}

QVariantList valuesOf(const PaymentRow& row)
{
    // In the order of PaymentColumn::All.
    return { row.number, row.line, row.method, row.amountFen, row.card, row.receiptMethod, row.time };
}

QVariantList valuesOf(const WaiverRow& row)
{
    // In the order of WaiverColumn::All.
    return { row.number, row.totalFen, row.waivedFen, row.approver, row.time, row.cashier };
}

// A stored text as the desk reads it: NULL (left by an earlier release or another tool) is empty.
QString textAt(const QSqlQuery& row, int column)
{
    return row.value(column).toString();
}

ReceiptRow receiptFrom(const QSqlQuery& row)
{
    int i = 0;
    ReceiptRow read;
    read.number = row.value(i++).toLongLong();
    for (QString* field : { &read.room, &read.period, &read.massageCount, &read.footWashCount, &read.pedicureCount,
             &read.goodsAmount, &read.discount, &read.discountApprover, &read.total, &read.payType, &read.cashier,
             &read.time, &read.paymentMethod, &read.massagePrice, &read.massageAmount, &read.footWashPrice,
             &read.footWashAmount, &read.pedicurePrice, &read.pedicureAmount })
        *field = textAt(row, i++);
    return read;
}

CommissionRow salaryFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), textAt(row, 1), textAt(row, 2), textAt(row, 3), textAt(row, 4), textAt(row, 5),
        textAt(row, 6), textAt(row, 7) };
}

GoodsRow goodsFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), textAt(row, 1), textAt(row, 2), textAt(row, 3), textAt(row, 4), textAt(row, 5),
        textAt(row, 6), textAt(row, 7) };
}

ItemRow itemFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), row.value(1).toInt(), row.value(2).toLongLong(), textAt(row, 3), textAt(row, 4),
        row.value(5).toInt() != 0, row.value(6).toInt(), row.value(7).toLongLong(), row.value(8).toLongLong(),
        row.value(9).toLongLong(), textAt(row, 10), textAt(row, 11) };
}

CallRow callFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), row.value(1).toInt(), textAt(row, 2), row.value(3).toInt() != 0,
        row.value(4).toInt(), row.value(5).toLongLong(), textAt(row, 6) };
}

PaymentRow paymentFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), row.value(1).toInt(), textAt(row, 2), row.value(3).toLongLong(), textAt(row, 4),
        textAt(row, 5), textAt(row, 6) };
}

WaiverRow waiverFrom(const QSqlQuery& row)
{
    return { row.value(0).toLongLong(), row.value(1).toLongLong(), row.value(2).toLongLong(), textAt(row, 3),
        textAt(row, 4), textAt(row, 5) };
}

// The rows of one receipt in `table`, whose first column is the receipt number, in the order
// they were added.
QString selectOfOneReceipt(
    const Database& database, QLatin1StringView table, std::span<const QLatin1StringView> columns)
{
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3=? ORDER BY %4")
        .arg(columnList(columns), table, columns.front(), database.dialect().rowKey());
}

template <typename Row> QList<QVariantList> valueRows(const QList<Row>& rows)
{
    QList<QVariantList> values;
    values.reserve(rows.size());
    for (const Row& row : rows)
        values.append(valuesOf(row));
    return values;
}

template <typename Row, typename Read>
Outcome<QList<Row>> readAll(Database& database, const QString& sql, qint64 number, Read read)
{
    QList<Row> rows;
    const QString error = database.readRows(sql, { number }, [&rows, &read](const QSqlQuery& row) {
        rows.append(read(row));
        return true;
    });
    if (!error.isEmpty())
        return Failure { error };
    return rows;
}

} // namespace

QString columnList(std::span<const QLatin1StringView> columns)
{
    QString list;
    for (const QLatin1StringView column : columns) {
        if (!list.isEmpty())
            list += QLatin1StringView(", ");
        list += column;
    }
    return list;
}

QString makeInsertStatement(QLatin1StringView table, std::span<const QLatin1StringView> columns, int rows)
{
    QString placeholders = QStringLiteral("(");
    for (std::size_t i = 0; i < columns.size(); ++i)
        placeholders += i == 0 ? QLatin1StringView("?") : QLatin1StringView(", ?");
    placeholders += u')';

    QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table, columnList(columns));
    for (int row = 0; row < qMax(rows, 1); ++row) {
        if (row > 0)
            sql += QLatin1StringView(", ");
        sql += placeholders;
    }
    return sql;
}

QString InsertRows(Database& database, QLatin1StringView table, std::span<const QLatin1StringView> columns,
    const QList<QVariantList>& rows)
{
    for (const QVariantList& row : rows) {
        if (static_cast<std::size_t>(row.size()) != columns.size())
            return QStringLiteral("Parameter count mismatch"); // as the database says it
    }
    const auto write = [&](qsizetype first, qsizetype count) {
        QVariantList values;
        values.reserve(count * static_cast<qsizetype>(columns.size()));
        for (qsizetype i = first; i < first + count; ++i)
            values += rows[i];
        return database.execLater(makeInsertStatement(table, columns, static_cast<int>(count)), values);
    };
    if (rows.isEmpty())
        return {};
    if (rows.size() <= ReceiptStore::MaxRowsPerStatement)
        return write(0, rows.size());

    // Several statements: all of them or none.
    SqlTransaction transaction(database);
    if (!transaction.isActive())
        return transaction.error();
    for (qsizetype first = 0; first < rows.size(); first += ReceiptStore::MaxRowsPerStatement) {
        if (const QString error = write(first, qMin<qsizetype>(ReceiptStore::MaxRowsPerStatement, rows.size() - first));
            !error.isEmpty())
            return error;
    }
    return transaction.commit() ? QString() : transaction.error();
}

Outcome<std::optional<qint64>> ReceiptStore::largestNumber() const
{
    QString error;
    const QVariant largest = m_database.scalar(
        QStringLiteral("SELECT max(%1) FROM %2").arg(ReceiptColumn::Id, ReceiptTable::Receipts), {}, &error);
    if (!error.isEmpty())
        return Failure { error };
    if (largest.isNull())
        return std::optional<qint64>();
    return std::optional<qint64>(largest.toLongLong());
}

QString ReceiptStore::insertReceipt(const ReceiptRow& row)
{
    return InsertRows(m_database, ReceiptTable::Receipts, ReceiptColumn::All, { valuesOf(row) });
}

QString ReceiptStore::insertSalaries(const QList<CommissionRow>& rows)
{
    return InsertRows(m_database, ReceiptTable::Salaries, CommissionColumn::All, valueRows(rows));
}

QString ReceiptStore::insertGoods(const QList<GoodsRow>& rows)
{
    return InsertRows(m_database, ReceiptTable::Goods, GoodsColumn::All, valueRows(rows));
}

QString ReceiptStore::insertItems(const QList<ItemRow>& rows)
{
    return InsertRows(m_database, ReceiptTable::Items, ItemColumn::All, valueRows(rows));
}

QString ReceiptStore::insertCalls(const QList<CallRow>& rows)
{
    return InsertRows(m_database, ReceiptTable::Calls, CallColumn::All, valueRows(rows));
}

QString ReceiptStore::insertPayments(const QList<PaymentRow>& rows)
{
    return InsertRows(m_database, ReceiptTable::Payments, PaymentColumn::All, valueRows(rows));
}

QString ReceiptStore::insertWaiver(const WaiverRow& row)
{
    return InsertRows(m_database, ReceiptTable::Waivers, WaiverColumn::All, { valuesOf(row) });
}

Outcome<std::optional<ReceiptRow>> ReceiptStore::loadReceipt(qint64 number) const
{
    const Outcome<QList<ReceiptRow>> rows = readAll<ReceiptRow>(m_database,
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
            .arg(columnList(ReceiptColumn::All), ReceiptTable::Receipts, ReceiptColumn::Id),
        number, receiptFrom);
    if (!rows)
        return rows.setback<std::optional<ReceiptRow>>();
    if (rows.value().isEmpty())
        return std::optional<ReceiptRow>();
    return std::optional<ReceiptRow>(rows.value().first());
}

Outcome<QList<CommissionRow>> ReceiptStore::loadSalaries(qint64 number) const
{
    return readAll<CommissionRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Salaries, CommissionColumn::All), number, salaryFrom);
}

Outcome<QList<GoodsRow>> ReceiptStore::loadGoods(qint64 number) const
{
    return readAll<GoodsRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Goods, GoodsColumn::All), number, goodsFrom);
}

Outcome<QList<ItemRow>> ReceiptStore::loadItems(qint64 number) const
{
    return readAll<ItemRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Items, ItemColumn::All), number, itemFrom);
}

Outcome<QList<CallRow>> ReceiptStore::loadCalls(qint64 number) const
{
    return readAll<CallRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Calls, CallColumn::All), number, callFrom);
}

Outcome<QList<PaymentRow>> ReceiptStore::loadPayments(qint64 number) const
{
    return readAll<PaymentRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Payments, PaymentColumn::All), number, paymentFrom);
}

Outcome<std::optional<WaiverRow>> ReceiptStore::loadWaiver(qint64 number) const
{
    const Outcome<QList<WaiverRow>> rows = readAll<WaiverRow>(
        m_database, selectOfOneReceipt(m_database, ReceiptTable::Waivers, WaiverColumn::All), number, waiverFrom);
    if (!rows)
        return rows.setback<std::optional<WaiverRow>>();
    if (rows.value().isEmpty())
        return std::optional<WaiverRow>();
    return std::optional<WaiverRow>(rows.value().first());
}

Outcome<Money> ReceiptStore::waived(qint64 after, qint64 upTo) const
{
    QString error;
    const qint64 fen = m_database
                           .scalar(QStringLiteral("SELECT coalesce(sum(%1), 0) FROM %2 WHERE %3>? AND %3<=?")
                                       .arg(WaiverColumn::Waived, ReceiptTable::Waivers, WaiverColumn::Id),
                               { after, upTo }, &error)
                           .toLongLong();
    if (!error.isEmpty())
        return Failure { error };
    return Money::fromFen(fen);
}
