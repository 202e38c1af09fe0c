#include "app/Database.h"
#include "app/RecordChain.h"
#include "app/Schema.h"
#include "desk/OperatorLog.h"
#include "payroll/CommissionFormulaStore.h"
#include "service/RoomServiceActions.h"
#include "service/ServiceTestData.h"
#include "service/Settlement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;
const QDateTime BillTime = Opening.addSecs(3600 + 5 * 60);

CommissionFormula DeliveredFormula()
{
    return { u"10"_s, u"12"_s, u"15"_s, u"18"_s, u"8"_s, u"5"_s };
}

// The worked example: 2 massage clocks, 1 foot-wash clock, 1 pedicure, 3 beers at 5.5, a
// manager's discount of 0.8; technician 02 worked 5 massage and 2 foot-wash clocks.
SettlementRequest Request(TestEnvironment& env, const QString& room = Room)
{
    SettlementRequest request;
    request.room = room;
    request.prices = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Dec(0.9) };
    request.discountFactor = Dec(0.8);
    request.discountApprover = u"赵经理"_s;
    request.formula = DeliveredFormula();
    request.billTime = BillTime;
    request.cashier = u"c1"_s;
    if (const std::optional<OpenBill> bill = env.session.bill(room)) {
        request.technicians = bill->technicians;
        std::reverse(request.technicians.begin(), request.technicians.end()); // as checkout lists them
    }
    return request;
}

void OpenWorkedExample(TestEnvironment& env)
{
    OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
}

QStringList Row(TestEnvironment& env, const QString& sql)
{
    const SqlResult result = env.database.exec(sql);
    QStringList cells;
    if (!result.isEmpty()) {
        for (int i = 0; i < result.first().count(); ++i)
            cells.append(result.first().value(i).toString());
    }
    return cells;
}

} // namespace

// Settlement: every row of a bill stored in one transaction, or none; receipt numbers that
// never repeat; the schema step that makes the database refuse a repeated number.
class SettlementTest : public QObject
{
    Q_OBJECT

private slots:
    void theWorkedExampleIsStoredWhole()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        SettlementRequest request = Request(env);
        request.technicians[0].massageClocks = 5; // 01, the lower line of the bill, listed on top
        request.technicians[0].footWashClocks = 2;
        request.technicians[1].massageClocks = 2;

        Settlement settlement(env.database, env.session);
        QCOMPARE(settlement.nextReceiptNumber().value(), 1);
        const Outcome<SettledBill> settled = settlement.settle(request);
        QVERIFY2(settled.ok(), qPrintable(settled.text()));
        QCOMPARE(settled.value().receiptNumber, 1);
        QCOMPARE(settled.value().bill.total, u"130.50"_s);
        QVERIFY(settled.value().lowStockGoods.isEmpty()); // 12 beers left

        QCOMPARE(Row(env,
                     u"SELECT id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
                     "dazheperson, alljine, paytype, cashier, time FROM Receiptform"_s),
            (QStringList { u"1"_s, Room, u"2026-12-07 10:00:00—2026-12-07 11:05:00"_s, u"2"_s, u"1"_s, u"1"_s,
                u"16.50"_s, u"0.80"_s, u"赵经理"_s, u"130.50"_s, u"普通"_s, u"c1"_s, u"2026-12-07 11:05:00"_s }));
        const SqlResult salaries = env.database.exec(
            u"SELECT id, num, name, massagetime, washfoottime, salary, time, cashier FROM salaryform ORDER BY rowid"_s);
        QCOMPARE(salaries.rows.size(), 2);
        QCOMPARE(salaries.rows[0].value(1).toString(), u"01"_s);
        QCOMPARE(salaries.rows[0].value(3).toString(), u"5"_s);
        QCOMPARE(salaries.rows[0].value(4).toString(), u"2"_s);
        QCOMPARE(salaries.rows[0].value(5).toString(), u"107.00"_s);
        QCOMPARE(salaries.rows[1].value(1).toString(), u"02"_s);
        QCOMPARE(salaries.rows[1].value(5).toString(), u"22.00"_s);
        QCOMPARE(salaries.rows[1].value(6).toString(), u"2026-12-07 11:05:00"_s);
        QCOMPARE(salaries.rows[1].value(7).toString(), u"c1"_s);
        QCOMPARE(Row(env, u"SELECT id, name, danwe, danjia, counter, jine, time, cashier FROM spsalay"_s),
            (QStringList {
                u"1"_s, u"啤酒"_s, u"瓶"_s, u"5.5"_s, u"3"_s, u"16.50"_s, u"2026-12-07 11:05:00"_s, u"c1"_s }));
        QCOMPARE(StockOf(env, u"啤酒"_s), u"12"_s);

        // The stay has ended: the room is idle, and its technicians queue again at the tail,
        // in checkout's order.
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        QCOMPARE(env.session.workingList().numbers(), QStringList());
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"01"_s, u"02"_s }));
        QCOMPARE(RowCount(env, u"desk_bill"_s) + RowCount(env, u"desk_bill_technician"_s)
                + RowCount(env, u"desk_bill_goods"_s),
            0);
    }

    void receiptNumbersFollowTheLargestStored()
    {
        TestEnvironment env;
        PrepareHouse(env);
        Settlement settlement(env.database, env.session);
        OpenRoom(env, u"101"_s, { u"01"_s }, 1);
        OpenRoom(env, u"102"_s, { u"02"_s }, 1);
        QCOMPARE(settlement.settle(Request(env, u"101"_s)).value().receiptNumber, 1);
        QCOMPARE(settlement.nextReceiptNumber().value(), 2);
        QCOMPARE(settlement.settle(Request(env, u"102"_s)).value().receiptNumber, 2);

        // A number far ahead (a bill from elsewhere) is passed, never taken again.
        env.sql(u"INSERT INTO Receiptform (id, time) VALUES (41, '2026-12-07 11:00:00')"_s);
        OpenRoom(env, u"103"_s, { u"03"_s }, 1);
        QCOMPARE(settlement.settle(Request(env, u"103"_s)).value().receiptNumber, 42);
        QCOMPARE(env.database.scalar(u"SELECT count(DISTINCT id) FROM salaryform"_s).toInt(), 3);
    }

    // What keeps two desks of a house from waiting for each other: a settlement holds the
    // house's write lock for three round trips to the server (the lock, the live state and the
    // receipt number; the links and the stock left; the commit), also when another desk
    // changed the live state meanwhile, and when a discount adds a second row to the operator
    // log. Only a server has round trips.
    void aSettlementOnAServerWaitsThreeTimes()
    {
        TestEnvironment env;
        if (env.database.dialect().isSqlite())
            QSKIP("a file has no round trips");
        PrepareHouse(env);
        Settlement settlement(env.database, env.session);
        const auto settle = [&](const QString& room, bool discounted = false) {
            OpenRoom(env, room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
            const int before = env.database.serverWaits();
            SettlementRequest request = Request(env, room);
            if (!discounted) {
                request.discountFactor = Decimal::whole(1);
                request.discountApprover.clear();
            }
            const Outcome<SettledBill> settled = settlement.settle(request);
            return settled.ok() ? env.database.serverWaits() - before : -1;
        };
        QVERIFY(settle(u"101"_s) > 3); // its statements prepared the first time

        QCOMPARE(settle(u"102"_s), 3);
        env.sql(u"UPDATE desk_day SET version=version+1"_s); // as another desk's action would
        QCOMPARE(settle(u"103"_s), 3);
        QVERIFY(settle(u"104"_s, true) > 3); // the statements of two rows' links prepared
        QCOMPARE(settle(u"105"_s, true), 3);
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { LogKind::Discount }).toInt(), 2);
        QCOMPARE(VerifyChains(env.database), QString());
        QCOMPARE(StockOf(env, u"啤酒"_s), u"0"_s);
        QCOMPARE(env.database.scalar(u"SELECT max(id) FROM Receiptform"_s).toInt(), 5);
        QCOMPARE(env.session.roomState(u"105"_s), RoomState::Idle);
    }

    void theDatabaseRefusesASecondBillWithOneNumber()
    {
        TestEnvironment env;
        env.sql(u"INSERT INTO Receiptform (id, time) VALUES (7, '2026-12-07 11:00:00')"_s);
        const SqlResult second
            = env.database.exec(u"INSERT INTO Receiptform (id, time) VALUES (7, '2026-12-07 11:01:00')"_s);
        QVERIFY(!second.ok());
        if (TestsOnServer()) {
            // A server knows no REPLACE, so it has no trigger against one: the unique index refuses.
            QVERIFY2(second.error.contains(u"unique"_s, Qt::CaseInsensitive), qPrintable(second.error));
            return;
        }
        // The trigger that keeps a settled receipt from being written over answers before the
        // unique index does; without it the index refuses.
        QVERIFY2(second.error.contains(u"单据不能改写"_s), qPrintable(second.error));
        env.sql(u"DROP TRIGGER Receiptform_not_replaced"_s);
        const SqlResult third
            = env.database.exec(u"INSERT INTO Receiptform (id, time) VALUES (7, '2026-12-07 11:02:00')"_s);
        QVERIFY2(third.error.contains(u"UNIQUE"_s), qPrintable(third.error));
    }

    // Receipt, salary rows, stock and goods rows and the end of the stay: a failure at any
    // write leaves no row, no stock change and the room in service with its queues.
    void aFailedWriteStoresNothing_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("receipt") << u"BEFORE INSERT ON Receiptform"_s;
        QTest::newRow("third write: the second salary row") << u"BEFORE INSERT ON salaryform WHEN NEW.num='02'"_s;
        QTest::newRow("stock") << u"BEFORE UPDATE ON kucheninfo"_s;
        QTest::newRow("goods row after the stock") << u"BEFORE INSERT ON spsalay"_s;
        QTest::newRow("end of the stay") << u"BEFORE DELETE ON desk_bill"_s;
    }

    void aFailedWriteStoresNothing()
    {
        QFETCH(QString, trigger);
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        env.sql(u"CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"_s.arg(trigger));
        const std::optional<OpenBill> before = env.session.bill(Room);
        const QStringList idle = env.session.idleQueue().numbers();
        QSignalSpy roomChanged(&env.session, &DeskSession::roomChanged);

        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(Request(env));
        QVERIFY(settled.isFailure());
        QCOMPARE(settled.text(), u"disk I/O error"_s);
        for (const QString& table : { u"Receiptform"_s, u"salaryform"_s, u"spsalay"_s })
            QCOMPARE(RowCount(env, table), 0);
        QCOMPARE(StockOf(env, u"啤酒"_s), u"15"_s);
        QCOMPARE(env.session.bill(Room), before);
        QCOMPARE(env.session.idleQueue().numbers(), idle);
        QCOMPARE(env.session.workingList().numbers(), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(roomChanged.count(), 0);

        // Once the fault is gone the same bill settles under the first number.
        env.sql(u"DROP TRIGGER refuse"_s);
        QCOMPARE(Settlement(env.database, env.session).settle(Request(env)).value().receiptNumber, 1);
    }

    void stockRunsLow_data()
    {
        QTest::addColumn<int>("stock");
        QTest::addColumn<QString>("remaining");
        QTest::addColumn<bool>("warned");
        QTest::newRow("15, 5 sold") << 15 << u"10"_s << true;
        QTest::newRow("16, 5 sold") << 16 << u"11"_s << false;
        QTest::newRow("3, 5 sold: sold all the same") << 3 << u"-2"_s << true;
    }

    void stockRunsLow()
    {
        QFETCH(int, stock);
        QFETCH(QString, remaining);
        QFETCH(bool, warned);
        TestEnvironment env;
        PrepareHouse(env);
        AddGoods(env, u"毛巾"_s, u"2"_s, stock, u"条"_s);
        OpenRoom(
            env, Room, {}, 0, 0, 0, { { u"毛巾"_s, 5, u"2"_s, u"条"_s }, { u"已下架的茶"_s, 1, u"8"_s, u"壶"_s } });
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(Request(env));
        QVERIFY2(settled.ok(), qPrintable(settled.text()));
        QCOMPARE(StockOf(env, u"毛巾"_s), remaining);
        QCOMPARE(settled.value().lowStockGoods, warned ? QStringList { u"毛巾"_s } : QStringList());
        // An article no longer in stock is sold and stored all the same.
        QCOMPARE(RowCount(env, u"spsalay"_s), 2);
        QCOMPARE(settled.value().bill.total, u"18.00"_s);
    }

    void billsThatMustNotBeSettled()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        Settlement settlement(env.database, env.session);

        SettlementRequest request = Request(env);
        request.prices = ServiceSettings::unset();
        const Outcome<SettledBill> unpriced = settlement.settle(request);
        QVERIFY(unpriced.isRefusal());
        QCOMPARE(unpriced.text(), u"服务价格没有设置,不能打单!请先在价格设置中设置服务价格!"_s);

        request = Request(env);
        request.technicians[1].footWashClocks = -1;
        const Outcome<SettledBill> negative = settlement.settle(request);
        QVERIFY(negative.isRefusal());
        QCOMPARE(negative.text(), u"02号技师的钟数不能小于0,请重新输入!"_s);

        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
    }

    void aRoomWithoutABillSettlesAnEmptyBill()
    {
        TestEnvironment env;
        PrepareHouse(env);
        QVERIFY(env.session.markGuestIn(u"105"_s).ok());
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(Request(env, u"105"_s));
        QVERIFY(settled.ok());
        QCOMPARE(Row(env, u"SELECT id, housnum, bytime, massagetime, spjine, alljine FROM Receiptform"_s),
            (QStringList {
                u"1"_s, u"105"_s, u"2026-12-07 11:05:00—2026-12-07 11:05:00"_s, QString(), u"0"_s, u"0.00"_s }));
        QCOMPARE(env.session.roomState(u"105"_s), RoomState::Idle);
    }

    // Technicians released at checkout queue again at once and are not moved a second time
    // when the bill is settled.
    void releasedTechniciansAreNotMovedAgain()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 1);
        RoomServiceActions actions(env.database, env.session);
        SettlementRequest request = Request(env); // 01 on top, then 02
        request.technicians[1].released = true;
        QVERIFY(actions.releaseTechnician(Room, u"02"_s, request.technicians).ok());
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s }));

        QVERIFY(Settlement(env.database, env.session).settle(request).ok());
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s, u"01"_s }));
        QCOMPARE(RowCount(env, u"salaryform"_s), 2);
    }

    // --- the schema step ----------------------------------------------------------------------

    void anOlderDatabaseGainsTheUniqueReceiptNumber()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database older;
            QVERIFY2(older.create(path, 2), qPrintable(older.lastError()));
            QVERIFY(older.exec(u"INSERT INTO Receiptform (id, time) VALUES (1, '2026-12-06 20:00:00')"_s).ok());
            // Before the step a repeated number went in unnoticed.
            QVERIFY(older.exec(u"INSERT INTO Receiptform (id, time) VALUES (1, '2026-12-06 20:01:00')"_s).ok());
            QVERIFY(older.exec(u"DELETE FROM Receiptform WHERE time='2026-12-06 20:01:00'"_s).ok());
        }
        Database database;
        QVERIFY2(database.open(path), qPrintable(database.lastError()));
        QCOMPARE(database.scalar(u"PRAGMA user_version"_s).toInt(), Database::SchemaVersion);
        QVERIFY(database.exec(u"INSERT INTO Receiptform (id, time) VALUES (2, '2026-12-07 10:00:00')"_s).ok());
        QVERIFY(!database.exec(u"INSERT INTO Receiptform (id, time) VALUES (2, '2026-12-07 10:01:00')"_s).ok());
        QCOMPARE(database.scalar(u"SELECT count(*) FROM sqlite_master WHERE name='Receiptform_number'"_s).toInt(), 1);
        QCOMPARE(database.scalar(u"SELECT count(*) FROM sqlite_master WHERE name='Receiptform_id'"_s).toInt(), 0);
    }

    void anOlderDatabaseWithARepeatedNumberIsLeftAsItWas()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database older;
            QVERIFY(older.create(path, 2));
            QVERIFY(older.exec(u"INSERT INTO Receiptform (id, time) VALUES (5, '2026-12-06 20:00:00')"_s).ok());
            QVERIFY(older.exec(u"INSERT INTO Receiptform (id, time) VALUES (5, '2026-12-06 20:01:00')"_s).ok());
        }
        Database database;
        QVERIFY(!database.open(path));
        QVERIFY2(database.lastError().contains(u"单据编号5被多张单据使用,数据库无法升级。请先核对这些单据。"_s),
            qPrintable(database.lastError()));
        Database reader;
        QVERIFY(reader.create(folder.filePath(u"other.db"_s))); // a connection of its own
        QVERIFY(reader.exec(u"ATTACH DATABASE ? AS older"_s, { path }).ok());
        QCOMPARE(reader.scalar(u"SELECT count(*) FROM older.Receiptform"_s).toInt(), 2);
        QCOMPARE(reader.scalar(u"PRAGMA older.user_version"_s).toInt(), 2);
    }

    // --- the commission formula row ----------------------------------------------------------

    void theFormulaRowRoundTrips()
    {
        TestEnvironment env;
        CommissionFormulaStore store(env.database);
        QCOMPARE(*store.load().value(), DeliveredFormula());
        const CommissionFormula changed { u"11"_s, u"13"_s, u"16.5"_s, u"20"_s, u"9"_s, u"4"_s };
        QVERIFY(store.save(changed).ok());
        QCOMPARE(*store.load().value(), changed);

        // A lost row comes back when the formula is set again.
        env.sql(u"DELETE FROM jstichen"_s);
        QVERIFY(!store.load().value().has_value());
        QVERIFY(store.save(changed).ok());
        QCOMPARE(*store.load().value(), changed);
        QCOMPARE(RowCount(env, u"jstichen"_s), 1);
    }
};

QTEST_MAIN(SettlementTest)
#include "tst_settlement.moc"
