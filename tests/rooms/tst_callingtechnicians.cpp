#include "app/Database.h"
#include "app/HouseSettings.h"
#include "rooms/Announcements.h"
#include "rooms/ClockWatch.h"
#include "rooms/RoomState.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServicePricesDialog.h"
#include "service/ServiceTestData.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/OtherDesk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"208"_s;

std::unique_ptr<RoomServiceDialog> Open(TestEnvironment& env, const QString& room = Room)
{
    return OpenRoomService(env, room);
}

// Chooses a technician in the box and presses "添加".
void AddTechnician(QWidget* dialog, const QString& number)
{
    Choose(Child<QComboBox>(dialog, u"technicianBox"_s), number);
    Click(dialog, u"buttonAddTechnician"_s);
}

// Sets the clock `seconds` after the opening and lets the watch look.
void At(TestEnvironment& env, ClockWatch& watch, qint64 seconds)
{
    env.clock.set(Opening.addSecs(seconds));
    watch.refresh();
}

void Silence(TestEnvironment& env, QStringView announcement)
{
    if (const QString error = HouseSettings::set(env.database, announcement, true); !error.isEmpty())
        qFatal("cannot silence: %s", qPrintable(error));
}

int LogRows(TestEnvironment& env, const QString& description)
{
    return env.database.scalar(u"SELECT count(*) FROM operator_log WHERE description=?"_s, { description }).toInt();
}

} // namespace

// The desk calls the technicians it puts into a room aloud, and says which room is due with
// the bell: the texts handed to the voice, the house's two switches that silence them, and a
// desk without a voice.
class CallingTechniciansTest : public QObject
{
    Q_OBJECT

private slots:
    void theTexts()
    {
        QCOMPARE(Announcements::technicianCall(u"12"_s, u"208"_s), u"请 12 号技师到 208 房上钟"_s);
        QCOMPARE(Announcements::roomDue(u"208"_s), u"208 房已到钟"_s);
    }

    // Each technician put in with "添加" is called once, after the change is stored, in the
    // order they were put in, with the number as stored and the room as shown.
    void techniciansPutIntoARoomAreCalledInOrder()
    {
        TestEnvironment env;
        PrepareHouse(env);
        auto dialog = Open(env);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"03"_s);
        QCOMPARE(env.speech.texts, QStringList { u"请 03 号技师到 208 房上钟"_s });
        AddTechnician(dialog.get(), u"01"_s);
        QCOMPARE(env.speech.texts, (QStringList { u"请 03 号技师到 208 房上钟"_s, u"请 01 号技师到 208 房上钟"_s }));
        QCOMPARE(env.session.workingList().numbers(), (QStringList { u"03"_s, u"01"_s }));

        // Taking one out, adding a clock and "确定" call nobody.
        ClickLine(Child<LineListView>(dialog.get(), u"technicianList"_s), 0);
        Click(dialog.get(), u"buttonRemoveTechnician"_s);
        Click(dialog.get(), u"buttonOk"_s);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(env.speech.texts.size(), 2);
        QVERIFY(env.messages.texts().isEmpty());
    }

    // A room already in service takes another technician: only he is called.
    void aTechnicianAddedToARoomInServiceIsCalled()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s }, 1);
        auto dialog = Open(env);
        AddTechnician(dialog.get(), u"05"_s);
        QCOMPARE(env.speech.texts, QStringList { u"请 05 号技师到 208 房上钟"_s });
        QCOMPARE(env.session.bill(Room)->technicians.size(), 2);
    }

    void nothingIsSaidWhenTheHouseTurnedTheCallOff()
    {
        TestEnvironment env;
        PrepareHouse(env);
        Silence(env, HouseSettings::CallingTechniciansSilenced);
        auto dialog = Open(env);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"03"_s);
        AddTechnician(dialog.get(), u"01"_s);
        QCOMPARE(env.session.workingList().numbers(), (QStringList { u"03"_s, u"01"_s }));
        QVERIFY(env.speech.texts.isEmpty());
    }

    // The other switch does not silence the call.
    void theDueSwitchLeavesTheCallAlone()
    {
        TestEnvironment env;
        PrepareHouse(env);
        Silence(env, HouseSettings::DueRoomsSilenced);
        auto dialog = Open(env);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"04"_s);
        QCOMPARE(env.speech.texts, QStringList { u"请 04 号技师到 208 房上钟"_s });
    }

    void nothingIsHandedToADeskWithoutAVoice()
    {
        TestEnvironment env;
        PrepareHouse(env);
        env.speech.voice = false;
        auto dialog = Open(env);
        Child<QRadioButton>(dialog.get(), u"radioInService"_s)->click();
        AddTechnician(dialog.get(), u"03"_s);
        QCOMPARE(env.session.workingList().numbers(), QStringList { u"03"_s });
        QVERIFY(env.speech.texts.isEmpty());
        QVERIFY(env.messages.texts().isEmpty()); // no voice is no error
    }

    // The room was settled at another desk: the technician is refused, stays in the queue and
    // is not called.
    void aRefusedTechnicianIsNotCalled()
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
        QVERIFY(env.session.idleQueue().contains(u"02"_s));
        QVERIFY(env.speech.texts.isEmpty());
    }

    // --- 到钟 ----------------------------------------------------------------------------------

    // The room falls due: the bell and "208 房已到钟", once; a clock added and its new end
    // due again sound and say it again.
    void aRoomDueIsSaidOnceWithTheBell()
    {
        TestEnvironment env;
        PrepareHouse(env);
        ClockWatch watch(env.session, env.clock, env.sound, env.speech, env.database, env.settings);
        OpenRoom(env, Room, { u"01"_s }, 1);
        OpenRoom(env, u"101"_s, { u"02"_s }); // no clock booked: never due
        At(env, watch, 50 * 60);
        QVERIFY(env.speech.texts.isEmpty());
        At(env, watch, 3600);
        QCOMPARE(watch.dueRooms(), QStringList { Room });
        QCOMPARE(env.sound.count, 1);
        QCOMPARE(env.speech.texts, QStringList { u"208 房已到钟"_s });
        At(env, watch, 3700);
        At(env, watch, 5000);
        QCOMPARE(env.speech.texts.size(), 1);

        QVERIFY(env.session.setCount(Room, BillCount::Massage, 2).ok());
        At(env, watch, 5100);
        QVERIFY(watch.dueRooms().isEmpty());
        At(env, watch, 2 * 3600);
        QCOMPARE(env.sound.count, 2);
        QCOMPARE(env.speech.texts, (QStringList { u"208 房已到钟"_s, u"208 房已到钟"_s }));
    }

    // Switched off, or at a desk without a voice, the bell rings alone.
    void theBellRingsAloneWhenTheDueAlertIsSilenced()
    {
        TestEnvironment env;
        PrepareHouse(env);
        Silence(env, HouseSettings::DueRoomsSilenced);
        ClockWatch watch(env.session, env.clock, env.sound, env.speech, env.database, env.settings);
        OpenRoom(env, Room, { u"01"_s }, 1);
        At(env, watch, 3600);
        QCOMPARE(env.sound.count, 1);
        QVERIFY(env.speech.texts.isEmpty());

        HouseSettings::set(env.database, HouseSettings::DueRoomsSilenced, false);
        env.speech.voice = false;
        OpenRoom(env, u"101"_s, { u"02"_s }, 1);
        At(env, watch, 2 * 3600);
        QCOMPARE(env.sound.count, 2);
        QVERIFY(env.speech.texts.isEmpty());
    }

    // --- the switches ------------------------------------------------------------------------

    // Both announcements are on as delivered; a manager turns either off where the prices are
    // set, with its row in the operator log, and on again.
    void theSwitchesLiveInThePricesDialog()
    {
        TestEnvironment env;
        PrepareHouse(env);
        {
            ServicePricesDialog prices(env.services);
            auto* calling = Child<QCheckBox>(&prices, u"callingVoiceBox"_s);
            auto* due = Child<QCheckBox>(&prices, u"dueVoiceBox"_s);
            QCOMPARE(calling->text(), u"上钟时语音呼叫技师"_s);
            QCOMPARE(due->text(), u"到钟时语音提醒"_s);
            QVERIFY(calling->isChecked());
            QVERIFY(due->isChecked());
            calling->setChecked(false);
            Click(&prices, u"okButton"_s);
        }
        QVERIFY(HouseSettings::isOn(env.database, HouseSettings::CallingTechniciansSilenced));
        QVERIFY(!HouseSettings::isOn(env.database, HouseSettings::DueRoomsSilenced));
        QCOMPARE(LogRows(env, u"上钟时语音呼叫技师:关"_s), 1);
        QCOMPARE(LogRows(env, u"到钟时语音提醒:开"_s), 0); // unchanged: not logged
        {
            ServicePricesDialog again(env.services);
            QVERIFY(!Child<QCheckBox>(&again, u"callingVoiceBox"_s)->isChecked());
            QVERIFY(Child<QCheckBox>(&again, u"dueVoiceBox"_s)->isChecked());
            Child<QCheckBox>(&again, u"callingVoiceBox"_s)->setChecked(true);
            Child<QCheckBox>(&again, u"dueVoiceBox"_s)->setChecked(false);
            Click(&again, u"okButton"_s);
        }
        QVERIFY(!HouseSettings::isOn(env.database, HouseSettings::CallingTechniciansSilenced));
        QVERIFY(HouseSettings::isOn(env.database, HouseSettings::DueRoomsSilenced));
        QCOMPARE(LogRows(env, u"上钟时语音呼叫技师:开"_s), 1);
        QCOMPARE(LogRows(env, u"到钟时语音提醒:关"_s), 1);
        QVERIFY(env.messages.texts().isEmpty());
    }

    // --- the whole desk ----------------------------------------------------------------------

    // The main window notes a desk without a voice in its status bar, and drops the note once
    // a voice is there.
    void theStatusBarNotesADeskWithoutAVoice()
    {
        DeskFixture desk;
        desk.speech.voice = false;
        QVERIFY(desk.start());
        auto* pane = Child<QLabel>(&desk.window(), u"voicePane"_s);
        QCOMPARE(pane->text(), u"语音播报不可用"_s);
        QCOMPARE(pane->text(), MainWindow::NoVoiceText);
        QVERIFY(!pane->isHidden());
        desk.speech.voice = true;
        QTRY_VERIFY(pane->isHidden());
    }

    // The real board's watch speaks through the desk's voice.
    void theDeskSaysTheRoomDue()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        QVERIFY(Child<QLabel>(&desk.window(), u"voicePane"_s)->isHidden());
        OpenBill bill;
        bill.startTime = desk.clock.now();
        bill.massageClocks = 1;
        QVERIFY(desk.session().openBill(Room, bill).ok());
        desk.clock.set(bill.startTime.addSecs(3600));
        desk.window().clockWatch().refresh();
        QCOMPARE(desk.speech.texts, QStringList { u"208 房已到钟"_s });
        QCOMPARE(desk.sound.count, 1);
    }
};

QTEST_MAIN(CallingTechniciansTest)
#include "tst_callingtechnicians.moc"
