#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "desk/BusinessDay.h"
#include "desk/DeskSession.h"
#include "records/CompanyProfile.h"
#include "schedule/ShiftPlanStore.h"
#include "support/OtherDesk.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

TechnicianLine technician(const QString& number, const QString& name)
{
    return { number, name, 0, 0, false };
}

OpenBill billWith(const QList<TechnicianLine>& technicians)
{
    OpenBill bill;
    bill.startTime = QDateTime(QDate(2026, 12, 7), QTime(10, 5, 7));
    bill.massageClocks = 2;
    bill.technicians = technicians;
    return bill;
}

// A second session on the same database, as the desk after a restart would have it.
struct Reloaded
{
    explicit Reloaded(TestEnvironment& env)
        : session(env.database, env.clock)
    {
        ok = session.restore().ok();
    }
    DeskSession session;
    bool ok = false;
};

// The version of the live state as stored.
qint64 storedVersion(Database& database)
{
    return database.scalar(u"SELECT version FROM desk_day WHERE id=1"_s).toLongLong();
}

int rows(TestEnvironment& env, const QString& table)
{
    return env.database.scalar(u"SELECT count(*) FROM %1"_s.arg(table)).toInt();
}

// Puts the numbers at the tail of the idle queue, as the rota's 排钟 does.
void queueIdle(TestEnvironment& env, const QStringList& numbers)
{
    for (const QString& number : numbers)
        QVERIFY(env.session.queueTechnician(RotaShift::Early, number).ok());
}

} // namespace

// The desk session: the one owner of the live state, kept in the database, changed only after
// the action that changed it has committed.
class DeskSessionTest : public QObject
{
    Q_OBJECT

private slots:
    // --- rooms and bills ----------------------------------------------------------------------

    void aRoomGoesThroughItsStatesAndEachIsStored()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QSignalSpy rooms(&session, &DeskSession::roomChanged);
        const QString room = u"101"_s;

        QVERIFY(session.markGuestIn(room).ok());
        QCOMPARE(session.roomState(room), RoomState::GuestIn);
        QCOMPARE(rooms.takeFirst().value(0).toString(), room);
        QCOMPARE(rows(env, u"desk_room"_s), 1);

        OpenBill bill = billWith({ technician(u"5"_s, u"小红"_s) });
        bill.goods = { { u"红/白葡萄酒"_s, 2, u"128.00"_s, QString() } }; // a "/" and an empty cell
        QVERIFY(session.openBill(room, bill).ok());
        QCOMPARE(session.roomState(room), RoomState::InService);
        QCOMPARE(*session.bill(room), bill);
        QCOMPARE(rooms.count(), 1);
        QCOMPARE(rows(env, u"desk_room"_s), 0);

        // Replaced: the start stays, as the service began then.
        OpenBill replacement = billWith({ technician(u"8"_s, u"小兰"_s), technician(u"5"_s, u"小红"_s) });
        replacement.startTime = bill.startTime.addSecs(3600);
        replacement.pedicureCount = 1;
        QVERIFY(session.replaceBill(room, replacement).ok());
        replacement.startTime = bill.startTime;
        QCOMPARE(*session.bill(room), replacement);
        QVERIFY(session.setCount(room, BillCount::FootWash, 3).ok());
        QCOMPARE(session.bill(room)->footWashClocks, 3);

        // Unchanged: nothing written, nothing announced.
        rooms.clear();
        QVERIFY(session.setCount(room, BillCount::FootWash, 3).ok());
        QCOMPARE(rooms.count(), 0);

        Reloaded restarted(env);
        QVERIFY(restarted.ok);
        QCOMPARE(restarted.session.bills(), session.bills());

        QVERIFY(session.closeRoom(room).ok());
        QCOMPARE(session.roomState(room), RoomState::Idle);
        for (const QString& table : { u"desk_bill"_s, u"desk_bill_technician"_s, u"desk_bill_goods"_s })
            QCOMPARE(rows(env, table), 0);
        // Closing an idle room changes nothing.
        rooms.clear();
        QVERIFY(session.closeRoom(room).ok());
        QCOMPARE(rooms.count(), 0);
    }

    void technicianLinesMoveTheQueues()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        queueIdle(env, { u"01"_s, u"02"_s, u"03"_s, u"04"_s });
        QSignalSpy queues(&session, &DeskSession::queuesChanged);
        QVERIFY(session.openBill(u"101"_s, billWith({})).ok());
        QCOMPARE(queues.count(), 0);

        QVERIFY(session.addTechnician(u"101"_s, technician(u"02"_s, u"乙"_s)).ok());
        QVERIFY(session.addTechnician(u"101"_s, technician(u"03"_s, u"丙"_s)).ok());
        QCOMPARE(session.bill(u"101"_s)->technicians.first().number, u"03"_s); // the newest on top
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"04"_s }));
        QCOMPARE(session.workingList().numbers(), (QStringList { u"02"_s, u"03"_s }));
        QCOMPARE(queues.count(), 2);

        // Taken off the room: back at the head, keeping his turn.
        QVERIFY(session.removeTechnician(u"101"_s, u"03"_s).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"03"_s, u"01"_s, u"04"_s }));
        QCOMPARE(session.workingList().numbers(), QStringList { u"02"_s });

        // 下钟: released and at the tail; a second time changes nothing.
        QVERIFY(session.releaseTechnician(u"101"_s, u"02"_s).ok());
        QVERIFY(session.bill(u"101"_s)->technicians.first().released);
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"03"_s, u"01"_s, u"04"_s, u"02"_s }));
        queues.clear();
        QVERIFY(session.releaseTechnician(u"101"_s, u"02"_s).ok());
        QCOMPARE(queues.count(), 0);

        // Released from one room, he serves another; the first room's close leaves him there.
        QVERIFY(session.openBill(u"102"_s, billWith({})).ok());
        QVERIFY(session.addTechnician(u"102"_s, technician(u"02"_s, u"乙"_s)).ok());
        QVERIFY(session.addTechnician(u"101"_s, technician(u"01"_s, u"甲"_s)).ok());
        QCOMPARE(session.workingList().numbers(), (QStringList { u"02"_s, u"01"_s }));
        QVERIFY(session.closeRoom(u"101"_s).ok());
        QCOMPARE(session.workingList().numbers(), QStringList { u"02"_s });
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"01"_s }));

        // Checkout hands the lines back with their clocks.
        QList<TechnicianLine> entered = session.bill(u"102"_s)->technicians;
        entered.first().massageClocks = 3;
        QVERIFY(session.replaceTechnicians(u"102"_s, entered).ok());
        QCOMPARE(session.bill(u"102"_s)->technicians, entered);

        Reloaded restarted(env);
        QCOMPARE(restarted.session.idleQueue(), session.idleQueue());
        QCOMPARE(restarted.session.workingList(), session.workingList());
        QCOMPARE(restarted.session.bills(), session.bills());
    }

    void theStatusBoardMovesAndTheRotaQueues()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QSignalSpy rota(&session, &DeskSession::rotaChanged);
        QVERIFY(session.markPresent(u"01"_s).ok());
        QVERIFY(session.markPresent(u"01"_s).ok()); // twice: two entries
        QCOMPARE(session.attendanceList(), (QStringList { u"01"_s, u"01"_s }));
        QCOMPARE(session.queueTechnician(RotaShift::Early, u"01"_s).value(), 1);
        QCOMPARE(session.queueTechnician(RotaShift::Early, u"02"_s).value(), 2);
        QCOMPARE(session.queueTechnician(RotaShift::Late, u"01"_s).value(), 1);
        QCOMPARE(rota.count(), 5);
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s, u"01"_s }));

        QVERIFY(session.moveToWorking(u"01"_s).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s }));
        QVERIFY(session.moveToIdle(u"01"_s).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"01"_s }));
        QVERIFY(session.moveToIdle(u"42"_s).ok()); // nobody of that number works: nothing
        QCOMPARE(session.idleQueue().size(), 3);

        Reloaded restarted(env);
        QCOMPARE(restarted.session.rota(RotaShift::Early), (QStringList { u"01"_s, u"02"_s }));
        QCOMPARE(restarted.session.rota(RotaShift::Late), QStringList { u"01"_s });
        QCOMPARE(restarted.session.attendanceList(), session.attendanceList());
        QCOMPARE(restarted.session.idleQueue(), session.idleQueue());
    }

    void refusalsChangeNothing()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QVERIFY(session.openBill(u"101"_s, billWith({ technician(u"5"_s, u"小红"_s) })).ok());
        QVERIFY(session.queueTechnician(RotaShift::Early, u"01"_s).ok());
        QSignalSpy rooms(&session, &DeskSession::roomChanged);
        QSignalSpy queues(&session, &DeskSession::queuesChanged);

        const QList<Outcome<>> refused = {
            session.openBill(u"101"_s, billWith({})),
            session.markGuestIn(u"101"_s),
            session.replaceBill(u"102"_s, billWith({})),
            session.setCount(u"102"_s, BillCount::Massage, 1),
            session.addTechnician(u"102"_s, technician(u"01"_s, u"甲"_s)),
            session.removeTechnician(u"101"_s, u"9"_s),
            session.releaseTechnician(u"101"_s, u"9"_s),
        };
        for (const Outcome<>& outcome : refused) {
            QVERIFY(outcome.isRefusal());
            QCOMPARE(outcome.text(), u"操作错误,系统无法识别!"_s);
        }
        const Outcome<int> twice = session.queueTechnician(RotaShift::Early, u"01"_s);
        QVERIFY(twice.isRefusal());
        QCOMPARE(twice.text(), u"选择技师已经排钟!请核对后再操作!"_s);
        QCOMPARE(rooms.count(), 0);
        QCOMPARE(queues.count(), 0);
        QCOMPARE(session.idleQueue().numbers(), QStringList { u"01"_s });
    }

    // A write the database refuses returns its error text and changes neither memory nor the
    // stored state; nothing is announced.
    void aFailedWriteChangesNothing()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        queueIdle(env, { u"01"_s, u"02"_s });
        env.sql(u"CREATE TRIGGER full_disk BEFORE INSERT ON desk_queue WHEN NEW.list = 'working' "
                "BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"_s);
        QSignalSpy queues(&session, &DeskSession::queuesChanged);

        const Outcome<> moved = session.moveToWorking(u"01"_s);
        QVERIFY(moved.isFailure());
        QCOMPARE(moved.text(), u"磁盘已满"_s);
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s }));
        QVERIFY(session.workingList().isEmpty());
        QCOMPARE(queues.count(), 0);
        Reloaded restarted(env);
        QCOMPARE(restarted.session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s }));

        // The next write works on what is really stored.
        env.sql(u"DROP TRIGGER full_disk"_s);
        QVERIFY(session.moveToWorking(u"02"_s).ok());
        QCOMPARE(session.idleQueue().numbers(), QStringList { u"01"_s });
        QCOMPARE(Reloaded(env).session.workingList().numbers(), QStringList { u"02"_s });
    }

    // --- actions of several writes ------------------------------------------------------------

    // Two store writes and a failing third in one action: nothing is written, and the session
    // shows and announces nothing.
    void anActionIsAllOrNothing()
    {
        TestEnvironment env;
        env.addStaff(u"01"_s, u"张三"_s, u"技师"_s, 3, 0);
        env.sql(u"CREATE TRIGGER locked BEFORE UPDATE ON company BEGIN SELECT RAISE(ABORT, '记录被锁定'); END"_s);
        DeskSession& session = env.session;
        QSignalSpy rooms(&session, &DeskSession::roomChanged);
        {
            SqlTransaction action(env.database);
            QCOMPARE(ShiftPlanStore(env.database).clearShift(u"01"_s), QString());
            QVERIFY(session.markGuestIn(u"101"_s).ok());
            CompanyProfile profile;
            profile.name = u"新店"_s;
            profile.tel = u"1"_s;
            QCOMPARE(SaveCompanyProfile(env.database, profile), u"记录被锁定"_s);
            // The action gives up: leaving the scope rolls back.
        }
        QCOMPARE(env.database.scalar(u"SELECT workstatus FROM worksinfo"_s).toInt(), 0);
        QCOMPARE(rows(env, u"desk_room"_s), 0);
        QCOMPARE(session.roomState(u"101"_s), RoomState::Idle);
        QCOMPARE(rooms.count(), 0);

        // Committed, the same action shows only after the commit.
        {
            SqlTransaction action(env.database);
            QCOMPARE(ShiftPlanStore(env.database).clearShift(u"01"_s), QString());
            QVERIFY(session.markGuestIn(u"101"_s).ok());
            QCOMPARE(session.roomState(u"101"_s), RoomState::Idle);
            QCOMPARE(rooms.count(), 0);
            QVERIFY(action.commit());
        }
        QCOMPARE(session.roomState(u"101"_s), RoomState::GuestIn);
        QCOMPARE(rooms.count(), 1);
        QCOMPARE(env.database.scalar(u"SELECT workstatus FROM worksinfo"_s).toInt(), 100);
    }

    // Settlement closes rooms inside its own transaction: each change builds on the ones
    // before it in the same action, and a part that is undone leaves the others.
    void changesInOneActionBuildOnEachOther()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        queueIdle(env, { u"01"_s, u"02"_s, u"03"_s });
        for (const auto& [room, number] :
            { std::pair { u"101"_s, u"01"_s }, std::pair { u"102"_s, u"02"_s }, std::pair { u"103"_s, u"03"_s } }) {
            QVERIFY(session.openBill(room, billWith({})).ok());
            QVERIFY(session.addTechnician(room, technician(number, number)).ok());
        }
        QSignalSpy rooms(&session, &DeskSession::roomChanged);
        {
            SqlTransaction settlement(env.database);
            QVERIFY(session.closeRoom(u"101"_s).ok());
            QVERIFY(session.closeRoom(u"102"_s).ok());
            {
                SqlTransaction voided(env.database);
                QVERIFY(session.closeRoom(u"103"_s).ok());
                // not committed: this part is undone
            }
            QCOMPARE(session.workingList().size(), 3); // nothing shown before the commit
            QVERIFY(settlement.commit());
        }
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"02"_s }));
        QCOMPARE(session.workingList().numbers(), QStringList { u"03"_s });
        QCOMPARE(session.roomState(u"103"_s), RoomState::InService);
        QCOMPARE(rooms.count(), 2);
        Reloaded restarted(env);
        QCOMPARE(restarted.session.idleQueue(), session.idleQueue());
        QCOMPARE(restarted.session.workingList(), session.workingList());
        QCOMPARE(restarted.session.bills().keys(), QStringList { u"103"_s });
    }

    // --- what a restart keeps -----------------------------------------------------------------

    void theBusinessDayChangesAtSixInTheMorning_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QDate>("day");
        QTest::newRow("morning") << QDateTime(QDate(2026, 12, 7), QTime(9, 0)) << QDate(2026, 12, 7);
        QTest::newRow("before midnight") << QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59)) << QDate(2026, 12, 7);
        QTest::newRow("late shift after midnight")
            << QDateTime(QDate(2026, 12, 8), QTime(5, 59, 59)) << QDate(2026, 12, 7);
        QTest::newRow("six o'clock") << QDateTime(QDate(2026, 12, 8), QTime(6, 0)) << QDate(2026, 12, 8);
        QTest::newRow("new year's night") << QDateTime(QDate(2027, 1, 1), QTime(2, 0)) << QDate(2026, 12, 31);
    }

    void theBusinessDayChangesAtSixInTheMorning()
    {
        QFETCH(QDateTime, moment);
        QFETCH(QDate, day);
        QCOMPARE(BusinessDayOf(moment), day);
    }

    void aRestartKeepsTheDaysListsOnlyWithinTheirDay_data()
    {
        QTest::addColumn<QDateTime>("changed");
        QTest::addColumn<QDateTime>("restarted");
        QTest::addColumn<bool>("dayListsKept");
        const QDate monday(2026, 12, 7);
        const QDate tuesday(2026, 12, 8);
        QTest::newRow("same evening") << QDateTime(monday, QTime(9, 0)) << QDateTime(monday, QTime(22, 0)) << true;
        QTest::newRow("late shift past midnight")
            << QDateTime(monday, QTime(23, 30)) << QDateTime(tuesday, QTime(5, 59)) << true;
        QTest::newRow("next morning") << QDateTime(monday, QTime(23, 30)) << QDateTime(tuesday, QTime(6, 0)) << false;
        QTest::newRow("written after midnight, next morning")
            << QDateTime(tuesday, QTime(5, 0)) << QDateTime(tuesday, QTime(6, 30)) << false;
        QTest::newRow("a week later") << QDateTime(monday, QTime(9, 0)) << QDateTime(monday.addDays(7), QTime(9, 0))
                                      << false;
    }

    void aRestartKeepsTheDaysListsOnlyWithinTheirDay()
    {
        QFETCH(QDateTime, changed);
        QFETCH(QDateTime, restarted);
        QFETCH(bool, dayListsKept);

        TestEnvironment env;
        env.clock.set(changed);
        DeskSession& session = env.session;
        QVERIFY(session.markPresent(u"01"_s).ok());
        queueIdle(env, { u"01"_s, u"02"_s, u"03"_s });
        QVERIFY(session.queueTechnician(RotaShift::Late, u"04"_s).ok());
        QVERIFY(session.markGuestIn(u"101"_s).ok());
        QVERIFY(session.openBill(u"102"_s, billWith({})).ok());
        QVERIFY(session.addTechnician(u"102"_s, technician(u"02"_s, u"乙"_s)).ok());
        session.logIn(3, u"总经理"_s);
        session.setCurrentCashier(u"c1"_s);

        env.clock.set(restarted);
        Reloaded after(env);
        QVERIFY(after.ok);
        const DeskSession& kept = after.session;
        // Rooms, bills and the working list always come back.
        QCOMPARE(kept.roomState(u"101"_s), RoomState::GuestIn);
        QCOMPARE(kept.bills(), session.bills());
        QCOMPARE(kept.workingList().numbers(), QStringList { u"02"_s });
        // The day's lists only within their business day.
        if (dayListsKept) {
            QCOMPARE(kept.idleQueue().numbers(), (QStringList { u"01"_s, u"03"_s, u"04"_s }));
            QCOMPARE(kept.attendanceList(), QStringList { u"01"_s });
            QCOMPARE(kept.rota(RotaShift::Early), (QStringList { u"01"_s, u"02"_s, u"03"_s }));
            QCOMPARE(kept.rota(RotaShift::Late), QStringList { u"04"_s });
        } else {
            QVERIFY(kept.idleQueue().isEmpty());
            QVERIFY(kept.attendanceList().isEmpty());
            QVERIFY(kept.rota(RotaShift::Early).isEmpty());
            QVERIFY(kept.rota(RotaShift::Late).isEmpty());
            // … and so does the database: a third start finds the same.
            QCOMPARE(rows(env, u"desk_rota"_s), 0);
            QCOMPARE(Reloaded(env).session.workingList().numbers(), QStringList { u"02"_s });
        }
        QCOMPARE(kept.businessDay(), BusinessDayOf(restarted));
        // The login is never kept: the desk logs in again.
        QCOMPARE(kept.userSession(), UserSession {});
        QCOMPARE(kept.currentCashier(), QString());
    }

    // Another desk changed a room this desk shows: the action on it writes nothing, says so,
    // and the room is shown as it is now; a second try works on what is now stored.
    void aRoomChangedAtAnotherDeskIsNotOverwritten()
    {
        TestEnvironment env;
        queueIdle(env, { u"01"_s, u"02"_s });
        QVERIFY(env.session.openBill(u"101"_s, billWith({})).ok());
        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.setCount(u"101"_s, BillCount::Massage, 5).ok());

        QSignalSpy changed(&env.session, &DeskSession::roomChanged);
        const int reads = env.session.stateReads();
        const Outcome<> stale = env.session.setCount(u"101"_s, BillCount::FootWash, 1);
        QCOMPARE(stale.text(), DeskSession::RoomChangedText.arg(u"101"_s));
        QCOMPARE(env.session.bill(u"101"_s)->massageClocks, 5); // shown as it is now
        QCOMPARE(env.session.bill(u"101"_s)->footWashClocks, 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(env.database.scalar(u"SELECT foot_wash_clocks FROM desk_bill WHERE room='101'"_s).toInt(), 0);

        QVERIFY(env.session.setCount(u"101"_s, BillCount::FootWash, 1).ok());
        QCOMPARE(env.session.stateReads(), reads + 2); // under the lock, then to show it
        QCOMPARE(
            env.database.scalar(u"SELECT massage_clocks + foot_wash_clocks FROM desk_bill WHERE room='101'"_s).toInt(),
            6);
        // A room settled at one desk cannot be closed again at the other.
        QVERIFY(other.session.setCount(u"101"_s, BillCount::Pedicure, 1).text().contains(u"101号房"_s));
        QVERIFY(env.session.closeRoom(u"101"_s).ok());
        QVERIFY(!other.session.closeRoom(u"101"_s).ok());
        QCOMPARE(other.session.roomState(u"101"_s), RoomState::Idle);
    }

    // Two desks put the technician at the head of the queue into their rooms: the second is
    // told he went elsewhere, and sees the queue as it is now.
    void aTechnicianTakenAtAnotherDeskIsNotTakenTwice()
    {
        TestEnvironment env;
        queueIdle(env, { u"07"_s, u"08"_s });
        QVERIFY(env.session.openBill(u"101"_s, billWith({})).ok());
        QVERIFY(env.session.openBill(u"102"_s, billWith({})).ok());
        OtherDesk other(env);
        QVERIFY(other.ok);
        QCOMPARE(other.session.idleQueue().numbers().first(), u"07"_s);

        QVERIFY(env.session.addTechnician(u"101"_s, technician(u"07"_s, u"小王"_s)).ok());
        QSignalSpy queues(&other.session, &DeskSession::queuesChanged);
        const Outcome<> second = other.session.addTechnician(u"102"_s, technician(u"07"_s, u"小王"_s));
        QCOMPARE(second.text(), DeskSession::TechnicianChangedText.arg(u"07"_s));
        QCOMPARE(other.session.idleQueue().numbers(), QStringList { u"08"_s });
        QCOMPARE(other.session.workingList().numbers(), QStringList { u"07"_s });
        QCOMPARE(other.session.bill(u"101"_s)->technicians.size(), 1); // the other room shows too
        QCOMPARE(queues.count(), 1);
        QCOMPARE(rows(env, u"desk_bill_technician"_s), 1);

        QVERIFY(other.session.addTechnician(u"102"_s, technician(u"08"_s, u"小李"_s)).ok());
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM desk_queue WHERE list='working'"_s).toInt(), 2);
        // Actions on what the other desk did not touch go through, and show its changes.
        QVERIFY(env.session.markPresent(u"09"_s).ok());
        QCOMPARE(env.session.bill(u"102"_s)->technicians.first().number, u"08"_s);
    }

    // Every action counts the stored version up once per transaction, and an action undone, a
    // refusal or a failed write takes its count back with everything else.
    void theVersionCountsEachTransactionAndARollbackTakesItBack()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        const qint64 start = storedVersion(env.database);
        QVERIFY(session.markGuestIn(u"101"_s).ok());
        QCOMPARE(storedVersion(env.database), start + 1);
        {
            SqlTransaction settlement(env.database);
            QVERIFY(session.markGuestIn(u"102"_s).ok());
            QVERIFY(session.closeRoom(u"101"_s).ok());
            QVERIFY(settlement.commit());
        }
        QCOMPARE(storedVersion(env.database), start + 2);
        {
            SqlTransaction undone(env.database);
            QVERIFY(session.markGuestIn(u"103"_s).ok());
            QCOMPARE(storedVersion(env.database), start + 3);
        }
        QCOMPARE(storedVersion(env.database), start + 2);
        QVERIFY(session.openBill(u"104"_s, billWith({})).ok());
        QCOMPARE(session.openBill(u"104"_s, billWith({})).text(), DeskSession::UnrecognisedText);
        env.sql(u"CREATE TRIGGER full_disk BEFORE INSERT ON desk_room BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"_s);
        QCOMPARE(session.markGuestIn(u"105"_s).text(), u"磁盘已满"_s);
        QCOMPARE(storedVersion(env.database), start + 3);
        QCOMPARE(session.guestInRooms(), QSet<QString> { u"102"_s });
        QCOMPARE(Reloaded(env).session.bills().keys(), QStringList { u"104"_s });
    }

    // A desk that alone writes reads the whole state once, at the start: its own count tells it
    // that what it shows is what is stored. A change at another desk makes its next action read
    // it again, once.
    void aDeskReadsTheStateAgainOnlyWhenAnotherDeskChangedIt()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        queueIdle(env, { u"01"_s, u"02"_s });
        const int reads = session.stateReads();
        QVERIFY(session.openBill(u"101"_s, billWith({})).ok());
        QVERIFY(session.addTechnician(u"101"_s, technician(u"01"_s, u"小王"_s)).ok());
        {
            SqlTransaction settlement(env.database);
            QVERIFY(session.setCount(u"101"_s, BillCount::Pedicure, 1).ok());
            QVERIFY(session.closeRoom(u"101"_s).ok());
            QVERIFY(settlement.commit());
        }
        {
            SqlTransaction undone(env.database);
            QVERIFY(session.markGuestIn(u"102"_s).ok());
        }
        QVERIFY(session.closeRoom(u"101"_s).ok()); // idle: nothing to write
        QVERIFY(session.markPresent(u"01"_s).ok());
        QCOMPARE(session.stateReads(), reads);
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s }));

        OtherDesk other(env);
        QVERIFY(other.ok);
        const int otherReads = other.session.stateReads();
        QVERIFY(other.session.moveToWorking(u"02"_s).ok());
        QCOMPARE(other.session.stateReads(), otherReads); // it read the state as it started
        // The first desk acts on something the other did not touch: it reads the state once,
        // and shows the other desk's change with its own.
        QVERIFY(session.markGuestIn(u"103"_s).ok());
        QCOMPARE(session.stateReads(), reads + 1);
        QCOMPARE(session.workingList().numbers(), QStringList { u"02"_s });
        QCOMPARE(session.roomState(u"103"_s), RoomState::GuestIn);
        QVERIFY(session.markGuestIn(u"104"_s).ok());
        QCOMPARE(session.stateReads(), reads + 1);
        // The other desk in turn reads once and then acts on its memory.
        QVERIFY(other.session.moveToIdle(u"02"_s).ok());
        QVERIFY(other.session.moveToWorking(u"01"_s).ok());
        QCOMPARE(other.session.stateReads(), otherReads + 1);
        QCOMPARE(other.session.guestInRooms(), (QSet<QString> { u"103"_s, u"104"_s }));
        Reloaded restarted(env);
        QCOMPARE(restarted.session.guestInRooms(), other.session.guestInRooms());
        QCOMPARE(restarted.session.idleQueue(), other.session.idleQueue());
        QCOMPARE(restarted.session.workingList(), other.session.workingList());
    }

    // A change at another desk is found also when the first action of this desk's transaction
    // changes nothing, and the state it read is shown once the transaction has committed.
    void anActionThatChangesNothingStillShowsWhatItRead()
    {
        TestEnvironment env;
        QVERIFY(env.session.markGuestIn(u"101"_s).ok());
        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.markGuestIn(u"102"_s).ok());
        QVERIFY(env.session.markGuestIn(u"101"_s).ok()); // stored already: nothing to write
        QCOMPARE(env.session.guestInRooms(), (QSet<QString> { u"101"_s, u"102"_s }));
        const int reads = env.session.stateReads();
        QVERIFY(env.session.closeRoom(u"102"_s).ok());
        QCOMPARE(env.session.stateReads(), reads);
        QVERIFY(other.session.closeRoom(u"101"_s).ok());
        QCOMPARE(other.session.guestInRooms(), QSet<QString>());
    }

    // Both desks 排钟 on the same shift: the place in the rota each is told is the place he
    // was stored at, counting the other desk's.
    void theRotaPlaceCountsTheOtherDesksTechnicians()
    {
        TestEnvironment env;
        OtherDesk other(env);
        QVERIFY(other.ok);
        QCOMPARE(env.session.queueTechnician(RotaShift::Early, u"01"_s).value(), 1);
        QCOMPARE(other.session.queueTechnician(RotaShift::Early, u"02"_s).value(), 2);
        QCOMPARE(env.session.queueTechnician(RotaShift::Early, u"03"_s).value(), 3);
        QCOMPARE(env.session.rota(RotaShift::Early), (QStringList { u"01"_s, u"02"_s, u"03"_s }));
    }

    // A file of the release before the version keeps its live state, gets the version at 0,
    // and the desk counts on from there.
    void aFileWithoutTheVersionGainsIt()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database earlier;
            QVERIFY2(earlier.create(path, 9), qPrintable(earlier.lastError()));
            QVERIFY(earlier.exec(u"INSERT INTO desk_room (number) VALUES ('108')"_s).ok());
            QVERIFY(!earlier.exec(u"SELECT version FROM desk_day"_s).ok());
        }
        Database database;
        QVERIFY2(database.open(path), qPrintable(database.lastError()));
        QCOMPARE(database.schemaVersion(nullptr), Database::SchemaVersion);
        QCOMPARE(storedVersion(database), qint64(0));
        ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(9, 15, 30)));
        DeskSession session(database, clock);
        QVERIFY(session.restore().ok()); // a new business day: one action
        QCOMPARE(session.guestInRooms(), QSet<QString> { u"108"_s });
        QCOMPARE(storedVersion(database), qint64(1));
        const int reads = session.stateReads();
        QVERIFY(session.closeRoom(u"108"_s).ok());
        QCOMPARE(session.stateReads(), reads);
        QCOMPARE(storedVersion(database), qint64(2));
        QCOMPARE(database.scalar(u"SELECT count(*) FROM desk_room"_s).toInt(), 0);
    }

    // Inside a larger action (a settlement) the refusal undoes the whole action, and the room is
    // shown as stored once it has ended.
    void aRefusalInsideALargerActionShowsTheRoomAfterIt()
    {
        TestEnvironment env;
        QVERIFY(env.session.openBill(u"101"_s, billWith({})).ok());
        OtherDesk other(env);
        QVERIFY(other.ok);
        QVERIFY(other.session.setCount(u"101"_s, BillCount::Massage, 4).ok());
        {
            SqlTransaction settlement(env.database);
            QVERIFY(env.session.markGuestIn(u"105"_s).ok());
            QVERIFY(!env.session.closeRoom(u"101"_s).ok());
            QCOMPARE(env.session.bill(u"101"_s)->massageClocks, 2); // not yet: the action is open
        }
        QCOMPARE(env.session.bill(u"101"_s)->massageClocks, 4);
        QCOMPARE(env.session.roomState(u"105"_s), RoomState::Idle);
        QCOMPARE(rows(env, u"desk_room"_s), 0);
    }
};

QTEST_MAIN(DeskSessionTest)
#include "tst_desksession.moc"
