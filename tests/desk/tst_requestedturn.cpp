#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SqlTransaction.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "schedule/TechnicianStatusDialog.h"
#include "service/RoomServiceActions.h"
#include "service/ServicePricesDialog.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QCheckBox>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"101"_s;
const QString OtherRoom = u"102"_s;

TechnicianLine line(const QString& number, bool requested)
{
    return { .number = number, .name = u"技师"_s + number, .requested = requested };
}

OpenBill emptyBill()
{
    OpenBill bill;
    bill.startTime = QDateTime(QDate(2026, 12, 7), QTime(10, 5, 7));
    bill.massageClocks = 1;
    return bill;
}

// 01 to 05 come in and are queued in that order; rooms 101 and 102 are in service, nobody in them.
void morning(TestEnvironment& env)
{
    for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }) {
        env.addStaff(number, u"技师"_s + number);
        QVERIFY(env.session.queueTechnician(RotaShift::Early, number).ok());
    }
    QVERIFY(env.session.openBill(Room, emptyBill()).ok());
    QVERIFY(env.session.openBill(OtherRoom, emptyBill()).ok());
}

// The house's rule "点钟保留轮次" ticked off (the switch on) or on.
void setRequestedLosesTurn(TestEnvironment& env, bool loses)
{
    SqlTransaction transaction(env.database);
    QVERIFY(HouseSettings::set(env.database, HouseSettings::RequestedLosesTurn, loses).isEmpty());
    QVERIFY(transaction.commit());
}

QStringList idle(const TestEnvironment& env)
{
    return env.session.idleQueue().numbers();
}

QStringList working(const TestEnvironment& env)
{
    return env.session.workingList().numbers();
}

} // namespace

// A technician the guest asked for by number (点钟) keeps her turn in the idle queue while she
// serves, as the house's rule says: the desk does not offer her as the next one meanwhile, and
// she is back at her place when she comes down. With the rule ticked off she queues at the tail
// as any other.
class RequestedTurnTest : public QObject
{
    Q_OBJECT

private slots:
    void theRuleIsOnUntilAManagerTicksItOff()
    {
        TestEnvironment env;
        QVERIFY(!HouseSettings::isOn(env.database, HouseSettings::RequestedLosesTurn));
    }

    void aRequestedTechnicianKeepsHerPlaceAndIsSkippedByTheNext()
    {
        TestEnvironment env;
        morning(env);
        DeskSession& session = env.session;
        QCOMPARE(session.nextTechnician(), u"01"_s);

        QVERIFY(session.addTechnician(Room, line(u"02"_s, true)).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(working(env), QStringList { u"02"_s });
        QVERIFY(session.servesKeepingTurn(u"02"_s));
        QCOMPARE(session.offeredTechnicians(), (QStringList { u"01"_s, u"03"_s, u"04"_s, u"05"_s }));

        // The next two by the queue (轮钟): 01, then 03, never 02.
        QCOMPARE(session.nextTechnician(), u"01"_s);
        QVERIFY(session.addTechnician(Room, line(u"01"_s, false)).ok());
        QCOMPARE(session.nextTechnician(), u"03"_s);
        QVERIFY(session.addTechnician(OtherRoom, line(session.nextTechnician(), false)).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"04"_s, u"05"_s }));
        QCOMPARE(working(env), (QStringList { u"02"_s, u"01"_s, u"03"_s }));
        QCOMPARE(session.nextTechnician(), u"04"_s);

        // 下钟: 02 is at the head again, where she stood; 01 goes to the tail.
        QVERIFY(session.releaseTechnician(Room, u"02"_s).ok());
        QVERIFY(session.releaseTechnician(Room, u"01"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"04"_s, u"05"_s, u"01"_s }));
        QCOMPARE(working(env), QStringList { u"03"_s });
        QVERIFY(!session.servesKeepingTurn(u"02"_s));
        QCOMPARE(session.nextTechnician(), u"02"_s);

        // As stored: a desk started again sees the same lists.
        DeskSession again(env.database, env.clock);
        QVERIFY(again.restore().ok());
        QCOMPARE(again.idleQueue().numbers(), idle(env));
        QCOMPARE(again.workingList().numbers(), working(env));
    }

    void aRequestedTechnicianIsBackAtHerPlaceAfterSettlement()
    {
        TestEnvironment env;
        morning(env);
        DeskSession& session = env.session;
        QVERIFY(session.addTechnician(Room, line(u"03"_s, true)).ok());
        QVERIFY(session.addTechnician(Room, line(u"01"_s, false)).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s }));

        // Settlement hands the lines back as checkout left them and closes the room.
        QList<TechnicianLine> lines = session.bill(Room)->technicians;
        lines[0].massageClocks = 1;
        lines[1].massageClocks = 1;
        {
            SqlTransaction settlement(env.database);
            QVERIFY(session.closeRoom(Room, lines).ok());
            QVERIFY(settlement.commit());
        }
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"01"_s }));
        QVERIFY(working(env).isEmpty());

        // The same for a room closed without its lines (作废).
        QVERIFY(session.addTechnician(OtherRoom, line(u"04"_s, true)).ok());
        QVERIFY(session.closeRoom(OtherRoom).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"01"_s }));
        QVERIFY(working(env).isEmpty());
    }

    void aRequestedTechnicianTakenOffTheRoomStaysAtHerPlace()
    {
        TestEnvironment env;
        morning(env);
        DeskSession& session = env.session;
        QVERIFY(session.addTechnician(Room, line(u"04"_s, true)).ok());
        QVERIFY(session.removeTechnician(Room, u"04"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QVERIFY(working(env).isEmpty());
        // A 轮钟 taken off goes to the head, keeping her turn, as always.
        QVERIFY(session.addTechnician(Room, line(u"01"_s, false)).ok());
        QVERIFY(session.removeTechnician(Room, u"01"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
    }

    void theRoomWindowsActionsKeepTheTurnOfARequestedOne()
    {
        TestEnvironment env;
        morning(env);
        DeskSession& session = env.session;
        RoomServiceActions actions(env.database, session);
        // "添加" of 03 asked for by number, then 01 by the queue, on the room in service.
        QList<TechnicianLine> lines { line(u"03"_s, true) };
        QVERIFY(actions.addTechnician(Room, u"03"_s, lines).ok());
        lines.prepend(line(u"01"_s, false));
        QVERIFY(actions.addTechnician(Room, u"01"_s, lines).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(working(env), (QStringList { u"03"_s, u"01"_s }));
        QCOMPARE(session.offeredTechnicians(), (QStringList { u"02"_s, u"04"_s, u"05"_s }));

        // "下钟" of 03 and of 01.
        lines[1].released = true;
        QVERIFY(actions.releaseTechnician(Room, u"03"_s, lines).ok());
        lines[0].released = true;
        QVERIFY(actions.releaseTechnician(Room, u"01"_s, lines).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"01"_s }));
        QVERIFY(working(env).isEmpty());

        // "删除" of a 点钟 on a room not yet in service, then the stay voided with one unbilled.
        QVERIFY(actions.addTechnician(u"108"_s, u"04"_s, { line(u"04"_s, true) }).ok());
        QCOMPARE(session.offeredTechnicians(), (QStringList { u"02"_s, u"03"_s, u"05"_s, u"01"_s }));
        QVERIFY(actions.removeTechnician(u"108"_s, line(u"04"_s, true), {}).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"01"_s }));
        QVERIFY(actions.addTechnician(u"108"_s, u"05"_s, { line(u"05"_s, true) }).ok());
        QVERIFY(actions.endStay(u"108"_s, { u"05"_s }).ok());
        QCOMPARE(idle(env), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s, u"01"_s }));
        QVERIFY(working(env).isEmpty());
    }

    void anItemLineBringingARequestedOneKeepsHerTurn()
    {
        TestEnvironment env;
        morning(env);
        ItemLine item {
            .item = 1, .name = u"精油开背"_s, .technician = u"02"_s, .count = 1, .requested = true, .minutes = 60
        };
        QVERIFY(env.session.addItem(Room, item, u"技师02"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(working(env), QStringList { u"02"_s });
        QCOMPARE(env.session.nextTechnician(), u"01"_s);
        QVERIFY(env.session.bill(Room)->technicians.first().requested);
    }

    void withTheRuleTickedOffARequestedOneQueuesAtTheTail()
    {
        TestEnvironment env;
        morning(env);
        setRequestedLosesTurn(env, true);
        DeskSession& session = env.session;
        QVERIFY(session.addTechnician(Room, line(u"02"_s, true)).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(working(env), QStringList { u"02"_s });
        QCOMPARE(session.nextTechnician(), u"01"_s);
        QVERIFY(session.releaseTechnician(Room, u"02"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"03"_s, u"04"_s, u"05"_s, u"02"_s }));

        QVERIFY(session.addTechnician(OtherRoom, line(u"03"_s, true)).ok());
        QVERIFY(session.closeRoom(OtherRoom).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"04"_s, u"05"_s, u"02"_s, u"03"_s }));

        ItemLine item { .item = 1, .name = u"精油开背"_s, .technician = u"04"_s, .count = 1, .requested = true };
        QVERIFY(session.addItem(Room, item, u"技师04"_s).ok());
        QCOMPARE(idle(env), (QStringList { u"01"_s, u"05"_s, u"02"_s, u"03"_s }));
    }

    void theStatusBoardMarksARequestedOneServingInTheIdleList()
    {
        TestEnvironment env;
        morning(env);
        QVERIFY(env.session.addTechnician(Room, line(u"02"_s, true)).ok());
        QVERIFY(env.session.addTechnician(Room, line(u"01"_s, false)).ok());
        TechnicianStatusDialog board(env.services);
        auto* idleList = Child<RowListView>(&board, u"idleList"_s);
        QCOMPARE(Column(idleList, 0), (QStringList { u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(Column(idleList, 1), (QStringList { u"技师02(点钟中)"_s, u"技师03"_s, u"技师04"_s, u"技师05"_s }));
        QCOMPARE(Column(Child<RowListView>(&board, u"workingList"_s), 0), (QStringList { u"02"_s, u"01"_s }));
        board.resize(board.sizeHint());
        QVERIFY(board.grab().save(TestOutputPath(u"requested-turn-status-board.png"_s)));
    }

    void theRuleIsABoxOfThePricesWindowLoggedWhenChanged()
    {
        TestEnvironment env;
        {
            ServicePricesDialog prices(env.services);
            auto* box = Child<QCheckBox>(&prices, u"requestedTurnBox"_s);
            QCOMPARE(box->text(), u"点钟保留轮次"_s);
            QVERIFY(box->isChecked());
            QVERIFY(ShowOnScreen(prices));
            QVERIFY(prices.grab().save(TestOutputPath(u"requested-turn-prices-dialog.png"_s)));
            // Tab order is the visual order: the voice boxes, then this one, then 确定.
            QCOMPARE(TabOrder(Child<QCheckBox>(&prices, u"dueVoiceBox"_s), 2),
                (QStringList { u"requestedTurnBox"_s, u"okButton"_s }));
            box->setChecked(false);
            Click(&prices, u"okButton"_s);
        }
        QVERIFY(HouseSettings::isOn(env.database, HouseSettings::RequestedLosesTurn));
        QCOMPARE(env.database
                     .scalar(u"SELECT count(*) FROM operator_log WHERE kind=? AND description=?"_s,
                         { LogKind::Prices, u"点钟保留轮次:关"_s })
                     .toInt(),
            1);
        {
            ServicePricesDialog prices(env.services);
            auto* box = Child<QCheckBox>(&prices, u"requestedTurnBox"_s);
            QVERIFY(!box->isChecked());
            box->setChecked(true);
            Click(&prices, u"okButton"_s);
        }
        QVERIFY(!HouseSettings::isOn(env.database, HouseSettings::RequestedLosesTurn));
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE description LIKE ?"_s, { u"点钟保留轮次%"_s })
                .toInt(),
            2);
    }
};

QTEST_MAIN(RequestedTurnTest)
#include "tst_requestedturn.moc"
