#include "app/Database.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "rooms/ChangeTechnicianDialog.h"
#include "rooms/MoveGuestDialog.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

// 换房 and 换技师: a guest with his bill goes to another room, a technician gives her place in
// a room to another; each one action of the desk session, logged, through its small dialog
// from the room board's right click.
//
// The test runs itself a second time as a desk that is killed while it moves a guest:
//     tst_roommoves --child <data folder>

namespace {

const QDateTime Start(QDate(2026, 12, 7), QTime(10, 5, 7));
const QString MovingLine = u"moving"_s;

TechnicianLine line(const QString& number, bool requested = false, int massageClocks = 0)
{
    return { .number = number, .name = u"技师"_s + number, .massageClocks = massageClocks, .requested = requested };
}

// A bill with everything a bill holds.
OpenBill fullBill()
{
    OpenBill bill;
    bill.startTime = Start;
    bill.massageClocks = 2;
    bill.footWashClocks = 1;
    bill.pedicureCount = 1;
    bill.technicians = { line(u"02"_s, true, 1), line(u"01"_s, false, 1) };
    bill.items = { { .item = 3, .name = u"精油开背"_s, .technician = u"01"_s, .count = 1, .minutes = 60 },
        { .item = 4, .name = u"采耳"_s, .technician = u"02"_s, .count = 2, .requested = true, .minutes = 20 } };
    bill.goods = { { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } };
    return bill;
}

void staffAndQueue(TestEnvironment& env)
{
    for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }) {
        env.addStaff(number, u"技师"_s + number);
        QVERIFY(env.session.queueTechnician(RotaShift::Early, number).ok());
    }
}

int logRows(Database& database, const QString& kind, const QString& description)
{
    return database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=? AND description=?"_s, { kind, description })
        .toInt();
}

// Saves the dialog as the desk shows it on a screen of 1366×768 and of 1024×768.
void savePictures(QDialog& dialog, const QString& name)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(SaveScreenPictures(dialog, name));
}

// One page of rooms (101 to 140) with its board on a fresh installation.
struct PageDesk
{
    TestEnvironment env;
    RoomBoard board;
    RoomPage page;

    PageDesk()
        : board(env.settings, 1)
        , page(0, (board.load(env.messages), board), env.services)
    {
        page.resize(900, 460);
        page.show();
    }
};

// The killed desk: a guest is served in 101, then goes back and forth between 101 and 102
// until the parent kills the desk.
int runChild(const QString& folder)
{
    ScriptedMessageService messages;
    ManualClock clock(Start);
    PdfPrinterChooser printers(folder + u"/print"_s);
    RecordingDesktopLauncher launcher;
    ScriptedFileChooser files;
    CountingAlertSound sound;
    RecordingSpeech speech;
    DeskApplication desk({ messages, clock, printers, launcher, files, sound, speech });
    if (!desk.start(folder))
        return 2;
    DeskSession& session = desk.session();
    if (!session.openBill(u"101"_s, fullBill()).ok())
        return 3;
    QString from = u"101"_s;
    QString to = u"102"_s;
    for (int moves = 0;; ++moves) {
        if (!session.moveGuest(from, to).ok())
            return 4;
        std::swap(from, to);
        if (moves == 0) {
            std::printf("%s\n", qPrintable(MovingLine));
            std::fflush(stdout);
        }
    }
}

} // namespace

class RoomMovesTest : public QObject
{
    Q_OBJECT

private slots:
    // --- 换房 ---------------------------------------------------------------------------------

    void aGuestWithHisBillMovesToAnIdleRoom()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QVERIFY(session.openBill(u"101"_s, fullBill()).ok());
        QSignalSpy rooms(&session, &DeskSession::roomChanged);

        QVERIFY(session.moveGuest(u"101"_s, u"105"_s).ok());
        QCOMPARE(session.roomState(u"101"_s), RoomState::Idle);
        QCOMPARE(session.roomState(u"105"_s), RoomState::InService);
        QCOMPARE(*session.bill(u"105"_s), fullBill()); // the start time too: the clocks run on
        QCOMPARE(rooms.size(), 2);
        QCOMPARE(logRows(env.database, LogKind::MoveGuest, u"101号房换到105号房"_s), 1);

        // As stored.
        DeskSession again(env.database, env.clock);
        QVERIFY(again.restore().ok());
        QCOMPARE(again.roomState(u"101"_s), RoomState::Idle);
        QCOMPARE(*again.bill(u"105"_s), fullBill());
    }

    void aGuestWithoutABillMovesToo()
    {
        TestEnvironment env;
        QVERIFY(env.session.markGuestIn(u"103"_s).ok());
        QVERIFY(env.session.moveGuest(u"103"_s, u"110"_s).ok());
        QCOMPARE(env.session.roomState(u"103"_s), RoomState::Idle);
        QCOMPARE(env.session.roomState(u"110"_s), RoomState::GuestIn);
    }

    void aMoveOntoABusyRoomOrFromAnIdleOneIsRefused()
    {
        TestEnvironment env;
        DeskSession& session = env.session;
        QVERIFY(session.openBill(u"101"_s, fullBill()).ok());
        QVERIFY(session.markGuestIn(u"102"_s).ok());
        OpenBill other = fullBill();
        other.technicians = { line(u"04"_s) };
        QVERIFY(session.openBill(u"103"_s, other).ok());

        for (const QString& busy : { u"102"_s, u"103"_s }) {
            const Outcome<> refused = session.moveGuest(u"101"_s, busy);
            QVERIFY(refused.isRefusal());
            QCOMPARE(refused.text(), u"%1号房不是空房,不能换过去!"_s.arg(busy));
        }
        const Outcome<> nothing = session.moveGuest(u"104"_s, u"105"_s);
        QVERIFY(nothing.isRefusal());
        QCOMPARE(nothing.text(), u"104号房没有客人,不能换房!"_s);
        QCOMPARE(*session.bill(u"101"_s), fullBill());
        QCOMPARE(session.roomState(u"102"_s), RoomState::GuestIn);
        QCOMPARE(*session.bill(u"103"_s), other);
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { LogKind::MoveGuest }).toInt(),
            0);
    }

    void theRoomMenuMovesAGuestThroughItsDialog()
    {
        PageDesk desk;
        DeskSession& session = desk.env.session;
        QVERIFY(session.openBill(u"101"_s, fullBill()).ok());
        QVERIFY(session.markGuestIn(u"102"_s).ok());
        QCOMPARE(desk.page.lampText(1), u"02 01 "_s);
        QCOMPARE(desk.page.room(1)->lamp()->toolTip().section(u'\n', 0, 0), u"02(点) 01(轮)"_s);

        std::unique_ptr<QMenu> idleMenu(desk.page.roomMenu(4));
        QVERIFY(!Child<QAction>(idleMenu.get(), u"moveGuestAction"_s)->isEnabled());
        QVERIFY(!Child<QAction>(idleMenu.get(), u"changeTechnicianAction"_s)->isEnabled());
        std::unique_ptr<QMenu> guestMenu(desk.page.roomMenu(2));
        QVERIFY(Child<QAction>(guestMenu.get(), u"moveGuestAction"_s)->isEnabled());
        QVERIFY(!Child<QAction>(guestMenu.get(), u"changeTechnicianAction"_s)->isEnabled());
        std::unique_ptr<QMenu> menu(desk.page.roomMenu(1));
        auto* move = Child<QAction>(menu.get(), u"moveGuestAction"_s);
        QCOMPARE(move->text(), u"换房"_s);
        QVERIFY(move->isEnabled());

        QStringList offered;
        WhenDialogOpens<MoveGuestDialog>([&offered](MoveGuestDialog* dialog) {
            auto* rooms = Child<QListWidget>(dialog, u"idleRoomList"_s);
            for (int row = 0; row < rooms->count(); ++row)
                offered << rooms->item(row)->text();
            rooms->setCurrentItem(rooms->findItems(u"108"_s, Qt::MatchExactly).first());
            Click(dialog, u"okButton"_s);
        });
        move->trigger();
        QCOMPARE(offered.size(), 38);
        QVERIFY(!offered.contains(u"101"_s) && !offered.contains(u"102"_s));
        QCOMPARE(offered.first(), u"103"_s);
        QCOMPARE(desk.page.lampText(1), u"空闲"_s);
        QVERIFY(!desk.page.room(1)->lamp()->isLit());
        QCOMPARE(desk.page.lampText(8), u"02 01 "_s);
        QVERIFY(desk.page.room(8)->lamp()->isLit());
        QCOMPARE(*session.bill(u"108"_s), fullBill());
        QVERIFY(desk.env.messages.shown().isEmpty());
    }

    void theMoveDialogShowsARefusalAndStays()
    {
        TestEnvironment env;
        QVERIFY(env.session.openBill(u"101"_s, fullBill()).ok());
        MoveGuestDialog dialog(env.services, u"101"_s, { u"103"_s, u"104"_s, u"105"_s, u"106"_s, u"107"_s });
        auto* rooms = Child<QListWidget>(&dialog, u"idleRoomList"_s);
        // Another desk put a guest into 103 meanwhile.
        QVERIFY(env.session.markGuestIn(u"103"_s).ok());
        rooms->setCurrentRow(0);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"103号房不是空房,不能换过去!"_s });
        QCOMPARE(rooms->count(), 4);
        QCOMPARE(dialog.result(), 0);
        savePictures(dialog, u"move-guest"_s);
        rooms->setCurrentRow(1);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(dialog.movedTo(), u"105"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(*env.session.bill(u"105"_s), fullBill());
    }

    // --- 换技师 -------------------------------------------------------------------------------

    void aTechnicianGivesHerPlaceToAnother()
    {
        TestEnvironment env;
        staffAndQueue(env);
        DeskSession& session = env.session;
        OpenBill bill = fullBill();
        bill.technicians.clear();
        QVERIFY(session.openBill(u"101"_s, bill).ok());
        QVERIFY(session.addTechnician(u"101"_s, line(u"01"_s)).ok());
        QVERIFY(session.addTechnician(u"101"_s, line(u"02"_s)).ok());
        QList<TechnicianLine> lines = session.bill(u"101"_s)->technicians;
        lines[1].massageClocks = 2;
        QVERIFY(session.replaceTechnicians(u"101"_s, lines).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s }));

        QVERIFY(session.replaceTechnician(u"101"_s, u"01"_s, u"04"_s, {}, false).ok());
        // 01 keeps her turn at the head; 04 leaves the queue for the working list.
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"03"_s, u"05"_s }));
        QCOMPARE(session.workingList().numbers(), (QStringList { u"02"_s, u"04"_s }));
        const OpenBill after = *session.bill(u"101"_s);
        QCOMPARE(after.technicians[1].number, u"04"_s);
        QCOMPARE(after.technicians[1].name, u"技师04"_s);
        QCOMPARE(after.technicians[1].massageClocks, 2);
        QVERIFY(!after.technicians[1].requested);
        QCOMPARE(after.items[0].technician, u"04"_s); // the line 01 served
        QCOMPARE(after.items[1].technician, u"02"_s);
        QCOMPARE(after.startTime, Start);
        QCOMPARE(logRows(env.database, LogKind::ReplaceTechnician, u"101号房技师01换成技师04(轮钟)"_s), 1);

        // A 点钟 taking the place keeps her turn (the house's rule is on).
        QVERIFY(session.replaceTechnician(u"101"_s, u"02"_s, u"05"_s, {}, true).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"03"_s, u"05"_s }));
        QCOMPARE(session.workingList().numbers(), (QStringList { u"04"_s, u"05"_s }));
        QVERIFY(session.bill(u"101"_s)->technicians[0].requested);
        QCOMPARE(session.nextTechnician(), u"02"_s);
        // … and when she goes, she stays where she stood.
        QVERIFY(session.replaceTechnician(u"101"_s, u"05"_s, u"03"_s, {}, false).ok());
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"05"_s }));
        QCOMPARE(session.workingList().numbers(), (QStringList { u"04"_s, u"03"_s }));
    }

    void aChangeOfTechnicianIsRefusedWhenItCannotBe()
    {
        TestEnvironment env;
        staffAndQueue(env);
        DeskSession& session = env.session;
        OpenBill bill = fullBill();
        bill.technicians.clear();
        QVERIFY(session.openBill(u"101"_s, bill).ok());
        QVERIFY(session.openBill(u"102"_s, bill).ok());
        QVERIFY(session.addTechnician(u"101"_s, line(u"01"_s)).ok());
        QVERIFY(session.addTechnician(u"102"_s, line(u"02"_s)).ok());
        const OpenBill before = *session.bill(u"101"_s);
        const QStringList idle = session.idleQueue().numbers();

        const struct
        {
            QString oldNumber;
            QString newNumber;
            QString refusal;
        } cases[] = {
            { u"01"_s, u"02"_s, u"技师02正在上钟,不能换上!"_s },
            { u"01"_s, u"99"_s, u"没有99号技师!"_s },
            { u"03"_s, u"04"_s, u"技师03不在101号房上钟!"_s },
        };
        for (const auto& refused : cases) {
            const Outcome<> outcome
                = session.replaceTechnician(u"101"_s, refused.oldNumber, refused.newNumber, {}, false);
            QVERIFY(outcome.isRefusal());
            QCOMPARE(outcome.text(), refused.refusal);
        }
        QCOMPARE(*session.bill(u"101"_s), before);
        QCOMPARE(session.idleQueue().numbers(), idle);
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { LogKind::ReplaceTechnician })
                .toInt(),
            0);
    }

    void theChangeDialogTakesTheNextOrANumber()
    {
        PageDesk desk;
        TestEnvironment& env = desk.env;
        staffAndQueue(env);
        DeskSession& session = env.session;
        OpenBill bill = fullBill();
        bill.technicians.clear();
        QVERIFY(session.openBill(u"101"_s, bill).ok());
        QVERIFY(session.addTechnician(u"101"_s, line(u"01"_s)).ok());
        QVERIFY(session.addTechnician(u"101"_s, line(u"03"_s, true)).ok());
        // 03 serves a 点钟 keeping her turn: the next of the queue is 02, then 04.
        QCOMPARE(session.nextTechnician(), u"02"_s);

        std::unique_ptr<QMenu> menu(desk.page.roomMenu(1));
        auto* change = Child<QAction>(menu.get(), u"changeTechnicianAction"_s);
        QCOMPARE(change->text(), u"换技师"_s);
        QVERIFY(change->isEnabled());
        QStringList olds;
        WhenDialogOpens<ChangeTechnicianDialog>([&olds](ChangeTechnicianDialog* dialog) {
            auto* oldBox = Child<QComboBox>(dialog, u"oldTechnicianBox"_s);
            for (int item = 0; item < oldBox->count(); ++item)
                olds << oldBox->itemText(item);
            oldBox->setCurrentIndex(1); // 01
            Click(dialog, u"nextButton"_s);
            QCOMPARE(Child<QComboBox>(dialog, u"newTechnicianBox"_s)->currentText(), u"02"_s);
            QVERIFY(!Child<QCheckBox>(dialog, u"requestedBox"_s)->isChecked());
            Click(dialog, u"okButton"_s);
        });
        change->trigger();
        QCOMPARE(olds, (QStringList { u"03 技师03"_s, u"01 技师01"_s }));
        QCOMPARE(desk.page.lampText(1), u"03 02 "_s);
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"01"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(env.speech.texts, (QStringList { u"请 02 号技师到 101 房上钟"_s }));

        // A number typed is a 点钟; one serving already is refused and the dialog stays.
        ChangeTechnicianDialog dialog(env.services, u"101"_s);
        auto* oldBox = Child<QComboBox>(&dialog, u"oldTechnicianBox"_s);
        auto* newBox = Child<QComboBox>(&dialog, u"newTechnicianBox"_s);
        oldBox->setCurrentIndex(oldBox->findData(u"02"_s));
        TypeText(newBox->lineEdit(), u"03"_s);
        QVERIFY(Child<QCheckBox>(&dialog, u"requestedBox"_s)->isChecked());
        Click(&dialog, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"技师03正在上钟,不能换上!"_s });
        QCOMPARE(dialog.result(), 0);
        savePictures(dialog, u"change-technician"_s);
        newBox->setEditText({});
        TypeText(newBox->lineEdit(), u"05"_s);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(desk.page.lampText(1), u"03 05 "_s);
        QCOMPARE(desk.page.room(1)->lamp()->toolTip().section(u'\n', 0, 0), u"03(点) 05(点)"_s);
        // 05 keeps her place; 02 is back at the head.
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(session.offeredTechnicians(), (QStringList { u"02"_s, u"01"_s, u"04"_s }));
    }

    // --- a crash in the middle of a move --------------------------------------------------------

    void aDeskKilledWhileMovingAGuestLeavesHimInExactlyOneRoom()
    {
        DeskFixture desk(Start.addSecs(300));
        QVERIFY(desk.start());
        desk.kill();

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), { u"--child"_s, desk.folder() });
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains(MovingLine.toUtf8()) && child.waitForReadyRead(60000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains(MovingLine.toUtf8()), output.constData());
        QTest::qWait(300); // a few hundred moves more
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QVERIFY(desk.start());
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        const DeskSession& session = desk.session();
        const bool in101 = session.roomState(u"101"_s) == RoomState::InService;
        const bool in102 = session.roomState(u"102"_s) == RoomState::InService;
        QVERIFY(in101 != in102);
        QCOMPARE(session.bills().size(), 1);
        QVERIFY(session.guestInRooms().isEmpty());
        QCOMPARE(*session.bill(in101 ? u"101"_s : u"102"_s), fullBill());
        // Every move stored is logged, and only those: an odd count leaves him in 102.
        const int moves = desk.database()
                              .scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { LogKind::MoveGuest })
                              .toInt();
        QVERIFY(moves >= 1);
        QCOMPARE(in102, moves % 2 == 1);
        RoomPage* page = desk.window().roomPages().first();
        QCOMPARE(page->lampText(in101 ? 1 : 2), u"02 01 "_s);
        QCOMPARE(page->lampText(in101 ? 2 : 1), u"空闲"_s);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        QApplication application(argc, argv);
        return runChild(QString::fromLocal8Bit(argv[2]));
    }
    QApplication application(argc, argv);
    RoomMovesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_roommoves.moc"
