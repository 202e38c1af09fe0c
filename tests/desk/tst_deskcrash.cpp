#include "app/Database.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "desk/DeskSession.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "schedule/RotaDialog.h"
#include "schedule/TechnicianStatusDialog.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;

// A crash or a power cut in the middle of the day: the desk is killed with SIGKILL after a few
// actions and started again on the same data folder. Everything the desk had completed is
// back: the lamps, the open bills, both queues and the day's rota.
//
// The test runs itself a second time as the desk that is killed:
//     tst_deskcrash --child <data folder>

namespace {

const QDateTime Morning(QDate(2026, 12, 7), QTime(10, 0));
const QString ReadyLine = u"desk ready"_s;

OpenBill billWith(const QStringList& numbers)
{
    OpenBill bill;
    bill.startTime = Morning;
    for (const QString& number : numbers)
        bill.technicians.append({ number, u"技师"_s + number, 0, 0, false });
    return bill;
}

// Selects the duty table row of `number` and presses the rota button `button`.
void pressForTechnician(RotaDialog& rota, const QString& number, const QString& button)
{
    auto* duty = Child<RowListView>(&rota, u"dutyTable"_s);
    duty->selectRow(static_cast<int>(Column(duty, 0).indexOf(number)));
    Click(&rota, button);
}

// The killed desk: drives rooms into guest-in and service and queues technicians through the
// real session and windows, says so, and waits for its end.
int runChild(const QString& folder)
{
    ScriptedMessageService messages;
    ManualClock clock(Morning);
    PdfPrinterChooser printers(folder + u"/print"_s);
    RecordingDesktopLauncher launcher;
    ScriptedFileChooser files;
    CountingAlertSound sound;
    RecordingSpeech speech;
    DeskApplication desk({ messages, clock, printers, launcher, files, sound, speech });
    if (!desk.start(folder))
        return 2;
    DeskSession& session = desk.session();
    bool allDone = true;
    const auto done = [&allDone](const Outcome<>& outcome) { allDone = allDone && outcome.ok(); };

    // The morning's rota: everyone came in and is queued first come, first served.
    {
        RotaDialog rota(desk.services());
        for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }) {
            pressForTechnician(rota, number, u"buttonPresent"_s);
            pressForTechnician(rota, number, u"buttonQueue"_s);
        }
    }

    // Guests arrive; the lamps are clicked and the room service dialog answers.
    RoomPage* page = desk.mainWindow().roomPages().first();
    RoomServiceOutcome outcome;
    page->setRoomServiceOpener([&outcome](const RoomServiceRequest&) { return outcome; });
    outcome.accepted = true;
    QTest::mouseClick(page->room(1)->lamp(), Qt::LeftButton); // 101: a guest
    QTest::mouseClick(page->room(3)->lamp(), Qt::LeftButton); // 103: a guest who will be served

    // 102 goes into service with 01 and 02, taken from the queue by "添加".
    for (const QString& number : { u"01"_s, u"02"_s })
        done(session.moveToWorking(number));
    outcome.inService = true;
    outcome.bill = billWith({ u"02"_s, u"01"_s });
    outcome.bill.massageClocks = 2;
    outcome.bill.goods = { { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } };
    QTest::mouseClick(page->room(2)->lamp(), Qt::LeftButton);
    done(session.addTechnician(u"102"_s, { u"03"_s, u"技师03"_s, 0, 0, false }));
    done(session.setCount(u"102"_s, BillCount::FootWash, 1));
    done(session.releaseTechnician(u"102"_s, u"01"_s)); // 下钟: 01 queues again at the tail

    // 103 goes into service with 04.
    done(session.moveToWorking(u"04"_s));
    outcome.bill = billWith({ u"04"_s });
    QTest::mouseClick(page->room(3)->lamp(), Qt::LeftButton);

    if (!allDone || !messages.shown().isEmpty())
        return 3;
    std::printf("%s\n", qPrintable(ReadyLine));
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1)); // until the parent kills us
}

} // namespace

class DeskCrashTest : public QObject
{
    Q_OBJECT

private slots:
    void aKilledDeskComesBackAsItWas()
    {
        DeskFixture desk(Morning.addSecs(300));
        QVERIFY(desk.start([](Database& database) {
            for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s })
                database.exec(
                    u"INSERT INTO worksinfo (str1, str2, str9, restday, workstatus) VALUES (?, ?, '技师', 100, 0)"_s,
                    { number, QString(u"技师"_s + number) });
        }));
        desk.kill();

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), { u"--child"_s, desk.folder() });
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains(ReadyLine.toUtf8()) && child.waitForReadyRead(60000))
            output += child.readAllStandardOutput();
        QVERIFY2(output.contains(ReadyLine.toUtf8()), output.constData());
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QVERIFY(desk.start());
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        const DeskSession& session = desk.session();

        // The lamps.
        RoomPage* page = desk.window().roomPages().first();
        QCOMPARE(page->lampText(1), u"入客"_s);
        QCOMPARE(page->lampText(2), u"03 02 *01 "_s);
        QCOMPARE(page->lampText(3), u"04 "_s);
        QCOMPARE(page->lampText(4), u"空闲"_s);
        QVERIFY(page->room(1)->lamp()->isLit() && page->room(2)->lamp()->isLit() && page->room(3)->lamp()->isLit());

        // The bills, line by line.
        const OpenBill bill = *session.bill(u"102"_s);
        QCOMPARE(bill.startTime, Morning);
        QCOMPARE(bill.massageClocks, 2);
        QCOMPARE(bill.footWashClocks, 1);
        QCOMPARE(bill.technicians.size(), 3);
        QCOMPARE(bill.technicians[2].number, u"01"_s);
        QVERIFY(bill.technicians[2].released);
        QCOMPARE(bill.goods, (QList<GoodsLine> { { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } }));
        QCOMPARE(session.bill(u"103"_s)->technicians.size(), 1);
        QCOMPARE(session.roomState(u"101"_s), RoomState::GuestIn);

        // Both queues and the day's rota.
        QCOMPARE(session.idleQueue().numbers(), (QStringList { u"05"_s, u"01"_s }));
        QCOMPARE(session.workingList().numbers(), (QStringList { u"02"_s, u"03"_s, u"04"_s }));
        QCOMPARE(session.attendanceList(), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(session.rota(RotaShift::Early), (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));

        // … as the windows show them.
        TechnicianStatusDialog board(desk.application().services());
        QCOMPARE(Column(Child<RowListView>(&board, u"idleList"_s), 0), (QStringList { u"05"_s, u"01"_s }));
        QCOMPARE(Column(Child<RowListView>(&board, u"workingList"_s), 0), (QStringList { u"02"_s, u"03"_s, u"04"_s }));
        RotaDialog rota(desk.application().services());
        QCOMPARE(Column(Child<RowListView>(&rota, u"queueList"_s), 1),
            (QStringList { u"01"_s, u"02"_s, u"03"_s, u"04"_s, u"05"_s }));
        QCOMPARE(Column(Child<RowListView>(&rota, u"dutyTable"_s), 3), QStringList(5, u"出勤"_s));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0) {
        QApplication application(argc, argv);
        return runChild(QString::fromLocal8Bit(argv[2]));
    }
    QApplication application(argc, argv);
    DeskCrashTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_deskcrash.moc"
