#include "app/Database.h"
#include "desk/AppServices.h"
#include "rooms/RoomState.h"
#include "service/GoodsLinesModel.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceTestData.h"
#include "service/TechnicianLinesModel.h"
#include "skin/UnaddedTyping.h"
#include "support/OtherDesk.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;

// The dialog as a lamp click opens it for `room`.
std::unique_ptr<RoomServiceDialog> Open(TestEnvironment& env, const QString& room = Room)
{
    return OpenRoomService(env, room);
}

QComboBox* Box(QWidget* dialog, const QString& name)
{
    return Child<QComboBox>(dialog, name);
}

QString Text(QWidget* dialog, const QString& lineEdit)
{
    return Child<QLineEdit>(dialog, lineEdit)->text();
}

void TypeIntoBox(QComboBox* box, const QString& text)
{
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
    TypeText(box->lineEdit(), text);
}

QStringList Numbers(const QList<TechnicianLine>& lines)
{
    QStringList numbers;
    for (const TechnicianLine& line : lines)
        numbers.append(line.number);
    return numbers;
}

QStringList Items(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// Chooses a technician in the box and presses "添加".
void AddTechnician(QWidget* dialog, const QString& number)
{
    Choose(Box(dialog, u"technicianBox"_s), number);
    Click(dialog, u"buttonAddTechnician"_s);
}

void AddGoods(QWidget* dialog, const QString& name, const QString& quantity)
{
    Choose(Box(dialog, u"goodsBox"_s), name);
    Choose(Box(dialog, u"quantityBox"_s), quantity);
    Click(dialog, u"buttonAddGoods"_s);
}

} // namespace

// The room service dialog driven through its widgets: the room's state, its technicians and
// the queues, its counts and goods, and what reaches the room's bill when.
class RoomServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void aRoomInServiceOpensAsItWasLeft()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 12);
        env.clock.advanceSeconds(600);
        auto dialog = Open(env);
        QCOMPARE(dialog->windowTitle(), u"102号房的服务状态"_s);
        QVERIFY(Child<QRadioButton>(dialog.get(), u"radioInService"_s)->isChecked());
        QVERIFY(!Child<QRadioButton>(dialog.get(), u"radioGuestIn"_s)->isEnabled());
        QCOMPARE(Text(dialog.get(), u"startTimeEdit"_s), u"10:00:00"_s);
        QCOMPARE(Text(dialog.get(), u"clockEdit"_s), u"10:10:00"_s);
        QCOMPARE(Text(dialog.get(), u"elapsedEdit"_s), u"10"_s);
        QCOMPARE(Box(dialog.get(), u"massageBox"_s)->currentText(), u"2"_s);
        QCOMPARE(Box(dialog.get(), u"footWashBox"_s)->currentText(), u"1"_s);
        QCOMPARE(Box(dialog.get(), u"pedicureBox"_s)->currentText(), u"12"_s); // typed, not offered
        QCOMPARE(Items(Box(dialog.get(), u"massageBox"_s)).size(), 10);
        QCOMPARE(Cells(Child<LineListView>(dialog.get(), u"technicianList"_s), 0), (QStringList { u"01"_s, u"02"_s }));
        QCOMPARE(Box(dialog.get(), u"technicianBox"_s)->currentText(), u"请选择技师"_s);
        QCOMPARE(Items(Box(dialog.get(), u"technicianBox"_s)), (QStringList { u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(Box(dialog.get(), u"goodsBox"_s)->currentText(), u"请选择商品"_s);
        QCOMPARE(Items(Box(dialog.get(), u"goodsBox"_s)), (QStringList { u"啤酒"_s, u"可乐"_s, u"红/白葡萄酒"_s }));
    }

    // The elapsed box counts whole minutes since "上钟", hours included.
    void theClock_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<QString>("elapsed");
        QTest::newRow("30 s") << 30 << u"11:00:20"_s << u"0"_s;
        QTest::newRow("1 min 0 s") << 60 << u"11:00:50"_s << u"1"_s;
        QTest::newRow("1 h 05 min") << 3900 << u"12:04:50"_s << u"65"_s;
    }

    void theClock()
    {
        QFETCH(int, seconds);
        QFETCH(QString, clock);
        QFETCH(QString, elapsed);
        TestEnvironment env;
        PrepareHouse(env);
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 59, 50)));
        auto dialog = Open(env);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        QCOMPARE(Text(dialog.get(), u"startTimeEdit"_s), u"10:59:50"_s);
        env.clock.advanceSeconds(seconds);
        dialog->showClock();
        QCOMPARE(Text(dialog.get(), u"clockEdit"_s), clock);
        QCOMPARE(Text(dialog.get(), u"elapsedEdit"_s), elapsed);
    }

    void techniciansComeFromTheQueueAndGoBackToItsHead()
    {
        TestEnvironment env;
        PrepareHouse(env);
        auto dialog = Open(env, u"105"_s);
        auto* list = Child<LineListView>(dialog.get(), u"technicianList"_s);
        QComboBox* box = Box(dialog.get(), u"technicianBox"_s);

        // Only a room in service takes technicians.
        AddTechnician(dialog.get(), u"01"_s);
        QCOMPARE(env.messages.texts(), QStringList { RoomServiceDialog::NotInServiceText });
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(env.session.idleQueue().size(), 5);

        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"02"_s);
        QCOMPARE(Cells(list, 0), QStringList { u"02"_s });
        QCOMPARE(Cells(list, 1), QStringList { u"技师02"_s });
        QCOMPARE(Cells(list, 2), QStringList { u"0"_s });
        QCOMPARE(Items(box), (QStringList { u"01"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(box->currentText(), u"01"_s); // the next in the queue
        Click(dialog.get(), u"buttonAddTechnician"_s);
        QCOMPARE(Cells(list, 0), (QStringList { u"01"_s, u"02"_s }));
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(env.session.workingList().numbers(), (QStringList { u"02"_s, u"01"_s }));

        // 02 leaves the room: he keeps his turn at the head of the queue.
        Click(dialog.get(), u"buttonRemoveTechnician"_s);
        QCOMPARE(env.messages.lastText(), u"请选择要删除的技师!"_s);
        ClickLine(list, 1);
        Click(dialog.get(), u"buttonRemoveTechnician"_s);
        QCOMPARE(Cells(list, 0), QStringList { u"01"_s });
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(env.session.workingList().numbers(), QStringList { u"01"_s });
        QCOMPARE(Items(box).last(), u"02"_s);
        // Nothing is billed yet: a room new to service has its bill from "确定" on.
        QCOMPARE(env.session.roomState(u"105"_s), RoomState::Idle);
    }

    void aChosenCountReachesTheBillAtOnceATypedOneOnOk()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s });
        {
            auto dialog = Open(env);
            Choose(Box(dialog.get(), u"massageBox"_s), u"3"_s);
            QCOMPARE(env.session.bill(Room)->massageClocks, 3);
            TypeIntoBox(Box(dialog.get(), u"footWashBox"_s), u"12"_s);
            dialog->reject(); // Esc
        }
        QCOMPARE(env.session.bill(Room)->massageClocks, 3);
        QCOMPARE(env.session.bill(Room)->footWashClocks, 0);

        auto dialog = Open(env);
        TypeIntoBox(Box(dialog.get(), u"footWashBox"_s), u"12"_s);
        QCOMPARE(env.session.bill(Room)->footWashClocks, 0);
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.session.bill(Room)->footWashClocks, 12);
        QCOMPARE(env.session.bill(Room)->massageClocks, 3);
    }

    void aTypedNegativeCountIsRefused()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1);
        auto dialog = Open(env);
        TypeIntoBox(Box(dialog.get(), u"pedicureBox"_s), u"-2"_s);
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"修脚次数不能小于0,请重新输入!"_s });
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(env.session.bill(Room)->pedicureCount, 0);
    }

    // The room's technicians change in its bill at once; its goods on "确定" only.
    void techniciansAtOnceGoodsOnOk()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1);
        {
            auto dialog = Open(env);
            AddTechnician(dialog.get(), u"03"_s);
            AddGoods(dialog.get(), u"啤酒"_s, u"3"_s);
            QCOMPARE(Cells(Child<LineListView>(dialog.get(), u"goodsList"_s), 3), QStringList { u"瓶"_s });
            dialog->reject();
        }
        QCOMPARE(Numbers(env.session.bill(Room)->technicians), (QStringList { u"03"_s, u"01"_s }));
        QVERIFY(env.session.bill(Room)->goods.isEmpty()); // checkout does not bill them
        QCOMPARE(env.session.workingList().numbers(), (QStringList { u"01"_s, u"03"_s }));

        auto dialog = Open(env);
        AddGoods(dialog.get(), u"可乐"_s, u"2"_s);
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(env.session.bill(Room)->goods, (QList<GoodsLine> { { u"可乐"_s, 2, u"4"_s, u"听"_s } }));
    }

    // "确定" with an article or a technician chosen and not added asks first; "取消" keeps the
    // dialog, "确定" of the question gives the choice up and closes.
    void aChoiceNotAddedIsOfferedOnOk()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1);
        {
            auto dialog = Open(env);
            Choose(Box(dialog.get(), u"goodsBox"_s), u"啤酒"_s);
            env.messages.queueAnswer(false);
            Click(dialog.get(), u"buttonOk"_s);
            QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
            QCOMPARE(dialog->result(), 0); // still open
            Choose(Box(dialog.get(), u"quantityBox"_s), u"1"_s);
            Click(dialog.get(), u"buttonAddGoods"_s);
            env.messages.clear();
            Click(dialog.get(), u"buttonOk"_s);
            QVERIFY(env.messages.shown().isEmpty());
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        QCOMPARE(env.session.bill(Room)->goods.size(), 1);
        {
            auto dialog = Open(env);
            TypeIntoBox(Box(dialog.get(), u"technicianBox"_s), u"04"_s);
            env.messages.queueAnswer(true);
            Click(dialog.get(), u"buttonOk"_s);
            QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        }
        QCOMPARE(Numbers(env.session.bill(Room)->technicians), QStringList { u"01"_s });
        // Opened and closed untouched: nothing is asked.
        env.messages.clear();
        auto dialog = Open(env);
        Click(dialog.get(), u"buttonOk"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    void goodsThatCannotBeBilled_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message");
        QTest::newRow("quantity 0") << u"啤酒"_s << u"0"_s << u"商品数量至少为1,请重新输入!"_s;
        QTest::newRow("negative quantity") << u"啤酒"_s << u"-3"_s << u"商品数量至少为1,请重新输入!"_s;
        QTest::newRow("not in stock") << u"龙井"_s << u"1"_s << u"龙井不在商品库中,没有单价,请重新选择商品!"_s;
        QTest::newRow("nothing chosen") << u"请选择商品"_s << u"1"_s << u"请选择商品!"_s;
    }

    void goodsThatCannotBeBilled()
    {
        QFETCH(QString, name);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s });
        auto dialog = Open(env);
        TypeIntoBox(Box(dialog.get(), u"goodsBox"_s), name);
        TypeIntoBox(Box(dialog.get(), u"quantityBox"_s), quantity);
        QTest::keyClick(Box(dialog.get(), u"quantityBox"_s)->lineEdit(), Qt::Key_Return); // presses "添加"
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(Child<LineListView>(dialog.get(), u"goodsList"_s)->model()->rowCount(), 0);
        QCOMPARE(dialog->result(), int(QDialog::Rejected)); // Enter did not end the dialog
        Click(dialog.get(), u"buttonRemoveGoods"_s);
        QCOMPARE(env.messages.lastText(), u"请在列表中先择要删除的选项!"_s);
    }

    // Each reopening shows the lists turned round, as the desk always did.
    void listOrderTurnsRoundOnEveryReopening()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s, u"02"_s }, 1, 0, 0,
            { { u"啤酒"_s, 1, u"5.5"_s, u"瓶"_s }, { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } });
        for (const QStringList& shown :
            { QStringList { u"02"_s, u"01"_s }, QStringList { u"01"_s, u"02"_s }, QStringList { u"02"_s, u"01"_s } }) {
            auto dialog = Open(env);
            QCOMPARE(Cells(Child<LineListView>(dialog.get(), u"technicianList"_s), 0), shown);
            const QStringList goods = Cells(Child<LineListView>(dialog.get(), u"goodsList"_s), 0);
            QCOMPARE(goods.first(), shown.first() == u"02"_s ? u"红/白葡萄酒"_s : u"啤酒"_s);
            Click(dialog.get(), u"buttonOk"_s);
        }
    }

    void aGoodsNameWithASlashSurvivesAReopen()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s });
        {
            auto dialog = Open(env);
            AddGoods(dialog.get(), u"红/白葡萄酒"_s, u"2"_s);
            Click(dialog.get(), u"buttonOk"_s);
        }
        DeskSession restarted(env.database, env.clock); // as after a restart
        QVERIFY(restarted.restore().ok());
        QCOMPARE(restarted.bill(Room)->goods, (QList<GoodsLine> { { u"红/白葡萄酒"_s, 2, u"128.00"_s, u"瓶"_s } }));
        auto dialog = Open(env);
        auto* goods = Child<LineListView>(dialog.get(), u"goodsList"_s);
        QCOMPARE(Cells(goods, 0), QStringList { u"红/白葡萄酒"_s });
        QCOMPARE(Cells(goods, 1), QStringList { u"2"_s });
        QCOMPARE(Cells(goods, 2), QStringList { u"128.00"_s });
    }

    void aNewRoomGoesIntoServiceOnOk()
    {
        TestEnvironment env;
        PrepareHouse(env);
        QVERIFY(env.session.markGuestIn(u"106"_s).ok());
        auto dialog = Open(env, u"106"_s);
        QVERIFY(Child<QRadioButton>(dialog.get(), u"radioGuestIn"_s)->isChecked());
        env.clock.advanceSeconds(120);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"01"_s);
        Choose(Box(dialog.get(), u"massageBox"_s), u"2"_s); // no bill yet: waits for "确定"
        QCOMPARE(env.session.roomState(u"106"_s), RoomState::GuestIn);
        Click(dialog.get(), u"buttonOk"_s);

        const OpenBill bill = *env.session.bill(u"106"_s);
        QCOMPARE(bill.startTime, Opening.addSecs(120));
        QCOMPARE(bill.massageClocks, 2);
        QCOMPARE(Numbers(bill.technicians), QStringList { u"01"_s });
        QCOMPARE(RoomStates::lampText(env.session, u"106"_s), u"01 "_s);
        // The room page applies the same ending again: nothing changes.
        QVERIFY(RoomStates::applyOutcome(env.session, u"106"_s, dialog->outcome()).ok());
        QCOMPARE(*env.session.bill(u"106"_s), bill);
    }

    void voidingAGuestNeedsNoLogin()
    {
        TestEnvironment env;
        PrepareHouse(env);
        QVERIFY(env.session.markGuestIn(u"107"_s).ok());
        auto dialog = Open(env, u"107"_s);
        // A login asked for would be turned away. The watch is this test's own, so that it
        // cannot outlive the test and turn away a later test's login on a slow machine.
        bool asked = false;
        QTimer watch;
        watch.setInterval(10);
        connect(&watch, &QTimer::timeout, [&asked] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* login = qobject_cast<LoginDialog*>(widget); login && login->isVisible()) {
                    asked = true;
                    login->reject();
                }
            }
        });
        watch.start();
        Click(dialog.get(), u"buttonVoid"_s);
        watch.stop();
        QVERIFY(!asked);
        QVERIFY(dialog->isClosed());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.session.roomState(u"107"_s), RoomState::Idle);
    }

    void voidingAServiceNeedsSomeoneAboveACashier()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 0, u"c1"_s, u"pc"_s, u"小李"_s);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2);
        auto dialog = Open(env);

        LogInWhenAsked({}); // cancelled: nothing happens
        Click(dialog.get(), u"buttonVoid"_s);
        QVERIFY(env.messages.shown().isEmpty());

        LogInWhenAsked(u"收银员"_s, u"c1"_s, u"pc"_s);
        Click(dialog.get(), u"buttonVoid"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"收银员没有权限放弃单据!"_s });
        QVERIFY(!dialog->isClosed());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
        QCOMPARE(env.session.currentCashier(), u"c1"_s); // the prompt logged the cashier in

        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(dialog.get(), u"buttonVoid"_s);
        QVERIFY(dialog->isClosed());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s, u"01"_s }));
        QCOMPARE(env.session.workingList().numbers(), QStringList());
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0); // voiding stores no bill
        QCOMPARE(StockOf(env, u"啤酒"_s), u"15"_s);
    }

    // A room taken into service and voided before its first "确定" gives its technicians back.
    void voidingANewServiceGivesItsTechniciansBack()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 1, u"m1"_s, u"pm"_s, u"王部长"_s);
        auto dialog = Open(env, u"108"_s);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"01"_s);
        QCOMPARE(env.session.workingList().numbers(), QStringList { u"01"_s });
        LogInWhenAsked(u"部长"_s, u"m1"_s, u"pm"_s);
        Click(dialog.get(), u"buttonVoid"_s);
        QVERIFY(dialog->isClosed());
        QCOMPARE(env.session.workingList().numbers(), QStringList());
        QCOMPARE(env.session.idleQueue().numbers().last(), u"01"_s);
    }

    // --- another desk of the house ------------------------------------------------------------

    // The other desk changed the room while this dialog was open: "加钟" is refused with the
    // reason, and the dialog shows the room as stored now, the other desk's count and
    // technician included. A count typed here and the goods added here, which the other desk
    // did not touch, stay for "确定", which then stores them on top of the other desk's change.
    void aRoomChangedAtAnotherDeskIsShownAsItIsNow()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1);
        auto dialog = Open(env);
        TypeIntoBox(Box(dialog.get(), u"footWashBox"_s), u"2"_s);
        AddGoods(dialog.get(), u"啤酒"_s, u"3"_s);
        Choose(Box(dialog.get(), u"technicianBox"_s), u"03"_s);

        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.setCount(Room, BillCount::Massage, 4).ok());
        QVERIFY(other.session.addTechnician(Room, { u"02"_s, u"技师02"_s, 0, 0, false }).ok());

        Click(dialog.get(), u"buttonAddClock"_s);
        QCOMPARE(env.messages.texts(), QStringList { DeskSession::RoomChangedText.arg(Room) });
        QCOMPARE(Box(dialog.get(), u"massageBox"_s)->currentText(), u"4"_s); // the other desk's
        QCOMPARE(Box(dialog.get(), u"footWashBox"_s)->currentText(), u"2"_s); // typed here
        QCOMPARE(Cells(Child<LineListView>(dialog.get(), u"technicianList"_s), 0), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(Cells(Child<LineListView>(dialog.get(), u"goodsList"_s), 0), QStringList { u"啤酒"_s });
        QCOMPARE(Items(Box(dialog.get(), u"technicianBox"_s)), (QStringList { u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(Box(dialog.get(), u"technicianBox"_s)->currentText(), u"03"_s); // still chosen
        QCOMPARE(env.session.bill(Room)->massageClocks, 4);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        SavePicture(dialog.get(), u"room-service-changed-elsewhere.png"_s);

        // Now the desk acts on the room as it is.
        Click(dialog.get(), u"buttonAddClock"_s);
        QCOMPARE(env.session.bill(Room)->massageClocks, 5);
        AddTechnician(dialog.get(), u"03"_s);
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const OpenBill stored = *OtherDesk(env).session.bill(Room);
        QCOMPARE(stored.massageClocks, 5);
        QCOMPARE(stored.footWashClocks, 2);
        QCOMPARE(Numbers(stored.technicians), (QStringList { u"03"_s, u"02"_s, u"01"_s }));
        QCOMPARE(stored.goods.size(), 1);
        QCOMPARE(env.messages.texts().size(), 1);
    }

    // What the other desk changed wins over what was typed here: a count both changed shows
    // the stored one after the refusal of "确定", and the goods list the other desk's goods.
    void whatTheOtherDeskChangedIsShownOverWhatWasTyped()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1, 0, 0, { { u"可乐"_s, 1, u"4"_s, u"听"_s } });
        auto dialog = Open(env);
        TypeIntoBox(Box(dialog.get(), u"massageBox"_s), u"3"_s);
        TypeIntoBox(Box(dialog.get(), u"pedicureBox"_s), u"1"_s);
        AddGoods(dialog.get(), u"啤酒"_s, u"2"_s);

        OpenBill changed = *env.session.bill(Room);
        changed.massageClocks = 2;
        changed.goods.append({ u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s });
        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.replaceBill(Room, changed).ok());

        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Rejected)); // still open
        QCOMPARE(env.messages.texts(), QStringList { DeskSession::RoomChangedText.arg(Room) });
        QCOMPARE(Box(dialog.get(), u"massageBox"_s)->currentText(), u"2"_s);
        QCOMPARE(Box(dialog.get(), u"pedicureBox"_s)->currentText(), u"1"_s);
        QCOMPARE(
            Cells(Child<LineListView>(dialog.get(), u"goodsList"_s), 0), (QStringList { u"可乐"_s, u"红/白葡萄酒"_s }));
        QCOMPARE(OtherDesk(env).session.bill(Room), std::optional<OpenBill>(changed));

        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.session.bill(Room)->pedicureCount, 1);
        QCOMPARE(env.session.bill(Room)->goods, changed.goods);
    }

    // The room was settled at the other desk: a technician taken here is refused, stays in
    // the queue, and the dialog shows the stay ended.
    void aRoomSettledAtAnotherDeskEndsHere()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1);
        auto dialog = Open(env);
        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.closeRoom(Room).ok());

        AddTechnician(dialog.get(), u"02"_s);
        QCOMPARE(env.messages.texts(), QStringList { DeskSession::RoomChangedText.arg(Room) });
        QVERIFY(dialog->isClosed());
        QVERIFY(!Child<QPushButton>(dialog.get(), u"buttonAddTechnician"_s)->isEnabled());
        QVERIFY(!Child<QPushButton>(dialog.get(), u"buttonCheckout"_s)->isEnabled());
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        QVERIFY(env.session.idleQueue().contains(u"02"_s));
        QVERIFY(env.session.workingList().isEmpty());
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
    }

    void pictures()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1,
            { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s }, { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } });
        env.clock.advanceSeconds(65 * 60);
        auto dialog = Open(env);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QImage picture = SavePicture(dialog.get(), u"room-service.png"_s);
        // It fits the smaller of the desk's screens with room to spare for the window frame.
        QVERIFY2(picture.width() <= 1024 - 40 && picture.height() <= 768 - 80,
            qPrintable(u"%1x%2"_s.arg(picture.width()).arg(picture.height())));
    }
};

QTEST_MAIN(RoomServiceTest)
#include "tst_roomservice.moc"
