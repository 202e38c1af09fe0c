#include "app/SettingFile.h"
#include "desk/ClockSettings.h"
#include "desk/ServiceClock.h"
#include "rooms/ClockAlertBar.h"
#include "rooms/ClockWatch.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "rooms/RoomState.h"
#include "service/RoomServiceDialog.h"
#include "service/ServicePricesDialog.h"
#include "service/ServiceTestData.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ClockAlert)

namespace {

const QString Room = u"102"_s;

// Writes the clock settings as the prices dialog would.
void WriteClockSettings(SettingPlace& place, const ClockSettings& settings)
{
    ScriptedMessageService messages;
    if (!settings.write(place, messages))
        qFatal("cannot write the clock settings");
}

std::unique_ptr<RoomServiceDialog> OpenDialog(TestEnvironment& env, const QString& room = Room)
{
    return std::make_unique<RoomServiceDialog>(
        env.services, RoomStates::requestForLamp(env.session, room, RoomStates::lampText(env.session, room)));
}

// Sets the clock `seconds` after the opening and lets the watch look.
void At(TestEnvironment& env, ClockWatch& watch, qint64 seconds)
{
    env.clock.set(Opening.addSecs(seconds));
    watch.refresh();
}

} // namespace

// The clocks of the rooms in service: the minutes on the lamps, the warning near the end of
// the booked clocks and the alarm after it with its one sound, "加钟", the line of rooms due
// under the tabs, and the clock settings beside the prices.
class ClocksTest : public QObject
{
    Q_OBJECT

private slots:
    // --- the rule -------------------------------------------------------------------------------

    void aReadingAtEachMoment_data()
    {
        QTest::addColumn<int>("massage");
        QTest::addColumn<int>("footWash");
        QTest::addColumn<int>("massageMinutes");
        QTest::addColumn<int>("footWashMinutes");
        QTest::addColumn<int>("alertMinutes");
        QTest::addColumn<int>("secondsSinceStart");
        QTest::addColumn<int>("minutesInService");
        QTest::addColumn<int>("bookedMinutes");
        QTest::addColumn<ClockAlert>("alert");

        QTest::newRow("nothing booked runs on") << 0 << 0 << 60 << 60 << 5 << 7200 << 120 << 0 << ClockAlert::Normal;
        QTest::newRow("just started") << 1 << 0 << 60 << 60 << 5 << 59 << 0 << 60 << ClockAlert::Normal;
        QTest::newRow("one minute") << 1 << 0 << 60 << 60 << 5 << 60 << 1 << 60 << ClockAlert::Normal;
        QTest::newRow("a second before the warning")
            << 1 << 0 << 60 << 60 << 5 << 54 * 60 + 59 << 54 << 60 << ClockAlert::Normal;
        QTest::newRow("five minutes before the end")
            << 1 << 0 << 60 << 60 << 5 << 55 * 60 << 55 << 60 << ClockAlert::Warning;
        QTest::newRow("a second before the end") << 1 << 0 << 60 << 60 << 5 << 3599 << 59 << 60 << ClockAlert::Warning;
        QTest::newRow("the end") << 1 << 0 << 60 << 60 << 5 << 3600 << 60 << 60 << ClockAlert::Due;
        QTest::newRow("long after the end") << 1 << 0 << 60 << 60 << 5 << 9000 << 150 << 60 << ClockAlert::Due;
        QTest::newRow("three clocks") << 3 << 0 << 60 << 60 << 5 << 3600 << 60 << 180 << ClockAlert::Normal;
        QTest::newRow("the longer foot-wash counts")
            << 1 << 2 << 60 << 45 << 5 << 3600 << 60 << 90 << ClockAlert::Normal;
        QTest::newRow("the longer massage counts")
            << 2 << 2 << 40 << 30 << 10 << 70 * 60 << 70 << 80 << ClockAlert::Warning;
        QTest::newRow("no warning with 0 minutes") << 1 << 0 << 60 << 60 << 0 << 3599 << 59 << 60 << ClockAlert::Normal;
        QTest::newRow("a start ahead of the clock") << 1 << 0 << 60 << 60 << 5 << -300 << 0 << 60 << ClockAlert::Normal;
    }

    void aReadingAtEachMoment()
    {
        QFETCH(int, massage);
        QFETCH(int, footWash);
        QFETCH(int, massageMinutes);
        QFETCH(int, footWashMinutes);
        QFETCH(int, alertMinutes);
        QFETCH(int, secondsSinceStart);
        QFETCH(int, minutesInService);
        QFETCH(int, bookedMinutes);
        QFETCH(ClockAlert, alert);

        const ClockSettings settings { massageMinutes, footWashMinutes, alertMinutes };
        const ServiceClockReading reading
            = ReadServiceClock(Opening, massage, footWash, settings, Opening.addSecs(secondsSinceStart));
        QCOMPARE(reading.minutesInService, minutesInService);
        QCOMPARE(reading.bookedMinutes, qint64(bookedMinutes));
        QCOMPARE(reading.alert, alert);
        QCOMPARE(reading.end, bookedMinutes ? Opening.addSecs(bookedMinutes * 60) : QDateTime());
        QCOMPARE(ServiceMinutesText(reading), u"%1分钟"_s.arg(minutesInService));
    }

    // --- the settings file ----------------------------------------------------------------------

    void theSettingsFile_data() { AddSettingPlaceRows(); }

    void theSettingsFile()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        SettingPlace& place = env.settings;
        const QString file = ClockSettings::FileName.toString();
        // A desk from before the setting has no file: the defaults, without a word.
        QVERIFY(!place.holds(file));
        QCOMPARE(ClockSettings::read(place), (ClockSettings { 60, 60, 5 }));

        QVERIFY((ClockSettings { 45, 30, 10 }.write(place, env.messages)));
        QCOMPARE(SettingBytes(place, file), PackInt32List({ 45, 30, 10 }));
        QCOMPARE(ClockSettings::read(place), (ClockSettings { 45, 30, 10 }));

        // A value out of range falls back on its own; a short file gives the defaults.
        QVERIFY(place.write(file, PackInt32List({ 45, 0, 99 }), env.messages));
        QCOMPARE(ClockSettings::read(place), (ClockSettings { 45, 60, 5 }));
        QVERIFY(place.write(file, PackInt32List({ 45 }), env.messages));
        QCOMPARE(ClockSettings::read(place), ClockSettings {});
        QVERIFY(env.messages.shown().isEmpty());
        // The files stay in the folder only where the settings are files.
        QCOMPARE(QFile::exists(file), kept == int(TestEnvironment::Settings::InFolder) && !env.server());
    }

    void settingsThatAreRefused_data()
    {
        QTest::addColumn<int>("massage");
        QTest::addColumn<int>("footWash");
        QTest::addColumn<int>("alert");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("the defaults") << 60 << 60 << 5 << QString();
        QTest::newRow("the shortest and longest") << 1 << 600 << 60 << QString();
        QTest::newRow("no alert") << 60 << 60 << 0 << QString();
        QTest::newRow("massage 0") << 0 << 60 << 5 << u"按摩每钟分钟数请输入1-600之间的整数!"_s;
        QTest::newRow("foot-wash 601") << 60 << 601 << 5 << u"洗脚每钟分钟数请输入1-600之间的整数!"_s;
        QTest::newRow("alert below 0") << 60 << 60 << -1 << u"到钟提醒分钟数请输入0-60之间的整数!"_s;
        QTest::newRow("alert 61") << 60 << 60 << 61 << u"到钟提醒分钟数请输入0-60之间的整数!"_s;
    }

    void settingsThatAreRefused()
    {
        QFETCH(int, massage);
        QFETCH(int, footWash);
        QFETCH(int, alert);
        QFETCH(QString, refusal);
        QCOMPARE(ClockSettingsRefusal({ massage, footWash, alert }), refusal);
    }

    // The prices dialog shows and keeps the clock settings beside the prices; sys.nnf keeps its
    // five doubles.
    void thePricesDialogKeepsTheClockSettings_data() { AddSettingPlaceRows(); }

    void thePricesDialogKeepsTheClockSettings()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        const QByteArray prices = SettingBytes(env.settings, ServiceSettings::FileName.toString());
        QCOMPARE(prices.size(), ServiceSettings::FileSize);
        {
            ServicePricesDialog dialog(env.services);
            QCOMPARE(Child<QLineEdit>(&dialog, u"massageMinutesEdit"_s)->text(), u"60"_s);
            QCOMPARE(Child<QLineEdit>(&dialog, u"footWashMinutesEdit"_s)->text(), u"60"_s);
            QCOMPARE(Child<QLineEdit>(&dialog, u"alertMinutesEdit"_s)->text(), u"5"_s);
            TypeInto(Child<QLineEdit>(&dialog, u"massageMinutesEdit"_s), u"0"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(env.messages.texts(), QStringList { u"按摩每钟分钟数请输入1-600之间的整数!"_s });
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!env.settings.holds(ClockSettings::FileName.toString()));

            TypeInto(Child<QLineEdit>(&dialog, u"massageMinutesEdit"_s), u"45"_s);
            TypeInto(Child<QLineEdit>(&dialog, u"footWashMinutesEdit"_s), u"40分钟"_s);
            TypeInto(Child<QLineEdit>(&dialog, u"alertMinutesEdit"_s), u"10"_s);
            SavePicture(&dialog, u"prices-with-clocks.png"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(ClockSettings::read(env.settings), (ClockSettings { 45, 40, 10 }));
        QCOMPARE(SettingBytes(env.settings, ServiceSettings::FileName.toString()), prices);

        ServicePricesDialog reopened(env.services);
        QCOMPARE(Child<QLineEdit>(&reopened, u"footWashMinutesEdit"_s)->text(), u"40"_s);
        TypeInto(Child<QLineEdit>(&reopened, u"alertMinutesEdit"_s), u"3"_s);
        Click(&reopened, u"cancelButton"_s);
        QCOMPARE(ClockSettings::read(env.settings).alertMinutes, 10);
    }

    // --- the watch and the lamps ----------------------------------------------------------------

    // A room booked for one clock of 60 minutes: its lamp counts the minutes, turns amber five
    // minutes before the end and red at the end, with one sound; staying due makes no second.
    void theLampWarnsThenAlarmsOnce()
    {
        TestEnvironment env;
        PrepareHouse(env);
        WriteRoomGroup(env.settings, 0, 101);
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        RoomPage page(0, board, env.services);
        ClockWatch watch(env.session, env.clock, env.sound, env.settings);
        page.setClockWatch(&watch);
        QSignalSpy due(&watch, &ClockWatch::dueRoomsChanged);
        RoomLamp* lamp = page.room(2)->lamp();
        QCOMPARE(lamp->minutesText(), QString()); // idle

        OpenRoom(env, Room, { u"01"_s }, 1);
        QCOMPARE(lamp->minutesText(), u"0分钟"_s); // at once, with the bill
        QCOMPARE(lamp->alert(), ClockAlert::Normal);
        QCOMPARE(lamp->toolTip(), u"01(轮)\n已上钟0分钟, 11:00:00到钟"_s);

        At(env, watch, 61);
        QCOMPARE(lamp->minutesText(), u"1分钟"_s);
        At(env, watch, 54 * 60 + 59);
        QCOMPARE(lamp->alert(), ClockAlert::Normal);
        At(env, watch, 55 * 60);
        QCOMPARE(lamp->minutesText(), u"55分钟"_s);
        QCOMPARE(lamp->alert(), ClockAlert::Warning);
        QCOMPARE(env.sound.count, 0);
        QCOMPARE(due.count(), 0);

        At(env, watch, 3600);
        QCOMPARE(lamp->alert(), ClockAlert::Due);
        QCOMPARE(lamp->toolTip(), u"01(轮)\n已上钟60分钟, 已到钟"_s);
        QCOMPARE(env.sound.count, 1);
        QCOMPARE(watch.dueRooms(), QStringList { Room });
        QCOMPARE(due.count(), 1);
        for (int later : { 3601, 3630, 4000, 7200 })
            At(env, watch, later);
        QCOMPARE(env.sound.count, 1);
        QCOMPARE(due.count(), 1);
        QCOMPARE(lamp->minutesText(), u"120分钟"_s);

        // Settled: the lamp goes dark without minutes, and nothing is due.
        QVERIFY(env.session.closeRoom(Room).ok());
        QCOMPARE(lamp->minutesText(), QString());
        QCOMPARE(lamp->alert(), ClockAlert::Normal);
        QVERIFY(watch.dueRooms().isEmpty());
        QVERIFY(!watch.reading(Room));
    }

    // Two rooms due at different moments each sound once, and the line lists the one due
    // longest first; a room served without booked clocks never alarms.
    void eachRoomSoundsOnceForItsAlert()
    {
        TestEnvironment env;
        PrepareHouse(env);
        ClockWatch watch(env.session, env.clock, env.sound, env.settings);
        OpenRoom(env, u"101"_s, { u"01"_s }, 1);
        At(env, watch, 600);
        OpenRoom(env, u"103"_s, { u"02"_s }, 1); // ten minutes later
        OpenRoom(env, u"105"_s, { u"03"_s }); // no clock booked
        At(env, watch, 3600);
        QCOMPARE(watch.dueRooms(), QStringList { u"101"_s });
        QCOMPARE(env.sound.count, 1);
        At(env, watch, 4200);
        QCOMPARE(watch.dueRooms(), (QStringList { u"101"_s, u"103"_s }));
        QCOMPARE(env.sound.count, 2);
        At(env, watch, 20000);
        QCOMPARE(env.sound.count, 2);
        QCOMPARE(watch.reading(u"105"_s)->alert, ClockAlert::Normal);
    }

    // The clock settings reach the board at its next look.
    void theBoardFollowsTheClockSettings()
    {
        TestEnvironment env;
        PrepareHouse(env);
        ClockWatch watch(env.session, env.clock, env.sound, env.settings);
        OpenRoom(env, Room, { u"01"_s }, 1);
        At(env, watch, 40 * 60);
        QCOMPARE(watch.reading(Room)->alert, ClockAlert::Normal);
        WriteClockSettings(env.settings, { 45, 60, 5 });
        watch.refresh();
        QCOMPARE(watch.reading(Room)->alert, ClockAlert::Warning);
        QCOMPARE(watch.reading(Room)->end, Opening.addSecs(45 * 60));
    }

    // --- "加钟" ----------------------------------------------------------------------------------

    // One click: the massage count of the bill goes up by one at once, as a count chosen from
    // the box, and the room's end moves by one clock; a room that was due is not any more.
    void addingAClockRaisesTheCountAndMovesTheEnd()
    {
        TestEnvironment env;
        PrepareHouse(env);
        ClockWatch watch(env.session, env.clock, env.sound, env.settings);
        OpenRoom(env, Room, { u"01"_s }, 1);
        At(env, watch, 3700);
        QCOMPARE(watch.dueRooms(), QStringList { Room });
        QCOMPARE(env.sound.count, 1);
        {
            auto dialog = OpenDialog(env);
            Click(dialog.get(), u"buttonAddClock"_s);
            QCOMPARE(Child<QComboBox>(dialog.get(), u"massageBox"_s)->currentText(), u"2"_s);
            QCOMPARE(env.session.bill(Room)->massageClocks, 2);
            QCOMPARE(watch.reading(Room)->end, Opening.addSecs(2 * 3600));
            QVERIFY(watch.dueRooms().isEmpty());
            dialog->reject(); // Esc keeps what was stored at once
        }
        QCOMPARE(env.session.bill(Room)->massageClocks, 2);
        At(env, watch, 2 * 3600);
        QCOMPARE(env.sound.count, 2); // the new end is a new alert
        QVERIFY(env.messages.shown().isEmpty());
    }

    // A room going into service for the first time has no bill until "确定": the clock added
    // waits in the box, as a chosen count does.
    void aClockAddedToANewServiceWaitsForOk()
    {
        TestEnvironment env;
        PrepareHouse(env);
        auto dialog = OpenDialog(env, u"106"_s);
        Click(dialog.get(), u"radioInService"_s);
        Click(dialog.get(), u"buttonAddClock"_s);
        Click(dialog.get(), u"buttonAddClock"_s);
        QCOMPARE(Child<QComboBox>(dialog.get(), u"massageBox"_s)->currentText(), u"2"_s);
        QVERIFY(!env.session.bill(u"106"_s));
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(env.session.bill(u"106"_s)->massageClocks, 2);
        SavePicture(dialog.get(), u"roomservice-add-clock.png"_s);
    }

    // --- the line under the tabs ----------------------------------------------------------------

    // The rooms due take the hint's line; a click on one opens that room's dialog on its page.
    void theLineOfRoomsDueOpensTheRoom()
    {
        DeskFixture desk(Opening);
        QVERIFY(desk.start([](Database& database) {
            const std::unique_ptr<SettingPlace> place = MakeSettingPlace(database);
            WriteGroupCount(*place, 2);
            WriteRoomGroup(*place, 1, 201);
        }));
        MainWindow& window = desk.window();
        QVERIFY(ShowOnScreen(window));
        for (const QString& number : { u"01"_s, u"02"_s })
            QVERIFY(desk.session().queueTechnician(RotaShift::Early, number).ok());
        OpenBill first;
        first.startTime = Opening;
        first.massageClocks = 1;
        QVERIFY(desk.session().openBill(u"105"_s, first).ok());
        QLabel* hint = Child<QLabel>(&window, u"roomHint"_s);
        ClockAlertBar& line = window.clockAlertBar();
        QVERIFY(line.isHidden());
        QVERIFY(!hint->isHidden());

        desk.clock.set(Opening.addSecs(3600));
        window.clockWatch().refresh();
        QCOMPARE(line.rooms(), QStringList { u"105"_s });
        QCOMPARE(Child<QToolButton>(&line, u"dueRoom105"_s)->text(), u"105号房 已到钟"_s);
        QVERIFY(!line.isHidden());
        QVERIFY(hint->isHidden());
        QCOMPARE(desk.sound.count, 1);

        // The second page is shown; the click brings the room's page back and opens it.
        auto* tabs = Child<QTabWidget>(&window, u"roomTabs"_s);
        tabs->setCurrentIndex(1);
        QString opened;
        WhenDialogOpens<RoomServiceDialog>([&opened](RoomServiceDialog* dialog) {
            opened = dialog->windowTitle();
            dialog->reject();
        });
        Click(&line, u"dueRoom105"_s);
        QCOMPARE(opened, u"105号房的服务状态"_s);
        QCOMPARE(tabs->currentIndex(), 0);

        // Many rooms due: those that do not fit are counted at the end of the line.
        for (int room = 106; room <= 130; ++room)
            QVERIFY(desk.session().openBill(QString::number(room), first).ok());
        window.clockWatch().refresh();
        QCOMPARE(line.rooms().size(), 26);
        QVERIFY(line.shownRooms().size() < 26);
        QVERIFY(!line.shownRooms().isEmpty());
        auto* more = Child<QLabel>(&line, u"clockAlertMore"_s);
        QVERIFY(!more->isHidden());
        QCOMPARE(more->text(), u"等共26间"_s);
        QVERIFY(more->geometry().right() <= line.width());
        QCOMPARE(desk.sound.count, 26);
        QVERIFY(window.grab().save(TestOutputPath(u"board-rooms-due.png"_s)));
    }
};

QTEST_MAIN(ClocksTest)
#include "tst_clocks.moc"
