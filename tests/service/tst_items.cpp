#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/RecordChain.h"
#include "app/TakingsLedger.h"
#include "desk/ClockSettings.h"
#include "desk/ServiceClock.h"
#include "payroll/SalarySheet.h"
#include "reports/ServiceFigures.h"
#include "service/CheckoutDialog.h"
#include "service/ServiceCatalog.h"
#include "service/ServiceTestData.h"
#include "service/Settlement.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QPainter>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"208"_s;
const QDateTime BillTime = Opening.addSecs(2 * 3600);

ServiceCommission Fixed(qint64 fen)
{
    return { CommissionKind::Amount, Money::fromFen(fen), 0 };
}

ServiceCommission Share(int basisPoints)
{
    return { CommissionKind::Share, Money(), basisPoints };
}

// Two items of the menu: 泰式按摩 takes a member card's discount and not a manager's; 采耳 the
// other way round.
struct Menu
{
    ServiceItem thai;
    ServiceItem ear;
};

Menu AddMenu(TestEnvironment& env)
{
    ServiceCatalog catalog(env.database, env.session);
    ServiceItem thai;
    thai.name = u"泰式按摩"_s;
    thai.unit = ServiceItem::ClockUnit;
    thai.minutes = 60;
    thai.price = Money::fromFen(8800);
    thai.memberDiscount = true;
    thai.managerDiscount = false;
    thai.rotation = Fixed(2000);
    thai.requested = Fixed(3000);
    ServiceItem ear;
    ear.name = u"采耳"_s;
    ear.unit = ServiceItem::TimeUnit;
    ear.minutes = 20;
    ear.price = Money::fromFen(3800);
    ear.memberDiscount = false;
    ear.managerDiscount = true;
    ear.rotation = Share(1500);
    ear.requested = Share(2000);
    const Outcome<ServiceItem> first = catalog.add(thai);
    const Outcome<ServiceItem> second = catalog.add(ear);
    if (!first || !second)
        qFatal("cannot add the menu");
    return { first.value(), second.value() };
}

QLineEdit* Box(QWidget* dialog, const QString& name)
{
    return Child<QLineEdit>(dialog, name);
}

ItemLine LineOf(const ServiceItem& item, const QString& technician, int count, bool requested)
{
    return { item.id, item.name, technician, count, requested, item.minutes };
}

// Room 208 with 2 massage clocks, 1 foot-wash, 1 pedicure and 3 beers; 01 was asked for (点钟) and
// serves two 泰式按摩, 02 came in turn; 03 joins the room by the 采耳 she serves.
void OpenRoomWithItems(TestEnvironment& env, const Menu& menu)
{
    OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
    OpenBill bill = *env.session.bill(Room);
    bill.technicians[1].requested = true;
    if (!env.session.replaceTechnicians(Room, bill.technicians))
        qFatal("cannot mark 01");
    if (!env.session.addItem(Room, LineOf(menu.thai, u"01"_s, 2, true), u"技师01"_s)
        || !env.session.addItem(Room, LineOf(menu.ear, u"03"_s, 1, false), u"技师03"_s))
        qFatal("cannot add the item lines");
}

QList<QStringList> Rows(TestEnvironment& env, const QString& sql)
{
    QList<QStringList> rows;
    for (const QSqlRecord& record : env.database.exec(sql).rows) {
        QStringList cells;
        for (int i = 0; i < record.count(); ++i)
            cells << record.value(i).toString();
        rows << cells;
    }
    return rows;
}

} // namespace

// The menu's items on a room's bill: kept with the open bill, priced each line once with the
// discount its item takes, settled with their commissions and the 点钟 marks in the receipt's
// chain and the daily ledger.
class ItemsTest : public QObject
{
    Q_OBJECT

private slots:
    void itemLinesStayWithTheRoomAndBookItsClock()
    {
        TestEnvironment env;
        PrepareHouse(env);
        const Menu menu = AddMenu(env);
        OpenRoomWithItems(env, menu);

        // 03 came to the room with her item, as a technician's row brings her.
        const OpenBill bill = *env.session.bill(Room);
        QCOMPARE(bill.items.size(), 2);
        QCOMPARE(bill.items[0].name, u"采耳"_s);
        QCOMPARE(bill.technicians.first().number, u"03"_s);
        QVERIFY(!bill.technicians.first().requested);
        QVERIFY(env.session.workingList().numbers().contains(u"03"_s));
        QVERIFY(!env.session.idleQueue().numbers().contains(u"03"_s));
        // One serving the room already stays as she is.
        QVERIFY(env.session.addItem(Room, LineOf(menu.ear, u"01"_s, 1, true), u"技师01"_s).ok());
        QCOMPARE(env.session.bill(Room)->technicians.size(), 3);
        QVERIFY(env.session.removeItem(Room, 0).ok());
        QVERIFY(!env.session.removeItem(Room, 5).ok());

        // A desk started again finds the lines and the marks as they were stored.
        DeskSession again(env.database, env.clock);
        QVERIFY(again.restore().ok());
        QCOMPARE(*again.bill(Room), bill);

        // The clock counts the longest booking: two 泰式按摩 of 60 minutes beat 2 × 45 of massage.
        ClockSettings clocks;
        clocks.massageMinutes = 45;
        clocks.footWashMinutes = 40;
        const ServiceClockReading reading = ReadServiceClock(bill, clocks, Opening.addSecs(60));
        QCOMPARE(reading.bookedMinutes, 120);
        QCOMPARE(reading.end, Opening.addSecs(120 * 60));
    }

    void eachItemTakesOnlyItsOwnDiscount()
    {
        TestEnvironment env;
        PrepareHouse(env);
        const Menu menu = AddMenu(env);
        OpenRoomWithItems(env, menu);
        const OpenBill open = *env.session.bill(Room);
        const ServiceSettings prices { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
            Dec(0.9) };

        ItemTerms terms = ItemTerms::read(env.database, env.session, false).value();
        const Bill manager = Bill::price(&open, prices, Dec(0.8), terms);
        QCOMPARE(manager.massage->amount, u"64.00"_s);
        QCOMPARE(manager.items[0].amount.text(), u"30.40"_s); // 采耳 takes a manager's 0.8
        QCOMPARE(manager.items[0].discount, u"0.80"_s);
        QCOMPARE(manager.items[1].amount.text(), u"176.00"_s); // 泰式按摩 does not
        QVERIFY(manager.items[1].discount.isEmpty());
        QCOMPARE(manager.total, u"336.90"_s); // 64 + 30 + 20 + 30.40 + 176 + 16.50

        terms.memberCard = true;
        const Bill member = Bill::price(&open, prices, Dec(0.9), terms);
        QCOMPARE(member.items[0].amount.text(), u"38.00"_s);
        QCOMPARE(member.items[1].amount.text(), u"158.40"_s);
        QCOMPARE(member.total, u"334.90"_s); // 72 + 30 + 20 + 38 + 158.40 + 16.50

        // The receipt shows the item lines between the three services and the goods.
        const BillLayout layout(BillHeading {}, manager);
        QVERIFY(layout.drawing().findText(u"采耳(次)"_s));
        QVERIFY(layout.drawing().findText(u"泰式按摩(钟)"_s));
        QVERIFY(layout.drawing().findText(u"336.90"_s));

        // An item the menu no longer knows is never billed at nothing.
        env.sql(u"DELETE FROM service_item WHERE id=?"_s, { menu.ear.id });
        const Bill unknown
            = Bill::price(&open, prices, Dec(1), ItemTerms::read(env.database, env.session, false).value());
        QCOMPARE(unknown.unknownItems, QList<qint64> { menu.ear.id });
    }

    void settlementStoresTheLinesTheirCommissionsAndTheCalls()
    {
        TestEnvironment env;
        PrepareHouse(env);
        const Menu menu = AddMenu(env);
        OpenRoomWithItems(env, menu);

        SettlementRequest request;
        request.room = Room;
        request.prices = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Dec(0.9) };
        request.discountFactor = Dec(0.8);
        request.discountApprover = u"赵经理"_s;
        request.formula = { u"10"_s, u"12"_s, u"15"_s, u"18"_s, u"8"_s, u"5"_s };
        request.itemTerms = ItemTerms::read(env.database, env.session, false).value();
        request.requestedSupplement = Money::fromFen(500);
        request.billTime = BillTime;
        request.cashier = u"c1"_s;
        request.technicians = env.session.bill(Room)->technicians;
        for (TechnicianLine& line : request.technicians)
            line.massageClocks = 1;
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(request);
        QVERIFY2(settled.ok(), qPrintable(settled.text()));
        QCOMPARE(settled.value().bill.total, u"336.90"_s);

        // The receipt's total holds the items; its goods amount and service columns keep their meaning.
        QCOMPARE(Rows(env, u"SELECT alljine, spjine, massagetime FROM Receiptform"_s),
            (QList<QStringList> { { u"336.90"_s, u"16.50"_s, u"2"_s } }));
        // Each line with its commission: 采耳 in turn pays 15% of 30.40, 泰式按摩 asked for 2 × 30.00.
        QCOMPARE(Rows(env,
                     u"SELECT line, name, technician, requested, count, unit_price_fen, amount_fen, commission_fen "
                     "FROM receipt_item ORDER BY line"_s),
            (QList<QStringList> { { u"0"_s, u"采耳"_s, u"03"_s, u"0"_s, u"1"_s, u"3800"_s, u"3040"_s, u"456"_s },
                { u"1"_s, u"泰式按摩"_s, u"01"_s, u"1"_s, u"2"_s, u"8800"_s, u"17600"_s, u"6000"_s } }));
        // salaryform keeps the formula's commission; the 点钟 supplement stands beside it.
        QCOMPARE(Rows(env, u"SELECT num, salary FROM salaryform ORDER BY rowid"_s),
            (QList<QStringList> { { u"03"_s, u"10.00"_s }, { u"02"_s, u"10.00"_s }, { u"01"_s, u"10.00"_s } }));
        QCOMPARE(Rows(env,
                     u"SELECT line, technician, requested, clocks, supplement_fen FROM receipt_technician "
                     "ORDER BY line"_s),
            (QList<QStringList> { { u"0"_s, u"03"_s, u"0"_s, u"1"_s, u"0"_s },
                { u"1"_s, u"02"_s, u"0"_s, u"1"_s, u"0"_s }, { u"2"_s, u"01"_s, u"1"_s, u"1"_s, u"500"_s } }));
        QCOMPARE(RowCount(env, u"desk_bill_item"_s), 0);
        // The discount's log row counts what it took off every line it lowered: 16 + 7.60.
        QCOMPARE(
            env.database.scalar(u"SELECT amount FROM operator_log WHERE kind=?"_s, { LogKind::Discount }).toString(),
            u"23.60"_s);

        // The chain covers the new rows: it holds, and breaks when a line's commission is changed.
        QVERIFY(RecordChain::verify(env.database.connection()).whole());
        QString error;
        QSqlDatabase connection = env.database.connection();
        QVERIFY(TakingsLedger::Differences(connection, &error).isEmpty());
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(Rows(env,
                     u"SELECT technician, units, requested_units, amount_fen, commission_fen FROM ledger_items "
                     "ORDER BY technician"_s),
            (QList<QStringList> { { u"01"_s, u"2"_s, u"2"_s, u"17600"_s, u"6000"_s },
                { u"03"_s, u"1"_s, u"0"_s, u"3040"_s, u"456"_s } }));
        env.sql(u"UPDATE receipt_item SET commission_fen=9999 WHERE line=0"_s);
        QVERIFY(!RecordChain::verify(env.database.connection()).whole());
    }

    void aSoldItemGoneFromTheMenuIsRefusedAtSettlement()
    {
        TestEnvironment env;
        PrepareHouse(env);
        const Menu menu = AddMenu(env);
        OpenRoomWithItems(env, menu);
        SettlementRequest request;
        request.room = Room;
        request.prices = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Dec(0.9) };
        request.billTime = BillTime;
        request.technicians = env.session.bill(Room)->technicians;
        for (TechnicianLine& line : request.technicians)
            line.massageClocks = 1;
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(request); // no menu read
        QCOMPARE(settled.text(), ServiceCatalog::MissingText);
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QVERIFY(env.session.bill(Room).has_value());
    }

    // The road of one guest with items and a 点钟 through the real windows, to a receipt.
    void aGuestWithItemsAndARequestedTechnician()
    {
        TestEnvironment env;
        PrepareHouse(env);
        const Menu menu = AddMenu(env);
        QVERIFY(HouseSettings::setFigure(env.database, HouseSettings::RequestedSupplement, 500).isEmpty());
        OpenRoom(env, Room, {}, 1);
        env.session.logIn(3, u"收银员"_s, u"c1"_s);
        {
            RoomServiceDialog dialog(env.services, { Room, true, *env.session.bill(Room) });
            auto* technicians = Child<QComboBox>(&dialog, u"technicianBox"_s);
            auto* requested = Child<QCheckBox>(&dialog, u"checkRequested"_s);
            // The guest asks for 03: the clerk marks her 点钟; the box is clear again for the next one.
            Choose(technicians, u"03"_s);
            QVERIFY(!requested->isChecked());
            requested->click();
            Click(&dialog, u"buttonAddTechnician"_s);
            QVERIFY(!requested->isChecked());
            QCOMPARE(env.session.bill(Room)->technicians.first().number, u"03"_s);
            QVERIFY(env.session.bill(Room)->technicians.first().requested);
            QCOMPARE(Cells(Child<QAbstractItemView>(&dialog, u"technicianList"_s), 0), QStringList { u"03点"_s });

            Child<QComboBox>(&dialog, u"itemBox"_s)->setCurrentIndex(0); // 泰式按摩
            Choose(Child<QComboBox>(&dialog, u"itemTechnicianBox"_s), u"03"_s);
            Choose(Child<QComboBox>(&dialog, u"itemCountBox"_s), u"2"_s);
            Click(&dialog, u"buttonAddItem"_s);
            QCOMPARE(env.session.bill(Room)->items, (QList<ItemLine> { LineOf(menu.thai, u"03"_s, 2, true) }));
            QCOMPARE(Cells(Child<QAbstractItemView>(&dialog, u"itemList"_s), 3), QStringList { u"点"_s });
            dialog.show();
            QVERIFY(SaveScreenPictures(dialog, u"room-service-items"_s));

            // Taken off again, with the reduction logged as any other.
            ClickLine(Child<QAbstractItemView>(&dialog, u"itemList"_s), 0);
            Click(&dialog, u"buttonRemoveItem"_s);
            QVERIFY(env.session.bill(Room)->items.isEmpty());
            QVERIFY(env.database.scalar(u"SELECT description FROM operator_log WHERE kind=?"_s, { LogKind::Reduction })
                        .toString()
                        .contains(u"删除项目泰式按摩×2"_s));
            Click(&dialog, u"buttonAddItem"_s);
        }

        CheckoutDialog checkout(env.services, Room);
        QCOMPARE(Cells(Child<QAbstractItemView>(&checkout, u"technicianList"_s), 0), QStringList { u"03点"_s });
        QCOMPARE(checkout.bill().total, u"216.00"_s); // 40 + 2 × 88
        QVERIFY(checkout.layout().drawing().findText(u"泰式按摩(钟)"_s));
        ClickLine(Child<QAbstractItemView>(&checkout, u"technicianList"_s), 0);
        TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"1"_s);
        checkout.show();
        QVERIFY(SaveScreenPictures(checkout, u"checkout-items"_s));
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY2(checkout.isSettled(), qPrintable(env.messages.texts().join(u'|')));
        QVERIFY(QFileInfo(env.printers.lastFile()).size() > 0);
        QFile::remove(TestOutputPath(u"receipt-items.pdf"_s));
        QVERIFY(QFile::copy(env.printers.lastFile(), TestOutputPath(u"receipt-items.pdf"_s)));
        QCOMPARE(Rows(env, u"SELECT technician, requested, commission_fen FROM receipt_item"_s),
            (QList<QStringList> { { u"03"_s, u"1"_s, u"6000"_s } }));
        QCOMPARE(Rows(env, u"SELECT technician, requested, supplement_fen FROM receipt_technician"_s),
            (QList<QStringList> { { u"03"_s, u"1"_s, u"500"_s } }));

        // The salary sheet pays her the item and the supplement beside the formula's commission,
        // and the items' summary counts the line.
        const Outcome<QHash<QString, SalarySheet::Pay>> pay
            = SalarySheet::pay(env.database, Opening.addDays(-1), Opening.addDays(1));
        QVERIFY2(pay.ok(), qPrintable(pay.text()));
        QCOMPARE(pay.value().value(u"03"_s).items.text(), u"60.00"_s);
        QCOMPARE(pay.value().value(u"03"_s).supplement.text(), u"5.00"_s);
        const Outcome<QList<ServiceFigures::Item>> sold
            = ServiceFigures::items(env.database, TakingsLedger::Span::everything());
        QVERIFY2(sold.ok(), qPrintable(sold.text()));
        QCOMPARE(sold.value().size(), 1);
        QCOMPARE(sold.value().first().units, 2);
        QCOMPARE(sold.value().first().amount.text(), u"176.00"_s);
        QCOMPARE(sold.value().first().commission.text(), u"60.00"_s);
    }
};

QTEST_MAIN(ItemsTest)
#include "tst_items.moc"
