#include "app/Database.h"
#include "app/ReceiptStore.h"
#include "app/SqlTransaction.h"
#include "support/TestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

ReceiptRow Receipt(qint64 number)
{
    return { .number = number,
        .room = u"102"_s,
        .period = u"2026-12-07 10:00:00—2026-12-07 11:05:00"_s,
        .massageCount = u"2"_s,
        .footWashCount = u"1"_s,
        .pedicureCount = QString(), // no pedicure line
        .goodsAmount = u"16.50"_s,
        .discount = u"0.80"_s,
        .discountApprover = u"赵经理"_s,
        .total = u"130.50"_s,
        .payType = u"普通"_s,
        .cashier = u"c1"_s,
        .time = u"2026-12-07 11:05:00"_s,
        .paymentMethod = u"现金"_s,
        .massagePrice = u"40"_s,
        .massageAmount = u"64.00"_s,
        .footWashPrice = u"30"_s,
        .footWashAmount = u"30.00"_s,
        .pedicurePrice = QString(),
        .pedicureAmount = QString() };
}

QList<CommissionRow> Salaries(qint64 number, int count)
{
    QList<CommissionRow> rows;
    for (int i = 0; i < count; ++i) {
        // Numbers that do not sort as written: the rows must come back in the order given.
        const int technician = (i * 7) % 13 + 1;
        rows.append({ .number = number,
            .technician = u"%1"_s.arg(technician, 2, 10, QChar(u'0')),
            .name = u"技师%1"_s.arg(technician),
            .massageCount = QString::number(i % 4),
            .footWashCount = QString::number(i % 3),
            .commission = u"%1.00"_s.arg(10 * i + 5),
            .time = u"2026-12-07 11:05:00"_s,
            .cashier = u"c1"_s });
    }
    return rows;
}

QList<GoodsRow> Goods(qint64 number, int count)
{
    QList<GoodsRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.append({ .number = number,
            .name = i % 2 ? u"啤酒%1"_s.arg(count - i) : u"Cola %1"_s.arg(count - i),
            .unit = u"瓶"_s,
            .unitPrice = u"5.5"_s,
            .quantity = QString::number(i + 1),
            .amount = u"%1.50"_s.arg(5 * (i + 1)),
            .time = u"2026-12-07 11:05:00"_s,
            .cashier = u"c1"_s });
    }
    return rows;
}

// The goods names of a receipt as the table holds them, in the order the rows were added.
QStringList StoredGoodsNames(TestEnvironment& env, qint64 number)
{
    const SqlResult rows = env.database.exec(u"SELECT name FROM spsalay WHERE id=? ORDER BY rowid"_s, { number });
    QStringList names;
    for (const QSqlRecord& row : rows.rows)
        names << row.value(0).toString();
    return names;
}

int RowsOf(TestEnvironment& env, const QString& table)
{
    return env.database.scalar(u"SELECT count(*) FROM %1"_s.arg(table)).toInt();
}

} // namespace

// The store of a bill's three tables: the statements it builds, a bill written and read back
// with any number of technicians and goods lines, in order, and values that a statement must
// take as values.
class ReceiptStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void theInsertStatementListsEveryColumnWithItsPlaceholder()
    {
        QCOMPARE(makeInsertStatement(ReceiptTable::Goods, GoodsColumn::All),
            u"INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
        QCOMPARE(makeInsertStatement(ReceiptTable::Salaries, CommissionColumn::All, 2),
            u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?), (?, ?, ?, ?, ?, ?, ?, ?)"_s);
        for (int rows : { 1, 3, 64 }) {
            const QString sql = makeInsertStatement(ReceiptTable::Receipts, ReceiptColumn::All, rows);
            QCOMPARE(sql.count(u'?'), rows * int(std::size(ReceiptColumn::All)));
            QCOMPARE(sql.count(u'('), rows + 1);
        }
        // The columns as the tables of a new house have them, in their order.
        QCOMPARE(columnList(ReceiptColumn::All),
            u"id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, dazheperson, alljine, "
            "paytype, cashier, time, paymethod, massageprice, massagejine, washfootprice, washfootjine, "
            "trimfootprice, trimfootjine"_s);
        QCOMPARE(
            columnList(CommissionColumn::All), u"id, num, name, massagetime, washfoottime, salary, time, cashier"_s);
        QCOMPARE(columnList(GoodsColumn::All), u"id, name, danwe, danjia, counter, jine, time, cashier"_s);
    }

    void aReceiptIsWrittenAndReadBackWithItsRowsInOrder_data()
    {
        QTest::addColumn<int>("salaries");
        QTest::addColumn<int>("goods");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("one each") << 1 << 1;
        QTest::newRow("technicians only") << 3 << 0;
        QTest::newRow("goods only") << 0 << 5;
        QTest::newRow("many") << 6 << 11;
        // More lines than one statement takes: the rest follow in order.
        QTest::newRow("beyond one statement")
            << ReceiptStore::MaxRowsPerStatement + 1 << 2 * ReceiptStore::MaxRowsPerStatement + 3;
    }

    void aReceiptIsWrittenAndReadBackWithItsRowsInOrder()
    {
        QFETCH(int, salaries);
        QFETCH(int, goods);
        TestEnvironment env;
        QVERIFY(env.isReady());
        ReceiptStore store(env.database);

        // A receipt before and one after, so that the reads keep to their number.
        const qint64 number = 7;
        SqlTransaction transaction(env.database);
        QVERIFY(transaction.isActive());
        for (const qint64 written : { number - 1, number, number + 1 }) {
            QCOMPARE(store.insertReceipt(Receipt(written)), QString());
            QCOMPARE(store.insertSalaries(Salaries(written, written == number ? salaries : 2)), QString());
            QCOMPARE(store.insertGoods(Goods(written, written == number ? goods : 2)), QString());
        }
        QVERIFY(transaction.commit());

        const Outcome<std::optional<ReceiptRow>> receipt = store.loadReceipt(number);
        QVERIFY2(receipt.ok(), qPrintable(receipt.text()));
        QVERIFY(receipt.value().has_value());
        QCOMPARE(*receipt.value(), Receipt(number));

        const Outcome<QList<CommissionRow>> salaryRows = store.loadSalaries(number);
        QVERIFY2(salaryRows.ok(), qPrintable(salaryRows.text()));
        QCOMPARE(salaryRows.value().size(), salaries);
        QVERIFY(salaryRows.value() == Salaries(number, salaries));

        const Outcome<QList<GoodsRow>> goodsRows = store.loadGoods(number);
        QVERIFY2(goodsRows.ok(), qPrintable(goodsRows.text()));
        QCOMPARE(goodsRows.value().size(), goods);
        QVERIFY(goodsRows.value() == Goods(number, goods));

        // The table holds them in the bill's order, by row key, as the receipt chain reads them.
        QStringList expected;
        for (const GoodsRow& row : Goods(number, goods))
            expected << row.name;
        QCOMPARE(StoredGoodsNames(env, number), expected);
        QCOMPARE(RowsOf(env, u"salaryform"_s), salaries + 4);
        QCOMPARE(RowsOf(env, u"spsalay"_s), goods + 4);
    }

    void aMissingReceiptIsNothing()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ReceiptStore store(env.database);
        const Outcome<std::optional<qint64>> none = store.largestNumber();
        QVERIFY2(none.ok(), qPrintable(none.text()));
        QVERIFY(!none.value().has_value()); // before the house's first bill

        const Outcome<std::optional<ReceiptRow>> missing = store.loadReceipt(3);
        QVERIFY(missing.ok());
        QVERIFY(!missing.value().has_value());
        QVERIFY(store.loadGoods(3).value().isEmpty());
        QVERIFY(store.loadSalaries(3).value().isEmpty());

        QCOMPARE(store.insertReceipt(Receipt(5)), QString());
        QCOMPARE(store.insertReceipt(Receipt(3)), QString());
        QCOMPARE(store.largestNumber().value(), std::optional<qint64>(5));
    }

    void theMultiRowInsertBindsEveryValueAsAValue()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        ReceiptStore store(env.database);

        // Quotes, a statement's own punctuation, a backslash, a question mark and Chinese text
        // all land as written; an empty text is stored empty.
        QList<GoodsRow> rows = Goods(1, 5);
        rows[0].name = u"O'Brien's \"stout\""_s;
        rows[1].name = u"'); DELETE FROM spsalay; --"_s;
        rows[2].name = u"青岛纯生啤酒(听装)"_s;
        rows[2].unit = u"听"_s;
        rows[3].name = u"C:\\盘\\? %1 $1"_s;
        rows[4].name = QString();
        rows[4].unit = u""_s;
        QCOMPARE(store.insertGoods(rows), QString());
        QVERIFY(store.loadGoods(1).value() == rows);
        QCOMPARE(RowsOf(env, u"spsalay"_s), 5);
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM spsalay WHERE name='' AND danwe=''"_s).toInt(), 1);

        // A NULL reaches the database as NULL: the column refuses it, and the statement writes
        // none of its rows.
        QList<QVariantList> withNull;
        for (const GoodsRow& row : Goods(2, 3))
            withNull.append(
                { row.number, row.name, row.unit, row.unitPrice, row.quantity, row.amount, row.time, row.cashier });
        withNull[1][1] = QVariant();
        QVERIFY(!InsertRows(env.database, ReceiptTable::Goods, GoodsColumn::All, withNull).isEmpty());
        QCOMPARE(RowsOf(env, u"spsalay"_s), 5);

        // Where a column takes it, the NULL is read back as one, beside a quote and Chinese text.
        QVERIFY(env.database.execAsWritten(u"CREATE TABLE store_probe (id INTEGER NOT NULL, note TEXT, label TEXT)"_s)
                    .ok());
        constexpr QLatin1StringView ProbeColumns[]
            = { QLatin1StringView("id"), QLatin1StringView("note"), QLatin1StringView("label") };
        QCOMPARE(InsertRows(env.database, QLatin1StringView("store_probe"), ProbeColumns,
                     { { 1, QVariant(), u"它's"_s }, { 2, u"按摩'"_s, QVariant() }, { 3, u"x"_s, u"足浴"_s } }),
            QString());
        const SqlResult probe = env.database.exec(u"SELECT id, note, label FROM store_probe ORDER BY id"_s);
        QVERIFY2(probe.ok(), qPrintable(probe.error));
        QCOMPARE(probe.rows.size(), 3);
        QVERIFY(probe.rows[0].value(1).isNull());
        QCOMPARE(probe.rows[0].value(2).toString(), u"它's"_s);
        QCOMPARE(probe.rows[1].value(1).toString(), u"按摩'"_s);
        QVERIFY(probe.rows[1].value(2).isNull());
        QCOMPARE(probe.rows[2].value(2).toString(), u"足浴"_s);
    }

    void aRowOfTheWrongLengthOrARefusedOneWritesNothing()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QList<QVariantList> rows;
        for (const GoodsRow& row : Goods(1, 2))
            rows.append(
                { row.number, row.name, row.unit, row.unitPrice, row.quantity, row.amount, row.time, row.cashier });
        rows[1].removeLast();
        QVERIFY(!InsertRows(env.database, ReceiptTable::Goods, GoodsColumn::All, rows).isEmpty());
        QCOMPARE(RowsOf(env, u"spsalay"_s), 0);
        // A row refused in a later statement takes the earlier statements' rows with it.
        rows.clear();
        for (const GoodsRow& row : Goods(1, ReceiptStore::MaxRowsPerStatement + 2))
            rows.append(
                { row.number, row.name, row.unit, row.unitPrice, row.quantity, row.amount, row.time, row.cashier });
        rows.last()[2] = QVariant();
        QVERIFY(!InsertRows(env.database, ReceiptTable::Goods, GoodsColumn::All, rows).isEmpty());
        QCOMPARE(RowsOf(env, u"spsalay"_s), 0);
        rows.last()[2] = u"瓶"_s;
        QCOMPARE(InsertRows(env.database, ReceiptTable::Goods, GoodsColumn::All, rows), QString());
        QCOMPARE(RowsOf(env, u"spsalay"_s), ReceiptStore::MaxRowsPerStatement + 2);

        // Nothing to write is no statement at all.
        QCOMPARE(InsertRows(env.database, ReceiptTable::Goods, GoodsColumn::All, {}), QString());
    }
};

QTEST_MAIN(ReceiptStoreTest)
#include "tst_receiptstore.moc"
