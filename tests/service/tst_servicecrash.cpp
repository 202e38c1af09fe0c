#include "app/Database.h"
#include "app/RowListView.h"
#include "desk/DeskSession.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "schedule/TechnicianStatusDialog.h"
#include "service/CheckoutDialog.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceSettings.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/WidgetDriver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

// The desk is killed with SIGKILL in the middle of a service, with the room service dialog or
// checkout still open, and started again on the same data folder: the board, the open bills
// and both queues are as they were after the last completed action.
//
// The test runs itself a second time as the desk that is killed:
//     tst_servicecrash --child <data folder> <count|release>

namespace {

const QDateTime Morning(QDate(2026, 12, 7), QTime(10, 0));
const QString ReadyLine = u"desk ready"_s;

[[noreturn]] void ReadyToDie()
{
    std::printf("%s\n", qPrintable(ReadyLine));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1)); // until the parent kills us
}

// The killed desk: room 102 goes into service with 01 and 02 through the lamp and the room
// service dialog; then the lamp is clicked again and, with the dialog (or checkout) still
// open, a count is chosen or a technician is released, and the desk waits for its end.
int runChild(const QString& folder, const QString& scenario)
{
    DeskFixture desk(Morning); // its own folder stays unused
    if (!desk.startIn(folder))
        return 2;
    ScriptedMessageService& messages = desk.messages;
    ManualClock& clock = desk.clock;
    for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }) {
        if (!desk.session().queueTechnician(RotaShift::Early, number))
            return 3;
    }
    RoomLamp* lamp = desk.window().roomPages().first()->room(2)->lamp();

    WhenDialogOpens<RoomServiceDialog>([](RoomServiceDialog* room) {
        Child<QRadioButton>(room, u"radioInService"_s)->click();
        Choose(Child<QComboBox>(room, u"technicianBox"_s), u"01"_s);
        Click(room, u"buttonAddTechnician"_s);
        Click(room, u"buttonAddTechnician"_s); // 02, the next in the queue
        Choose(Child<QComboBox>(room, u"massageBox"_s), u"1"_s);
        Click(room, u"buttonOk"_s);
    });
    QTest::mouseClick(lamp, Qt::LeftButton);
    if (lamp->text() != u"02 01 "_s)
        return 4;

    clock.set(Morning.addSecs(40 * 60));
    WhenDialogOpens<RoomServiceDialog>([&](RoomServiceDialog* room) {
        // Goods and a typed count wait for "确定", which never comes.
        Choose(Child<QComboBox>(room, u"goodsBox"_s), u"啤酒"_s);
        Choose(Child<QComboBox>(room, u"quantityBox"_s), u"2"_s);
        Click(room, u"buttonAddGoods"_s);
        Child<QComboBox>(room, u"footWashBox"_s)->setEditText(u"7"_s);
        if (scenario == u"count"_s) {
            Choose(Child<QComboBox>(room, u"massageBox"_s), u"3"_s);
            if (messages.shown().isEmpty())
                ReadyToDie();
            std::exit(5);
        }
        WhenDialogOpens<CheckoutDialog>([&](CheckoutDialog* checkout) {
            auto* technicians = Child<LineListView>(checkout, u"technicianList"_s);
            ClickLine(technicians, 0); // 01
            TypeInto(Child<QLineEdit>(checkout, u"massageTimeEdit"_s), u"4"_s);
            ClickLine(technicians, 1); // 02
            Click(checkout, u"buttonRelease"_s);
            if (messages.texts() == QStringList { CheckoutDialog::ReleaseQuestion })
                ReadyToDie();
            std::exit(6);
        });
        Click(room, u"buttonCheckout"_s);
    });
    QTest::mouseClick(lamp, Qt::LeftButton);
    return 7;
}

} // namespace

class ServiceCrashTest : public QObject
{
    Q_OBJECT

private:
    // Prepares the folder, runs the child desk until it is ready, kills it and starts the desk
    // again on the folder.
    static bool killInTheMiddle(DeskFixture& desk, const QString& scenario)
    {
        const bool prepared = desk.start([](Database& database) {
            for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s })
                database.exec(
                    u"INSERT INTO worksinfo (str1, str2, str9, restday, workstatus) VALUES (?, ?, '技师', 100, 0)"_s,
                    { number, QString(u"技师"_s + number) });
            database.exec(
                u"INSERT INTO kucheninfo (str1, str2, str4, str5, str6) VALUES ('G1', '啤酒', '瓶', '5.5', '15')"_s);
        });
        if (!prepared)
            return false;
        desk.kill();

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), { u"--child"_s, desk.folder(), scenario });
        if (!child.waitForStarted())
            return false;
        QByteArray output;
        while (!output.contains(ReadyLine.toUtf8()) && child.waitForReadyRead(60000))
            output += child.readAllStandardOutput();
        if (!output.contains(ReadyLine.toUtf8())) {
            qWarning("the child desk did not get ready: exit %d, %s", child.exitCode(), output.constData());
            return false;
        }
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        if (!child.waitForFinished() || child.exitStatus() != QProcess::CrashExit)
            return false;
        return desk.start();
    }

    static QStringList numbers(const QList<TechnicianLine>& lines)
    {
        QStringList shown;
        for (const TechnicianLine& line : lines)
            shown.append(line.released ? u'*' + line.number : line.number);
        return shown;
    }

private slots:
    void killedAfterACountWasChosen()
    {
        DeskFixture desk(Morning.addSecs(3600));
        QVERIFY(killInTheMiddle(desk, u"count"_s));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));

        const OpenBill bill = *desk.session().bill(u"102"_s);
        QCOMPARE(bill.startTime, Morning);
        QCOMPARE(bill.massageClocks, 3); // chosen from the box: stored at once
        QCOMPARE(bill.footWashClocks, 0); // typed: lost with the dialog
        QVERIFY(bill.goods.isEmpty()); // added without "确定": lost with the dialog
        QCOMPARE(numbers(bill.technicians), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(desk.session().idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(desk.session().workingList().numbers(), (QStringList { u"01"_s, u"02"_s }));
        QCOMPARE(desk.window().roomPages().first()->lampText(2), u"02 01 "_s);
        QCOMPARE(desk.window().roomPages().first()->lampText(1), u"空闲"_s);

        // The room opens again as it was left.
        WhenDialogOpens<RoomServiceDialog>([](RoomServiceDialog* room) {
            QCOMPARE(Child<QComboBox>(room, u"massageBox"_s)->currentText(), u"3"_s);
            QCOMPARE(Cells(Child<LineListView>(room, u"technicianList"_s), 0), (QStringList { u"01"_s, u"02"_s }));
            room->reject();
        });
        QTest::mouseClick(desk.window().roomPages().first()->room(2)->lamp(), Qt::LeftButton);
    }

    void killedAfterATechnicianWasReleased()
    {
        DeskFixture desk(Morning.addSecs(3600));
        QVERIFY(killInTheMiddle(desk, u"release"_s));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));

        // Checkout's lines were stored with the release: 01 on top with the clocks entered.
        const OpenBill bill = *desk.session().bill(u"102"_s);
        QCOMPARE(numbers(bill.technicians), (QStringList { u"01"_s, u"*02"_s }));
        QCOMPARE(bill.technicians.first().massageClocks, 4);
        QCOMPARE(bill.massageClocks, 1);
        QVERIFY(bill.goods.isEmpty());
        QCOMPARE(desk.session().idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s }));
        QCOMPARE(desk.session().workingList().numbers(), QStringList { u"01"_s });
        QCOMPARE(desk.window().roomPages().first()->lampText(2), u"01 *02 "_s);
        QCOMPARE(desk.database().scalar(u"SELECT count(*) FROM Receiptform"_s).toInt(), 0);

        TechnicianStatusDialog board(desk.application().services());
        QCOMPARE(
            Column(Child<RowListView>(&board, u"idleList"_s), 0), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s }));
        QCOMPARE(Column(Child<RowListView>(&board, u"workingList"_s), 0), QStringList { u"01"_s });
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    ServiceCrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_servicecrash.moc"
