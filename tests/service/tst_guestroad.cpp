#include "app/Database.h"
#include "app/RowListView.h"
#include "desk/DeskSession.h"
#include "reports/PdfRaster.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "schedule/RotaDialog.h"
#include "service/CheckoutDialog.h"
#include "service/DiscountDialog.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceSettings.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/AccountStore.h"
#include "users/LoginDialog.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void LogIn(LoginDialog* dialog, const QString& role, const QString& login, const QString& password)
{
    Child<QComboBox>(dialog, u"roleBox"_s)->setCurrentText(role);
    TypeInto(Child<QLineEdit>(dialog, u"accountEdit"_s), login);
    TypeInto(Child<QLineEdit>(dialog, u"passwordEdit"_s), password);
    Click(dialog, u"loginButton"_s);
}

void Discount(DiscountDialog* dialog, const QString& type, const QString& value)
{
    Choose(Child<QComboBox>(dialog, u"typeBox"_s), type);
    TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), value);
    Click(dialog, u"okButton"_s);
}

// The desk's screen of `size` with the main window and `dialog` over its middle, as the clerk
// sees them.
void SaveScreen(MainWindow& window, QWidget* dialog, const QSize& size, const QString& name)
{
    window.resize(size);
    QImage screen = window.grab().toImage();
    const QImage shown = dialog->grab().toImage();
    QPainter painter(&screen);
    const QPoint at((size.width() - shown.width()) / 2, (size.height() - shown.height()) / 2);
    painter.fillRect(QRect(at, shown.size()).adjusted(-2, -24, 2, 2), QColor(60, 80, 110)); // a frame
    painter.setPen(Qt::white);
    painter.drawText(at + QPoint(6, -7), dialog->windowTitle());
    painter.drawImage(at, shown);
    painter.end();
    screen.save(TestOutputPath(name));
    QVERIFY2(shown.width() + 4 <= size.width() && shown.height() + 26 <= size.height(), qPrintable(name));
}

} // namespace

// One guest from arrival to a printed receipt, through the desk's own windows: the rota, the
// lamp, "入客", "上钟" with two technicians from the queue, counts and goods, checkout with the
// technicians' clocks, "下钟", a manager's discount and a member card, and "打单".
class GuestRoadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(u"Tavrel"_s); }

    void oneGuestFromArrivalToReceipt()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& database) {
            for (const QString& number : { u"01"_s, u"02"_s, u"03"_s })
                database.exec(
                    u"INSERT INTO worksinfo (str1, str2, str9, restday, workstatus) VALUES (?, ?, '技师', 100, 0)"_s,
                    { number, QString(u"技师"_s + number) });
            database.exec(
                u"INSERT INTO kucheninfo (str1, str2, str4, str5, str6) VALUES ('G1', '啤酒', '瓶', '5.5', '15')"_s);
            database.exec(u"INSERT INTO huiyeninfo (str1, str2, str9) VALUES ('A001', '钱先生', '会员卡')"_s);
            AccountStore accounts(database);
            accounts.add(0, u"c1"_s, u"pc"_s, u"小李"_s);
            accounts.add(2, u"g1"_s, u"pg"_s, u"赵经理"_s);
            ScriptedMessageService quiet;
            ServiceSettings { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
                Decimal(9, 1) }
                .write(*MakeSettingPlace(database), quiet);
        }));
        MainWindow& window = desk.window();
        window.resize(1366, 768);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RoomPage* page = window.roomPages().first();
        RoomLamp* lamp = page->room(2)->lamp(); // room 102

        // The cashier logs in.
        WhenDialogOpens<LoginDialog>([](LoginDialog* login) { LogIn(login, u"收银员"_s, u"c1"_s, u"pc"_s); });
        window.action(MainWindow::Command::Login)->trigger();
        QCOMPARE(desk.session().currentCashier(), u"c1"_s);

        // The rota: 02, 01 and 03 come in and are queued in that order.
        WhenDialogOpens<RotaDialog>([](RotaDialog* rota) {
            auto* duty = Child<RowListView>(rota, u"dutyTable"_s);
            for (const QString& number : { u"02"_s, u"01"_s, u"03"_s }) {
                duty->selectRow(static_cast<int>(Column(duty, 0).indexOf(number)));
                Click(rota, u"buttonPresent"_s);
                Click(rota, u"buttonQueue"_s);
            }
            Click(rota, u"buttonOk"_s);
        });
        QTest::mouseClick(window.button(MainWindow::Button::Rota), Qt::LeftButton);
        QCOMPARE(desk.session().idleQueue().numbers(), (QStringList { u"02"_s, u"01"_s, u"03"_s }));

        // The guest arrives.
        WhenDialogOpens<RoomServiceDialog>([](RoomServiceDialog* room) {
            QVERIFY(Child<QRadioButton>(room, u"radioGuestIn"_s)->isChecked());
            Click(room, u"buttonOk"_s);
        });
        QTest::mouseClick(lamp, Qt::LeftButton);
        QCOMPARE(lamp->text(), u"入客"_s);

        // The service starts with the two technicians at the head of the queue.
        desk.clock.advanceSeconds(5 * 60);
        WhenDialogOpens<RoomServiceDialog>([&](RoomServiceDialog* room) {
            Child<QRadioButton>(room, u"radioInService"_s)->click();
            auto* technicians = Child<QComboBox>(room, u"technicianBox"_s);
            Choose(technicians, technicians->itemText(0));
            Click(room, u"buttonAddTechnician"_s);
            Click(room, u"buttonAddTechnician"_s); // the box shows the next in the queue
            Choose(Child<QComboBox>(room, u"massageBox"_s), u"2"_s);
            Choose(Child<QComboBox>(room, u"footWashBox"_s), u"1"_s);
            Choose(Child<QComboBox>(room, u"pedicureBox"_s), u"1"_s);
            Choose(Child<QComboBox>(room, u"goodsBox"_s), u"啤酒"_s);
            Choose(Child<QComboBox>(room, u"quantityBox"_s), u"3"_s);
            Click(room, u"buttonAddGoods"_s);
            room->show();
            SaveScreen(window, room, QSize(1366, 768), u"room-service-1366x768.png"_s);
            SaveScreen(window, room, QSize(1024, 768), u"room-service-1024x768.png"_s);
            Click(room, u"buttonOk"_s);
        });
        QTest::mouseClick(lamp, Qt::LeftButton);
        QCOMPARE(lamp->text(), u"01 02 "_s);
        QVERIFY(lamp->isLit());
        QCOMPARE(desk.session().workingList().numbers(), (QStringList { u"02"_s, u"01"_s }));

        // An hour later the guest pays.
        desk.clock.advanceSeconds(60 * 60);
        WhenDialogOpens<RoomServiceDialog>([&](RoomServiceDialog* room) {
            WhenDialogOpens<CheckoutDialog>([&](CheckoutDialog* checkout) {
                auto* technicians = Child<LineListView>(checkout, u"technicianList"_s);
                QCOMPARE(Cells(technicians, 0), (QStringList { u"02"_s, u"01"_s }));
                const QList<QStringList> clocks = { { u"5"_s, u"2"_s }, { u"2"_s, u"0"_s } };
                for (int row = 0; row < 2; ++row) {
                    ClickLine(technicians, row);
                    TypeInto(Child<QLineEdit>(checkout, u"massageTimeEdit"_s), clocks[row][0]);
                    TypeInto(Child<QLineEdit>(checkout, u"footWashTimeEdit"_s), clocks[row][1]);
                }
                ClickLine(technicians, 1);
                Click(checkout, u"buttonRelease"_s); // 01 is done first and queues again
                QCOMPARE(Cells(technicians, 0), (QStringList { u"02"_s, u"*01"_s }));

                WhenDialogOpens<DiscountDialog>([](DiscountDialog* discount) {
                    WhenDialogOpens<LoginDialog>([](LoginDialog* login) { LogIn(login, u"经理"_s, u"g1"_s, u"pg"_s); });
                    Discount(discount, DiscountDialog::ManagerText, u"0.8"_s);
                });
                Click(checkout, u"buttonDiscount"_s);
                QCOMPARE(checkout->bill().total, u"130.50"_s);
                WhenDialogOpens<DiscountDialog>(
                    [](DiscountDialog* discount) { Discount(discount, DiscountDialog::MemberCardText, u"A001"_s); });
                Click(checkout, u"buttonDiscount"_s);
                QCOMPARE(checkout->bill().total, u"138.50"_s);
                TypeInto(Child<QLineEdit>(checkout, u"receivedEdit"_s), u"200"_s);
                QCOMPARE(Child<QLineEdit>(checkout, u"changeEdit"_s)->text(), u"61.50"_s);
                SaveScreen(window, checkout, QSize(1024, 768), u"checkout-1024x768.png"_s);
                Click(checkout, u"buttonSettle"_s);
            });
            Click(room, u"buttonCheckout"_s);
            QVERIFY(room->isClosed());
            Click(room, u"buttonOk"_s);
        });
        QTest::mouseClick(lamp, Qt::LeftButton);

        // The board, the queues, the stock and the three tables.
        QCOMPARE(lamp->text(), u"空闲"_s);
        QVERIFY(!lamp->isLit());
        QCOMPARE(desk.session().idleQueue().numbers(), (QStringList { u"03"_s, u"01"_s, u"02"_s }));
        QVERIFY(desk.session().workingList().isEmpty());
        Database& db = desk.database();
        QCOMPARE(db.scalar(u"SELECT str6 FROM kucheninfo WHERE str2='啤酒'"_s).toString(), u"12"_s);
        QCOMPARE(
            db.scalar(u"SELECT id || '|' || housnum || '|' || bytime || '|' || massagetime || washfoottime || "
                      "trimfoot || '|' || spjine || '|' || dazhe || '|' || dazheperson || '|' || alljine || '|' || "
                      "paytype || '|' || cashier || '|' || time FROM Receiptform"_s)
                .toString(),
            u"1|102|2026-12-07 09:20:30—2026-12-07 10:20:30|211|16.50|0.90|赵经理|138.50|A001|c1|2026-12-07 10:20:30"_s);
        QCOMPARE(JoinedRows(db,
                     u"SELECT num, ':', massagetime, '/', washfoottime, '=', salary, '@', cashier "
                     "FROM salaryform WHERE id=1 ORDER BY %1"_s.arg(db.dialect().rowKey()),
                     {}, u" "_s),
            u"02:5/2=107.00@c1 01:2/0=22.00@c1"_s);
        QCOMPARE(
            db.scalar(u"SELECT name || ' ' || counter || ' x ' || danjia || ' = ' || jine FROM spsalay WHERE id=1"_s)
                .toString(),
            u"啤酒 3 x 5.5 = 16.50"_s);
        QCOMPARE(desk.messages.texts(), QStringList { CheckoutDialog::ReleaseQuestion }); // nothing went wrong

        // The receipt.
        QCOMPARE(desk.printers.chosenCount(), 1);
        const QImage receipt = RasterisePdf(desk.printers.lastFile(), 96, TestOutputPath(u"receipt-of-the-road.png"_s));
        QVERIFY(!receipt.isNull());
        QVERIFY(InkBounds(receipt).height() > 200);
    }
};

QTEST_MAIN(GuestRoadTest)
#include "tst_guestroad.moc"
