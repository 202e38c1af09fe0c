#include "app/SettingFile.h"
#include "rooms/GroupCountDialog.h"
#include "rooms/QuickNumberingDialog.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomNumberDialog.h"
#include "rooms/RoomNumbersFile.h"
#include "rooms/RoomPage.h"
#include "rooms/RoomState.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Technician lines (number, name) of a bill.
QList<TechnicianLine> technicians(const QList<QStringList>& numbersAndNames)
{
    QList<TechnicianLine> lines;
    for (const QStringList& technician : numbersAndNames)
        lines.append({ technician[0], technician[1], 0, 0, false });
    return lines;
}

OpenBill billOf(const QList<QStringList>& numbersAndNames)
{
    OpenBill bill;
    bill.technicians = technicians(numbersAndNames);
    return bill;
}

// Answers the room service dialog's part from a script: records each request and returns
// the next outcome (Esc when the script has run out).
struct ScriptedRoomService
{
    QList<RoomServiceRequest> requests;
    QList<RoomServiceOutcome> outcomes;

    RoomServiceOpener opener()
    {
        return [this](const RoomServiceRequest& request) {
            requests.append(request);
            return outcomes.isEmpty() ? RoomServiceOutcome {} : outcomes.takeFirst();
        };
    }
};

RoomServiceOutcome guestIn()
{
    RoomServiceOutcome outcome;
    outcome.accepted = true;
    return outcome;
}

RoomServiceOutcome inService(const QList<QStringList>& numbersAndNames, const QDateTime& start = {})
{
    RoomServiceOutcome outcome;
    outcome.accepted = true;
    outcome.inService = true;
    outcome.bill = billOf(numbersAndNames);
    outcome.bill.startTime = start;
    outcome.bill.massageClocks = 2;
    outcome.bill.footWashClocks = 1;
    return outcome;
}

RoomServiceOutcome stayEnded()
{
    RoomServiceOutcome outcome;
    outcome.closed = true;
    return outcome;
}

void hover(QWidget* widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

void clickLabel(QLabel* label)
{
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
}

// Types `text` into the next RoomNumberDialog and ends it with `button` ("okButton" for "确定" or
// "cancelButton" for "取消").
void answerNumberDialog(const QString& text, const QString& button = QStringLiteral("okButton"),
    QString* caption = nullptr, QString* title = nullptr)
{
    WhenDialogOpens<RoomNumberDialog>([=](RoomNumberDialog* dialog) {
        if (caption)
            *caption = dialog->findChild<QLabel*>(QStringLiteral("captionLabel"))->text();
        if (title)
            *title = dialog->windowTitle();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("numberEdit")), text);
        Click(dialog, button);
    });
}

// Counts the number dialogs that open while it lives and cancels each at once.
struct NumberDialogGuard : QObject
{
    int opened = 0;
    NumberDialogGuard() { qApp->installEventFilter(this); }
    ~NumberDialogGuard() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<RoomNumberDialog*>(watched)) {
            ++opened;
            QMetaObject::invokeMethod(watched, "reject", Qt::QueuedConnection);
        }
        return false;
    }
};

// One page of rooms with its board on a fresh installation.
struct PageDesk
{
    TestEnvironment env;
    RoomBoard board;
    RoomPage page;

    explicit PageDesk(int groups = 1, int shown = 0)
        : board(env.settings, (env.messages.clear(), groups))
        , page(shown, (board.load(env.messages), board), env.services)
    {
        page.resize(900, 460);
        page.show();
    }
    QString number(int room) const { return page.numberText(room); }
    RoomLamp* lamp(int room) const { return page.room(room)->lamp(); }
};

} // namespace

// The room pages as the desk clerk sees them: lamps, numbers and seats, the numbering
// dialogs and the group count.
class RoomPageTest : public QObject
{
    Q_OBJECT

private slots:

    // --- rooms and lamps --------------------------------------------------------------------

    void everyRoomShowsItsNumberSeatsAndAnIdleLamp()
    {
        PageDesk desk;
        QVERIFY(desk.env.messages.shown().isEmpty());
        QCOMPARE(desk.page.findChildren<RoomCell*>().size(), 40);
        for (int room = 1; room <= 40; ++room) {
            QCOMPARE(desk.number(room), QString::number(100 + room));
            QCOMPARE(desk.page.seatText(room), room % 8 == 0 ? QStringLiteral("4") : QStringLiteral("2"));
            QCOMPARE(desk.page.lampText(room), QStringLiteral("空闲"));
            QVERIFY(!desk.lamp(room)->isLit());
        }
        QCOMPARE(desk.lamp(1)->toolTip(), QStringLiteral("房间状态,入客或上钟"));

        // Room 10 sits in row 1, column 1: right of room 9 and below room 2.
        const QRect r2 = desk.page.room(2)->geometry();
        const QRect r9 = desk.page.room(9)->geometry();
        const QRect r10 = desk.page.room(10)->geometry();
        QCOMPARE(r10.left(), r2.left());
        QCOMPARE(r10.top(), r9.top());
        QVERIFY(r10.top() > r2.bottom());
        QVERIFY(r10.left() > r9.right());

        // An idle bulb lights up only while the mouse is over it.
        QVERIFY(!desk.lamp(5)->showsLitBulb());
        hover(desk.lamp(5), true);
        QVERIFY(desk.lamp(5)->showsLitBulb());
        hover(desk.lamp(5), false);
        QVERIFY(!desk.lamp(5)->showsLitBulb());
    }

    void lampsShowTheStateTheDeskHolds()
    {
        TestEnvironment env;
        QVERIFY(env.session.markGuestIn(QStringLiteral("102")).ok());
        QVERIFY(
            env.session.openBill(QStringLiteral("103"), billOf({ { u"5"_s, u"小红"_s }, { u"8"_s, u"小兰"_s } })).ok());
        QVERIFY(env.session.openBill(QStringLiteral("104"), OpenBill {}).ok());
        RoomBoard board(env.settings, 1);
        board.load(env.messages);
        RoomPage page(0, board, env.services);

        QCOMPARE(page.lampText(1), QStringLiteral("空闲"));
        QCOMPARE(page.lampText(2), QStringLiteral("入客"));
        QCOMPARE(page.lampText(3), QStringLiteral("5 8 "));
        QCOMPARE(page.lampText(4), QString()); // in service without technicians yet
        QVERIFY(!page.room(1)->lamp()->isLit());
        QVERIFY(page.room(2)->lamp()->isLit());
        QVERIFY(page.room(3)->lamp()->isLit());
        QVERIFY(page.room(4)->lamp()->isLit());

        // A stay ended elsewhere shows at once.
        QVERIFY(env.session.closeRoom(QStringLiteral("103")).ok());
        QCOMPARE(page.lampText(3), QStringLiteral("空闲"));
        QVERIFY(!page.room(3)->lamp()->isLit());
    }

    void withoutARoomServiceDialogALampClickDoesNothing()
    {
        PageDesk desk;
        QTest::mouseClick(desk.lamp(1), Qt::LeftButton);
        QCOMPARE(desk.page.lampText(1), QStringLiteral("空闲"));
        QVERIFY(desk.env.messages.shown().isEmpty());
        QVERIFY(desk.env.session.guestInRooms().isEmpty());
    }

    void aLampFollowsItsRoomThroughAStay()
    {
        PageDesk desk;
        ScriptedRoomService service;
        desk.page.setRoomServiceOpener(service.opener());
        const DeskSession& state = desk.env.session;
        const QDateTime start(QDate(2026, 12, 7), QTime(10, 5));

        // Idle, OK with 入客.
        service.outcomes = { guestIn() };
        QTest::mouseClick(desk.lamp(3), Qt::LeftButton);
        QCOMPARE(service.requests.last().roomNumber, QStringLiteral("103"));
        QVERIFY(!service.requests.last().inService);
        QCOMPARE(desk.page.lampText(3), QStringLiteral("入客"));
        QVERIFY(desk.lamp(3)->isLit());
        QVERIFY(state.guestInRooms().contains(QStringLiteral("103")));

        // Guest in, OK with 上钟: a record is made.
        service.outcomes = { inService({ { u"12"_s, u"小李"_s }, { u"7"_s, u"小周"_s } }, start) };
        QTest::mouseClick(desk.lamp(3), Qt::LeftButton);
        QVERIFY(!service.requests.last().inService);
        QCOMPARE(desk.page.lampText(3), QStringLiteral("12 7 "));
        QVERIFY(desk.lamp(3)->isLit());
        QVERIFY(!state.guestInRooms().contains(QStringLiteral("103")));
        QCOMPARE(state.bill(QStringLiteral("103"))->startTime, start);
        QCOMPARE(state.bill(QStringLiteral("103"))->massageClocks, 2);

        // In service: the dialog gets the record; Esc changes nothing.
        QTest::mouseClick(desk.lamp(3), Qt::LeftButton);
        QVERIFY(service.requests.last().inService);
        QCOMPARE(
            service.requests.last().bill.technicians, technicians({ { u"12"_s, u"小李"_s }, { u"7"_s, u"小周"_s } }));
        QCOMPARE(desk.page.lampText(3), QStringLiteral("12 7 "));

        // OK again: the record takes the new rows, its start stays.
        service.outcomes = { inService({ { u"7"_s, u"小周"_s } }, start.addSecs(600)) };
        QTest::mouseClick(desk.lamp(3), Qt::LeftButton);
        QCOMPARE(desk.page.lampText(3), QStringLiteral("7 "));
        QCOMPARE(state.bill(QStringLiteral("103"))->startTime, start);

        // Settled: idle again.
        service.outcomes = { stayEnded() };
        QTest::mouseClick(desk.lamp(3), Qt::LeftButton);
        QCOMPARE(desk.page.lampText(3), QStringLiteral("空闲"));
        QVERIFY(!desk.lamp(3)->isLit());
        QVERIFY(state.bills().isEmpty());
        QCOMPARE(service.requests.size(), 5);
        QVERIFY(desk.env.messages.shown().isEmpty());
    }

    void aLampShowingAServiceWithoutARecordIsReported()
    {
        PageDesk desk;
        ScriptedRoomService service;
        desk.page.setRoomServiceOpener(service.opener());
        service.outcomes = { inService({ { u"5"_s, u"A"_s } }) };
        QTest::mouseClick(desk.lamp(1), Qt::LeftButton);
        QCOMPARE(desk.page.lampText(1), QStringLiteral("5 "));

        QVERIFY(desk.env.session.closeRoom(QStringLiteral("101")).ok());
        desk.lamp(1)->setText(QStringLiteral("5 ")); // a lamp that fell behind its room
        QTest::mouseClick(desk.lamp(1), Qt::LeftButton);
        QCOMPARE(desk.env.messages.texts(), QStringList { QStringLiteral("操作错误,系统无法识别!") });
        QVERIFY(!service.requests.last().inService); // opened as an idle room
        QCOMPARE(desk.page.lampText(1), QStringLiteral("空闲"));
    }

    // A change the database refuses is shown with its error text and leaves the room, its lamp
    // and the session as they were.
    void aFailedWriteLeavesTheRoomAsItWas()
    {
        PageDesk desk;
        ScriptedRoomService service;
        desk.page.setRoomServiceOpener(service.opener());
        desk.env.sql(QStringLiteral("CREATE TRIGGER full_disk BEFORE INSERT ON desk_bill "
                                    "BEGIN SELECT RAISE(ABORT, '磁盘已满'); END"));
        QSignalSpy changes(&desk.env.session, &DeskSession::roomChanged);

        service.outcomes = { guestIn() };
        QTest::mouseClick(desk.lamp(4), Qt::LeftButton);
        QCOMPARE(desk.page.lampText(4), QStringLiteral("入客"));

        service.outcomes = { inService({ { u"5"_s, u"A"_s } }) };
        QTest::mouseClick(desk.lamp(4), Qt::LeftButton);
        QCOMPARE(desk.env.messages.texts(), QStringList { QStringLiteral("磁盘已满") });
        QCOMPARE(desk.page.lampText(4), QStringLiteral("入客"));
        QVERIFY(desk.lamp(4)->isLit());
        QCOMPARE(desk.env.session.roomState(QStringLiteral("104")), RoomState::GuestIn);
        QVERIFY(desk.env.session.bills().isEmpty());
        QCOMPARE(changes.count(), 1); // the guest only
        QCOMPARE(desk.env.database.scalar(QStringLiteral("SELECT count(*) FROM desk_room")).toInt(), 1);
        QCOMPARE(desk.env.database.scalar(QStringLiteral("SELECT count(*) FROM desk_bill_technician")).toInt(), 0);
    }

    void aRoomWithoutANumberOfItsOwnTakesNoGuest()
    {
        PageDesk desk(2, 1); // the second group has no file yet
        QCOMPARE(desk.env.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        QCOMPARE(desk.number(1), QStringLiteral("000"));
        QCOMPARE(desk.page.seatText(1), QStringLiteral("0"));
        ScriptedRoomService service;
        desk.page.setRoomServiceOpener(service.opener());
        service.outcomes = { guestIn() };
        QTest::mouseClick(desk.lamp(1), Qt::LeftButton);
        QCOMPARE(desk.env.messages.lastText(), RoomBoard::UnnumberedText);
        QVERIFY(service.requests.isEmpty());
        QCOMPARE(desk.page.lampText(2), QStringLiteral("空闲")); // no room took a guest

        // Numbered, the room takes its guest.
        answerNumberDialog(QStringLiteral("201"));
        clickLabel(desk.page.room(1)->numberLabel());
        QTest::mouseClick(desk.lamp(1), Qt::LeftButton);
        QCOMPARE(service.requests.size(), 1);
        QCOMPARE(desk.page.lampText(1), QStringLiteral("入客"));
        QCOMPARE(desk.page.lampText(2), QStringLiteral("空闲"));
    }

    // --- numbers and seats ------------------------------------------------------------------

    void aNumberLabelClickRenumbersTheRoomAndSavesAtOnce()
    {
        PageDesk desk;
        QString caption;
        QString title;
        answerNumberDialog(QStringLiteral("1a5-0"), QStringLiteral("okButton"), &caption, &title);
        clickLabel(desk.page.room(7)->numberLabel());
        QCOMPARE(title, QStringLiteral("设置房间号"));
        QCOMPARE(caption, QStringLiteral("房间编号:"));
        QCOMPARE(desk.number(7), QStringLiteral("150")); // digits only
        QVERIFY(desk.env.messages.shown().isEmpty());
        QCOMPARE(UnpackInt32List(SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat")), 80).at(6), 150);

        // Cancel changes nothing.
        const QByteArray saved = SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat"));
        answerNumberDialog(QStringLiteral("151"), QStringLiteral("cancelButton"));
        clickLabel(desk.page.room(7)->numberLabel());
        QCOMPARE(desk.number(7), QStringLiteral("150"));
        QCOMPARE(SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat")), saved);

        // Leading zeros do not make a second spelling of a number: the label shows what is kept.
        answerNumberDialog(QStringLiteral("0152"));
        clickLabel(desk.page.room(7)->numberLabel());
        QCOMPARE(desk.number(7), QStringLiteral("152"));
    }

    void aNumberShownByAnyRoomIsRefused()
    {
        PageDesk desk(2);
        WriteRoomGroup(desk.env.settings, 1, 201);
        RoomBoard board(desk.env.settings, 2);
        board.load(desk.env.messages);
        RoomPage first(0, board, desk.env.services);
        RoomPage second(1, board, desk.env.services);
        first.show();
        second.show();
        desk.env.messages.clear();

        for (const QString& taken : { QStringLiteral("105"), QStringLiteral("101"), QStringLiteral("201") }) {
            answerNumberDialog(taken);
            clickLabel(first.room(1)->numberLabel());
            QCOMPARE(desk.env.messages.lastText(), QStringLiteral("已经有这个房间编号了,请更改为其它!"));
            QCOMPARE(first.numberText(1), QStringLiteral("101"));
        }
        answerNumberDialog(QStringLiteral("140"));
        clickLabel(second.room(40)->numberLabel());
        QCOMPARE(desk.env.messages.lastText(), QStringLiteral("已经有这个房间编号了,请更改为其它!"));
        QCOMPARE(second.numberText(40), QStringLiteral("240"));
        QCOMPARE(desk.env.messages.shown().size(), 4);
    }

    void aRoomInUseCannotBeRenumbered()
    {
        PageDesk desk;
        QVERIFY(desk.env.session.markGuestIn(QStringLiteral("101")).ok());
        QVERIFY(desk.env.session.openBill(QStringLiteral("102"), OpenBill {}).ok());
        desk.page.refreshRooms();
        {
            NumberDialogGuard guard;
            for (int room : { 1, 2 }) {
                clickLabel(desk.page.room(room)->numberLabel());
                QCOMPARE(desk.env.messages.lastText(), RoomBoard::RoomInUseText);
                QCOMPARE(desk.number(room), QString::number(100 + room));
            }
            QCOMPARE(guard.opened, 0);
        }

        // Its seats may still change.
        QString caption;
        answerNumberDialog(QStringLiteral("6"), QStringLiteral("okButton"), &caption);
        clickLabel(desk.page.room(1)->seatLabel());
        QCOMPARE(caption, QStringLiteral("房间座位:"));
        QCOMPARE(desk.page.seatText(1), QStringLiteral("6"));
        QCOMPARE(UnpackInt32List(SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat")), 80).at(40), 6);
    }

    // --- quick numbering --------------------------------------------------------------------

    void theQuickNumberingDialogChecksItsNumbers()
    {
        ScriptedMessageService messages;
        QuickNumberingDialog dialog(messages);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("房间编号设置"));
        auto* start = dialog.findChild<QLineEdit*>(QStringLiteral("startEdit"));
        auto* end = dialog.findChild<QLineEdit*>(QStringLiteral("endEdit"));
        auto* number = dialog.findChild<QLineEdit*>(QStringLiteral("unwantedEdit"));
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("unwantedList"));
        QCOMPARE(start->text(), QStringLiteral("0"));
        QCOMPARE(end->text(), QStringLiteral("0"));

        // Start not below end: both numbers go back to 0 and the dialog stays.
        start->setText(QStringLiteral("120"));
        end->setText(QStringLiteral("101"));
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(messages.lastText(), QStringLiteral("数据大小不对。"));
        QCOMPARE(start->text(), QStringLiteral("0"));
        QCOMPARE(end->text(), QStringLiteral("0"));
        QVERIFY(dialog.isVisible());

        start->clear();
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(messages.lastText(), QuickNumberingDialog::RangeText);
        QVERIFY(dialog.isVisible());

        // Unwanted numbers: inside start..end only, at most 16, kept sorted as texts.
        start->setText(QStringLiteral("90"));
        end->setText(QStringLiteral("130"));
        messages.clear();
        for (const char* text : { "125", "99", "131", "89", "x" }) {
            QTest::keyClicks(number, QString::fromLatin1(text));
            Click(&dialog, QStringLiteral("addButton"));
            QCOMPARE(number->text(), QString());
        }
        QCOMPARE(messages.texts(), (QStringList { QStringLiteral("数据超出范围!"), QStringLiteral("数据超出范围!") }));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("125"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("99"));
        for (int n = 100; n < 114; ++n) {
            QTest::keyClicks(number, QString::number(n));
            Click(&dialog, QStringLiteral("addButton"));
        }
        QCOMPARE(list->count(), 16);
        messages.clear();
        QTest::keyClicks(number, QStringLiteral("114"));
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(messages.texts(), QStringList { QStringLiteral("不需要的编号最多只能有16个!") });
        QCOMPARE(list->count(), 16);

        // "删除" removes the chosen entry; without one it does nothing.
        Click(&dialog, QStringLiteral("removeButton"));
        QCOMPARE(list->count(), 16);
        list->setCurrentItem(list->findItems(QStringLiteral("125"), Qt::MatchExactly).first());
        Click(&dialog, QStringLiteral("removeButton"));
        QCOMPARE(list->count(), 15);

        dialog.grab().save(TestOutputPath(QStringLiteral("rooms-quicknumbering.png")));
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.startNumber(), 90);
        QCOMPARE(dialog.endNumber(), 130);
        QCOMPARE(dialog.unwantedNumbers().size(), 15);
        QVERIFY(dialog.unwantedNumbers().contains(99));
        QVERIFY(!dialog.unwantedNumbers().contains(125));
    }

    // Enter in the box of unwanted numbers presses "增加"; a number still in the box when
    // "确定" is pressed is taken as well. Neither throws the number away.
    void anUnwantedNumberIsNeverLostToEnter()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& database) { WriteGroupCount(*MakeSettingPlace(database), 2); }));
        MainWindow& window = desk.window();
        window.show();
        window.takeLogin(3, QStringLiteral("总经理"));
        window.findChild<QTabWidget*>(QStringLiteral("roomTabs"))->setCurrentIndex(1);
        desk.messages.clear();

        QStringList listed;
        bool stayedOpen = false;
        WhenDialogOpens<QuickNumberingDialog>([&](QuickNumberingDialog* dialog) {
            TypeInto(Child<QLineEdit>(dialog, u"startEdit"_s), u"201"_s);
            TypeInto(Child<QLineEdit>(dialog, u"endEdit"_s), u"240"_s);
            auto* unwanted = Child<QLineEdit>(dialog, u"unwantedEdit"_s);
            unwanted->setFocus();
            TypeText(unwanted, u"213"_s);
            QTest::keyClick(unwanted, Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            auto* list = Child<QListWidget>(dialog, u"unwantedList"_s);
            for (int row = 0; row < list->count(); ++row)
                listed << list->item(row)->text();
            // The next number typed and then Enter in the end box, which reaches "确定".
            TypeText(unwanted, u"220"_s);
            QTest::keyClick(Child<QLineEdit>(dialog, u"endEdit"_s), Qt::Key_Return);
        });
        window.action(MainWindow::Command::QuickNumbering)->trigger();
        QVERIFY(stayedOpen);
        QCOMPARE(listed, QStringList { u"213"_s });
        RoomPage* second = window.currentRoomPage();
        QStringList numbers;
        for (int room = 1; room <= RoomPage::RoomCount; ++room)
            numbers << second->numberText(room);
        QVERIFY(!numbers.contains(u"213"_s));
        QVERIFY(!numbers.contains(u"220"_s));
        QCOMPARE(second->numberText(38), u"240"_s);
        QVERIFY(desk.messages.shown().isEmpty());

        // A pending number out of range keeps the dialog open with its message.
        ScriptedMessageService messages;
        QuickNumberingDialog dialog(messages);
        dialog.show();
        Child<QLineEdit>(&dialog, u"startEdit"_s)->setText(u"1"_s);
        Child<QLineEdit>(&dialog, u"endEdit"_s)->setText(u"40"_s);
        Child<QLineEdit>(&dialog, u"unwantedEdit"_s)->setText(u"41"_s);
        Click(&dialog, u"okButton"_s);
        QVERIFY(dialog.isVisible());
        QCOMPARE(messages.texts(), QStringList { QuickNumberingDialog::OutOfRangeText });
    }

    void quickNumberingRunsOnThePageShown()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& database) { WriteGroupCount(*MakeSettingPlace(database), 2); }));
        MainWindow& window = desk.window();
        QCOMPARE(desk.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        window.takeLogin(3, QStringLiteral("总经理"));
        QVERIFY(window.action(MainWindow::Command::QuickNumbering)->isEnabled());
        window.findChild<QTabWidget*>(QStringLiteral("roomTabs"))->setCurrentIndex(1);
        RoomPage* second = window.currentRoomPage();
        QCOMPARE(second->groupIndex(), 1);

        WhenDialogOpens<QuickNumberingDialog>([](QuickNumberingDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("startEdit"))->setText(QStringLiteral("201"));
            dialog->findChild<QLineEdit*>(QStringLiteral("endEdit"))->setText(QStringLiteral("240"));
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("unwantedEdit")), QStringLiteral("213"));
            Click(dialog, QStringLiteral("addButton"));
            Click(dialog, QStringLiteral("okButton"));
        });
        window.action(MainWindow::Command::QuickNumbering)->trigger();
        QCOMPARE(second->numberText(1), QStringLiteral("201"));
        QCOMPARE(second->numberText(12), QStringLiteral("212"));
        QCOMPARE(second->numberText(13), QStringLiteral("214")); // 213 skipped
        QCOMPARE(second->numberText(39), QStringLiteral("240"));
        QCOMPARE(second->numberText(40), QStringLiteral("000")); // past the end: unchanged
        QCOMPARE(window.roomPages().first()->numberText(1), QStringLiteral("101"));
        QCOMPARE(UnpackInt32List(desk.settingBytes(QStringLiteral("pagesel1.dat")), 80).at(38), 240);

        // The first page's numbers are taken: 130..139 would double rooms 30..39 there.
        WhenDialogOpens<QuickNumberingDialog>([](QuickNumberingDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("startEdit"))->setText(QStringLiteral("130"));
            dialog->findChild<QLineEdit*>(QStringLiteral("endEdit"))->setText(QStringLiteral("131"));
            Click(dialog, QStringLiteral("okButton"));
        });
        window.action(MainWindow::Command::QuickNumbering)->trigger();
        QCOMPARE(desk.messages.lastText(), QStringLiteral("房间编号130、131已被其它房间使用,请更改编号范围!"));
        QCOMPARE(second->numberText(1), QStringLiteral("201"));
    }

    void quickNumberingLeavesRoomsInUseAlone()
    {
        PageDesk desk;
        QVERIFY(desk.env.session.markGuestIn(QStringLiteral("102")).ok());
        const QByteArray saved = SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat"));
        WhenDialogOpens<QuickNumberingDialog>([](QuickNumberingDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("startEdit"))->setText(QStringLiteral("1"));
            dialog->findChild<QLineEdit*>(QStringLiteral("endEdit"))->setText(QStringLiteral("999"));
            Click(dialog, QStringLiteral("okButton"));
        });
        desk.page.runQuickNumbering();
        QCOMPARE(desk.env.messages.lastText(), QStringLiteral("房间102有客人或正在上钟,不能更改房间编号!"));
        QCOMPARE(desk.number(1), QStringLiteral("101"));
        QCOMPARE(SettingBytes(desk.env.settings, QStringLiteral("pagesel0.dat")), saved);

        // Cancelled: nothing at all.
        desk.env.messages.clear();
        WhenDialogOpens<QuickNumberingDialog>(
            [](QuickNumberingDialog* dialog) { Click(dialog, QStringLiteral("cancelButton")); });
        desk.page.runQuickNumbering();
        QVERIFY(desk.env.messages.shown().isEmpty());
        QCOMPARE(desk.number(1), QStringLiteral("101"));
    }

    // --- group count ------------------------------------------------------------------------

    void theGroupCountIsWrittenOnlyWhenChosen()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        window.takeLogin(3, QStringLiteral("总经理"));
        QVERIFY(window.action(MainWindow::Command::GroupCount)->isEnabled());

        // OK without choosing: nothing written, yet the restart message follows.
        QString shown;
        WhenDialogOpens<GroupCountDialog>([&shown](GroupCountDialog* dialog) {
            shown = dialog->findChild<QComboBox*>(QStringLiteral("groupCountBox"))->currentText();
            Click(dialog, QStringLiteral("okButton"));
        });
        window.action(MainWindow::Command::GroupCount)->trigger();
        QCOMPARE(shown, QStringLiteral("1"));
        QCOMPARE(desk.messages.texts(), QStringList { QStringLiteral("使设置有效，必须重新启动软件") });
        QCOMPARE(desk.settingBytes(QStringLiteral("HouNum.daf")), QByteArray("\x01\0\0\0", 4));

        // Chosen from the list: written; the pages change at the next start.
        WhenDialogOpens<GroupCountDialog>([](GroupCountDialog* dialog) {
            auto* box = dialog->findChild<QComboBox*>(QStringLiteral("groupCountBox"));
            QCOMPARE(box->count(), 5);
            box->showPopup();
            QAbstractItemView* view = box->view();
            QTest::mouseClick(
                view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(2, 0)).center());
            QCOMPARE(dialog->chosenCount(), 3);
            dialog->grab().save(TestOutputPath(QStringLiteral("rooms-groupcount.png")));
            Click(dialog, QStringLiteral("okButton"));
        });
        window.action(MainWindow::Command::GroupCount)->trigger();
        QCOMPARE(desk.settingBytes(QStringLiteral("HouNum.daf")), QByteArray("\x03\0\0\0", 4));
        QCOMPARE(window.roomPages().size(), 1);

        // Cancel: no message.
        desk.messages.clear();
        WhenDialogOpens<GroupCountDialog>(
            [](GroupCountDialog* dialog) { Click(dialog, QStringLiteral("cancelButton")); });
        window.action(MainWindow::Command::GroupCount)->trigger();
        QVERIFY(desk.messages.shown().isEmpty());
    }

    // A larger count writes its new groups' files at once: the next start shows every group
    // without a message. A file that goes missing later is still reported.
    void aLargerGroupCountStartsWithoutAMessage()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& database) { WriteGroupCount(*MakeSettingPlace(database), 2); }));
        QCOMPARE(desk.messages.texts(), QStringList { u"打开一个二进制文件失败!"_s }); // group 2 of 2
        QVERIFY(!desk.holdsSetting(u"pagesel1.dat"_s)); // written when the desk closes
        desk.window().takeLogin(3, u"总经理"_s);
        WhenDialogOpens<GroupCountDialog>([](GroupCountDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"groupCountBox"_s), u"5"_s);
            Click(dialog, u"okButton"_s);
        });
        desk.window().action(MainWindow::Command::GroupCount)->trigger();
        QCOMPARE(desk.messages.lastText(), u"使设置有效，必须重新启动软件"_s);
        // Groups 3 to 5 are new; group 2, which the desk already shows, keeps its file to come.
        QVERIFY(!desk.holdsSetting(u"pagesel1.dat"_s));
        for (int group = 2; group < 5; ++group)
            QCOMPARE(desk.settingBytes(RoomNumbers::fileName(group)), QByteArray(RoomNumbers::FileSize, '\0'));

        desk.messages.setDefaultAnswer(true);
        QVERIFY(desk.window().close()); // "是否真的退出!" and every page saved
        QVERIFY(desk.start());
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        QCOMPARE(desk.window().roomPages().size(), 5);
        QCOMPARE(desk.window().roomPages().at(4)->numberText(1), u"0"_s);

        QVERIFY(desk.removeSetting(u"pagesel3.dat"_s));
        QVERIFY(desk.start());
        QCOMPARE(desk.messages.texts(), QStringList { u"打开一个二进制文件失败!"_s });
    }

    // The chosen count and the new groups' empty numbers go to the house's place, files or rows.
    void theGroupCountDialogWritesToEitherPlace_data() { AddSettingPlaceRows(); }

    void theGroupCountDialogWritesToEitherPlace()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        QVERIFY(env.isReady());
        GroupCountDialog dialog(env.services);
        QCOMPARE(Child<QComboBox>(&dialog, u"groupCountBox"_s)->currentText(), u"1"_s);
        Choose(Child<QComboBox>(&dialog, u"groupCountBox"_s), u"3"_s);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ReadSettingInt(env.settings, GroupCountFile.toString(), env.messages), 3);
        QCOMPARE(SettingBytes(env.settings, GroupCountFile.toString()), QByteArray("\x03\0\0\0", 4));
        for (int group = 1; group < 3; ++group)
            QCOMPARE(SettingBytes(env.settings, RoomNumbers::fileName(group)), QByteArray(RoomNumbers::FileSize, '\0'));
        QVERIFY(!env.settings.holds(RoomNumbers::fileName(3)));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(QFile::exists(GroupCountFile.toString()),
            kept == int(TestEnvironment::Settings::InFolder) && !env.server());
    }

    void aMissingGroupCountFileShowsZero()
    {
        TestEnvironment env;
        QVERIFY(RemoveSetting(env, QStringLiteral("HouNum.daf")));
        env.messages.clear();
        GroupCountDialog dialog(env.services);
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("groupCountBox"))->currentText(), QStringLiteral("0"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("设定房间组数"));
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!env.settings.holds(QStringLiteral("HouNum.daf")));
    }

    // --- across restarts --------------------------------------------------------------------

    void aRenumberingSurvivesAKillRightAfterIt()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        RoomPage* page = desk.window().roomPages().first();
        answerNumberDialog(QStringLiteral("888"));
        clickLabel(page->room(4)->numberLabel());
        answerNumberDialog(QStringLiteral("3"));
        clickLabel(page->room(4)->seatLabel());
        desk.kill();

        QVERIFY(desk.start());
        page = desk.window().roomPages().first();
        QCOMPARE(page->numberText(4), QStringLiteral("888"));
        QCOMPARE(page->seatText(4), QStringLiteral("3"));
        QVERIFY(desk.messages.shown().isEmpty());
    }

    void closingTheDeskWritesEveryPage()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& database) { WriteGroupCount(*MakeSettingPlace(database), 3); }));
        QCOMPARE(desk.window().roomPages().size(), 3);
        QVERIFY(!desk.holdsSetting(QStringLiteral("pagesel2.dat")));
        desk.window().show();
        desk.messages.queueAnswer(true);
        QVERIFY(desk.window().close());
        QCOMPARE(desk.settingBytes(QStringLiteral("pagesel1.dat")).size(), 320);
        QCOMPARE(desk.settingBytes(QStringLiteral("pagesel2.dat")).size(), 320);

        // After the restart the new groups read their files without a message.
        QVERIFY(desk.start());
        QVERIFY(desk.messages.shown().isEmpty());
        QCOMPARE(desk.window().roomPages().at(2)->numberText(1), QStringLiteral("0"));
    }

    // --- the look -----------------------------------------------------------------------------

    void theBoardLooksRightSmallAndLarge()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        DeskSession& state = desk.session();
        QVERIFY(state.markGuestIn(QStringLiteral("102")).ok());
        QVERIFY(state.markGuestIn(QStringLiteral("111")).ok());
        QVERIFY(state.openBill(QStringLiteral("104"), billOf({ { u"5"_s, u"小红"_s } })).ok());
        QVERIFY(state
                    .openBill(QStringLiteral("113"),
                        billOf({ { u"12"_s, u"小李"_s }, { u"7"_s, u"小周"_s }, { u"23"_s, u"小吴"_s } }))
                    .ok());
        QVERIFY(state.openBill(QStringLiteral("125"), OpenBill {}).ok());
        MainWindow& window = desk.window();
        RoomPage* page = window.roomPages().first();
        page->refreshRooms();
        hover(page->room(6)->lamp(), true); // the mouse over an idle lamp lights it

        window.resize(760, 520);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        auto* scroll = page->findChild<QScrollArea*>(QStringLiteral("roomScroll"));
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0); // too small: the page scrolls
        window.grab().save(TestOutputPath(QStringLiteral("rooms-board-small.png")));

        window.resize(1920, 1080);
        QCoreApplication::processEvents();
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
        QVERIFY(page->room(40)->geometry().right() < scroll->viewport()->width());
        QVERIFY(page->room(1)->width() > RoomCell::BaseWidth);
        window.grab().save(TestOutputPath(QStringLiteral("rooms-board-large.png")));

        RoomNumberDialog numberDialog(RoomNumberDialog::Mode::Number);
        numberDialog.show();
        numberDialog.grab().save(TestOutputPath(QStringLiteral("rooms-numberdialog.png")));
    }
};

QTEST_MAIN(RoomPageTest)
#include "tst_roompage.moc"
