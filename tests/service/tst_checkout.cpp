#include "app/Database.h"
#include "desk/AppServices.h"
#include "reports/PdfRaster.h"
#include "rooms/RoomState.h"
#include "service/CheckoutDialog.h"
#include "service/DiscountDialog.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServicePricesDialog.h"
#include "service/ServiceTestData.h"
#include "support/OtherDesk.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;

// The worked example: 2 massage clocks, 1 foot-wash clock, 1 pedicure and 3 beers at 5.5, with
// technicians 02 and 01 (01 listed on top at checkout).
void OpenWorkedExample(TestEnvironment& env)
{
    OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
}

QLineEdit* Box(QWidget* dialog, const QString& name)
{
    return Child<QLineEdit>(dialog, name);
}

LineListView* Technicians(QWidget* checkout)
{
    return Child<LineListView>(checkout, u"technicianList"_s);
}

// Answers the next discount dialog: the type, the typed value, then "确定" (and "取消" when
// `cancelAfter` is set, for a refused value).
void DiscountWhenAsked(const QString& type, const QString& value, bool cancelAfter = false)
{
    WhenDialogOpens<DiscountDialog>([=](DiscountDialog* dialog) {
        Choose(Child<QComboBox>(dialog, u"typeBox"_s), type);
        TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), value);
        Click(dialog, u"okButton"_s);
        if (cancelAfter && dialog->isVisible())
            Click(dialog, u"cancelButton"_s);
    });
}

// Enters one massage clock for every technician, as the desk does before "打单", so that
// settling asks nothing about commissions.
void ClockEveryTechnician(CheckoutDialog& checkout)
{
    for (int row = 0; row < Technicians(&checkout)->model()->rowCount(); ++row) {
        ClickLine(Technicians(&checkout), row);
        TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"1"_s);
    }
}

// The worked example open in checkout with every technician's clock entered, and another desk
// of the house beside it.
struct CheckoutBesideAnotherDesk
{
    explicit CheckoutBesideAnotherDesk(TestEnvironment& env)
        : prepared((PrepareHouse(env), OpenWorkedExample(env), true))
        , checkout(env.services, Room)
        , other(env)
    {
        ClockEveryTechnician(checkout);
    }
    bool prepared;
    CheckoutDialog checkout;
    OtherDesk other;
};

} // namespace

// Checkout driven through its widgets: the bill and the payment, the technicians' clocks and
// "下钟", the discounts, and "打单" with the order of choosing the printer, settling and
// printing; the prices dialog beside it.
class CheckoutTest : public QObject
{
    Q_OBJECT

private slots:
    void theWorkedExample()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenWorkedExample(env);
        CheckoutDialog checkout(env.services, Room);
        QCOMPARE(checkout.windowTitle(), u"结算"_s);
        QCOMPARE(checkout.bill().total, u"146.50"_s);

        DiscountWhenAsked(DiscountDialog::ManagerText, u"0.8"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(checkout.bill().massage->amount, u"64.00"_s);
        QCOMPARE(checkout.bill().footWash->amount, u"30.00"_s);
        QCOMPARE(checkout.bill().pedicure->amount, u"20.00"_s);
        QCOMPARE(checkout.bill().goodsSubtotal, u"16.50"_s);
        QCOMPARE(checkout.bill().total, u"130.50"_s);
        QCOMPARE(checkout.discountApprover(), u"赵经理"_s);
        QCOMPARE(checkout.payType(), u"普通"_s);
        QCOMPARE(Box(&checkout, u"payableEdit"_s)->text(), u"130.50"_s);
        QVERIFY(checkout.layout().drawing().findText(u"130.50"_s));

        TypeInto(Box(&checkout, u"receivedEdit"_s), u"200"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"69.50"_s);
        TypeInto(Box(&checkout, u"receivedEdit"_s), u"100"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"-30.50"_s);
        QVERIFY(env.messages.shown().isEmpty());

        // A later discount replaces the earlier one, and the change follows what is due.
        DiscountWhenAsked(DiscountDialog::ManagerText, u"1"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(checkout.bill().total, u"146.50"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"-46.50"_s);
    }

    void paymentsThatAreNoAmount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("a comma") << u"12,5"_s << u"收款不是一个数字!"_s;
        QTest::newRow("an exponent") << u"1e308"_s << u"收款不是一个数字!"_s;
        QTest::newRow("negative") << u"-3"_s << u"收款不能是负数!"_s;
        QTest::newRow("letters") << u"abc"_s << u"收款不是一个数字!"_s;
    }

    // "收款" reads the payment strictly as it is typed: the digits of a Chinese input method
    // count, and a text that is no amount is refused with the reason, the box and the change
    // keeping what they showed, where it used to count as 12, 0 or a 309-digit sum. An empty
    // box still counts 0.
    void paymentsThatAreNoAmount()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        CheckoutDialog checkout(env.services, Room);
        QLineEdit* received = Box(&checkout, u"receivedEdit"_s);
        QLineEdit* change = Box(&checkout, u"changeEdit"_s);
        TypeInto(received, u"１５０．５"_s);
        QCOMPARE(change->text(), u"4.00"_s); // 146.50 due
        QVERIFY(env.messages.shown().isEmpty());

        CommitInto(received, typed);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(received->text(), u"１５０．５"_s);
        QCOMPARE(change->text(), u"4.00"_s);
        if (QByteArray(QTest::currentDataTag()) == "a comma") {
            ShowOnScreen(checkout);
            QVERIFY(SaveRefusalPictures(checkout, message, u"checkout-payment-refused"_s));
        }

        env.messages.clear();
        received->clear();
        QCOMPARE(change->text(), u"-146.50"_s);
        QVERIFY(env.messages.shown().isEmpty());
    }

    void receiptNumbersOneTwoAndNoneForContinue()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, u"101"_s, { u"01"_s }, 1);
        OpenRoom(env, u"102"_s, { u"02"_s }, 2);
        {
            CheckoutDialog checkout(env.services, u"101"_s);
            QCOMPARE(checkout.receiptNumber(), 1);
            QVERIFY(checkout.layout().drawing().findText(u"NO:001"_s));
            Click(&checkout, u"buttonContinue"_s);
            QCOMPARE(checkout.result(), int(QDialog::Rejected));
        }
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(env.session.roomState(u"101"_s), RoomState::InService);
        for (const QString& room : { u"101"_s, u"102"_s }) {
            CheckoutDialog checkout(env.services, room);
            ClockEveryTechnician(checkout);
            Click(&checkout, u"buttonSettle"_s);
            QVERIFY(checkout.isSettled());
            QCOMPARE(checkout.result(), int(QDialog::Accepted));
            QCOMPARE(checkout.receiptNumber(), room == u"101"_s ? 1 : 2);
            QVERIFY(QFile::exists(env.printers.lastFile()));
        }
        QCOMPARE(JoinedRows(env.database, u"SELECT id, housnum FROM Receiptform ORDER BY id"_s), u"1101,2102"_s);
        QCOMPARE(env.session.roomState(u"101"_s), RoomState::Idle);
        QVERIFY(env.messages.shown().isEmpty());
    }

    void clocksAreEnteredPerTechnicianAndKeptByContinue()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        {
            CheckoutDialog checkout(env.services, Room);
            QCOMPARE(Cells(Technicians(&checkout), 0), (QStringList { u"01"_s, u"02"_s }));
            TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"3"_s);
            QCOMPARE(env.messages.lastText(), CheckoutDialog::NoTechnicianText);

            ClickLine(Technicians(&checkout), 0);
            QCOMPARE(Box(&checkout, u"massageTimeEdit"_s)->text(), u"0"_s);
            QVERIFY(Box(&checkout, u"massageTimeEdit"_s)->hasFocus() || !checkout.isVisible());
            TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"5"_s);
            TypeInto(Box(&checkout, u"footWashTimeEdit"_s), u"2"_s);
            QCOMPARE(Cells(Technicians(&checkout), 2), (QStringList { u"5"_s, u"0"_s }));
            QCOMPARE(Cells(Technicians(&checkout), 3), (QStringList { u"2"_s, u"0"_s }));
            // Choosing the row again shows 0 in the boxes and leaves its clocks.
            ClickLine(Technicians(&checkout), 0);
            QCOMPARE(Box(&checkout, u"footWashTimeEdit"_s)->text(), u"0"_s);
            QCOMPARE(Cells(Technicians(&checkout), 2), (QStringList { u"5"_s, u"0"_s }));
            checkout.reject(); // the close box: as "继续"
        }
        QCOMPARE(env.session.bill(Room)->technicians.first().number, u"01"_s);
        QCOMPARE(env.session.bill(Room)->technicians.first().massageClocks, 5);
        CheckoutDialog again(env.services, Room);
        QCOMPARE(Cells(Technicians(&again), 0), (QStringList { u"02"_s, u"01"_s }));
        QCOMPARE(Cells(Technicians(&again), 2), (QStringList { u"0"_s, u"5"_s }));
        ClickLine(Technicians(&again), 1);
        Click(&again, u"buttonSettle"_s);
        QCOMPARE(env.database.scalar(u"SELECT salary FROM salaryform WHERE num='01'"_s).toString(), u"107.00"_s);
    }

    // A room with clocks whose technicians have none entered is not settled without a word:
    // "打单" names them; "取消" goes back with the first of them selected, "确定" settles.
    void techniciansWithoutClocksAreNamedBeforeSettling()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        CheckoutDialog checkout(env.services, Room);
        ClickLine(Technicians(&checkout), 1); // 02
        TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"2"_s);
        env.messages.queueAnswer(false);
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { CheckoutDialog::NoClocksQuestion.arg(u"01"_s) });
        QVERIFY(env.messages.shown().first().question);
        QVERIFY(!checkout.isSettled());
        QCOMPARE(env.printers.chosenCount(), 0);
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(Technicians(&checkout)->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(Technicians(&checkout)->selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(Box(&checkout, u"massageTimeEdit"_s)->text(), u"0"_s);

        // Both left without clocks are named; settled all the same when the desk says so.
        ClickLine(Technicians(&checkout), 1);
        TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"0"_s);
        env.messages.clear();
        env.messages.queueAnswer(true);
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { CheckoutDialog::NoClocksQuestion.arg(u"01、02"_s) });
        QVERIFY(checkout.isSettled());
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM salaryform WHERE salary IN ('0', '0.00', '')"_s).toInt(), 2);
    }

    // A room without clocks (goods only) asks nothing.
    void aRoomWithoutClocksAsksNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 0, 0, 0, { { u"啤酒"_s, 1, u"5.5"_s, u"瓶"_s } });
        CheckoutDialog checkout(env.services, Room);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());
        QVERIFY(env.messages.shown().isEmpty());
    }

    // The cashier columns of a settlement name whoever is logged in at the desk, a manager too,
    // not the cashier who logged in last; a cashier's login still makes him the current cashier.
    void theBillNamesTheUserLoggedIn()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        env.session.logIn(0, u"小李"_s, u"c1"_s);
        env.session.setCurrentCashier(u"c1"_s);
        env.session.logIn(2, u"赵经理"_s, u"g1"_s); // the cashier went home
        {
            CheckoutDialog checkout(env.services, Room);
            ClockEveryTechnician(checkout);
            Click(&checkout, u"buttonSettle"_s);
            QVERIFY(checkout.isSettled());
        }
        for (const QString& table : { u"Receiptform"_s, u"salaryform"_s, u"spsalay"_s })
            QCOMPARE(JoinedRows(env.database, u"SELECT DISTINCT cashier FROM %1"_s.arg(table)), u"g1"_s);
        QCOMPARE(env.session.currentCashier(), u"c1"_s);
    }

    void releasingATechnicianTwiceChangesNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        CheckoutDialog checkout(env.services, Room);
        Click(&checkout, u"buttonRelease"_s);
        QCOMPARE(env.messages.texts(), QStringList { CheckoutDialog::NoTechnicianText });

        ClickLine(Technicians(&checkout), 1); // 02
        env.messages.queueAnswer(false);
        Click(&checkout, u"buttonRelease"_s);
        QCOMPARE(Cells(Technicians(&checkout), 0), (QStringList { u"01"_s, u"02"_s }));

        Click(&checkout, u"buttonRelease"_s);
        QCOMPARE(env.messages.shown().last().text, CheckoutDialog::ReleaseQuestion);
        QCOMPARE(env.messages.shown().last().caption, u"警告"_s);
        QVERIFY(env.messages.shown().last().question);
        QCOMPARE(Cells(Technicians(&checkout), 0), (QStringList { u"01"_s, u"*02"_s }));
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s }));
        QCOMPARE(env.session.workingList().numbers(), QStringList { u"01"_s });
        QCOMPARE(RoomStates::lampText(env.session, Room), u"01 *02 "_s); // stored at once

        const int asked = int(env.messages.shown().size());
        Click(&checkout, u"buttonRelease"_s);
        QCOMPARE(env.messages.shown().size(), asked + 1); // asked again ...
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"02"_s }));
        QCOMPARE(Cells(Technicians(&checkout), 0), (QStringList { u"01"_s, u"*02"_s })); // ... and nothing changed
    }

    void aMemberCardLowersTheMassageLine()
    {
        TestEnvironment env;
        PrepareHouse(env);
        env.sql(u"INSERT INTO huiyeninfo (str1, str2) VALUES ('A001', '钱先生')"_s);
        OpenRoom(env, Room, { u"01"_s }, 2);
        CheckoutDialog checkout(env.services, Room);

        DiscountWhenAsked(DiscountDialog::MemberCardText, u"B999"_s, true);
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"没有找到这卡,请重新输入!"_s });
        QCOMPARE(checkout.discountFactor(), Decimal::whole(1));

        DiscountWhenAsked(DiscountDialog::MemberCardText, u"A001"_s); // no login asked
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(checkout.bill().massage->amount, u"72.00"_s);
        QCOMPARE(checkout.bill().discount, u"0.90"_s);
        QCOMPARE(checkout.payType(), u"A001"_s);
        QCOMPARE(checkout.discountApprover(), u"0"_s);
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT paytype, ' ', dazhe, ' ', alljine FROM Receiptform"_s),
            u"A001 0.90 72.00"_s);
    }

    // A failed card lookup grants nothing: the error is shown and the dialog stays.
    void aFailedCardLookupGrantsNoDiscount()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 2);
        env.sql(u"ALTER TABLE huiyeninfo RENAME TO huiyeninfo_away"_s);
        CheckoutDialog checkout(env.services, Room);
        bool stayed = false;
        WhenDialogOpens<DiscountDialog>([&stayed](DiscountDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"typeBox"_s), DiscountDialog::MemberCardText);
            QCOMPARE(Child<QLabel>(dialog, u"valueLabel"_s)->text(), u"卡号:"_s);
            TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), u"A001"_s);
            Click(dialog, u"okButton"_s);
            stayed = dialog->isVisible();
            dialog->reject();
        });
        Click(&checkout, u"buttonDiscount"_s);
        QVERIFY(stayed);
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY2(env.messages.lastText().contains(u"huiyeninfo"_s), qPrintable(env.messages.lastText()));
        QCOMPARE(checkout.discountFactor(), Decimal::whole(1));
        QCOMPARE(checkout.bill().massage->amount, u"80.00"_s);
    }

    void managerDiscounts_data()
    {
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("massage"); // the massage line after it
        QTest::newRow("0.85 by a manager") << u"0.85"_s << u"经理"_s << QString() << u"68.00"_s;
        QTest::newRow("1 by a minister") << u"1"_s << u"部长"_s << QString() << u"80.00"_s;
        QTest::newRow("0") << u"0"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("1.5") << u"1.5"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("letters") << u"八折"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("full-width 0.85") << u"０．８５"_s << u"经理"_s << QString() << u"68.00"_s;
        QTest::newRow("a comma") << u"0,85"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("an exponent") << u"1e-1"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("negative") << u"-0.5"_s << QString() << u"请输入范围在0-1之间的小数!"_s << u"80.00"_s;
        QTest::newRow("a cashier") << u"0.5"_s << u"收银员"_s << u"收银员没有打折的权限!"_s << u"80.00"_s;
    }

    void managerDiscounts()
    {
        QFETCH(QString, factor);
        QFETCH(QString, role);
        QFETCH(QString, message);
        QFETCH(QString, massage);
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 0, u"c1"_s, u"pc"_s, u"小李"_s);
        AddAccount(env, 1, u"m1"_s, u"pm"_s, u"王部长"_s);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenRoom(env, Room, { u"01"_s }, 2);
        CheckoutDialog checkout(env.services, Room);
        const QHash<QString, QStringList> accounts { { u"收银员"_s, { u"c1"_s, u"pc"_s } },
            { u"部长"_s, { u"m1"_s, u"pm"_s } }, { u"经理"_s, { u"g1"_s, u"pg"_s } } };
        auto prompted = std::make_shared<bool>(false);
        if (!role.isEmpty()) {
            WhenDialogOpens<LoginDialog>([=](LoginDialog* login) {
                *prompted = true;
                Child<QComboBox>(login, u"roleBox"_s)->setCurrentText(role);
                TypeInto(Child<QLineEdit>(login, u"accountEdit"_s), accounts[role][0]);
                TypeInto(Child<QLineEdit>(login, u"passwordEdit"_s), accounts[role][1]);
                Click(login, u"loginButton"_s);
            });
        }
        DiscountWhenAsked(DiscountDialog::ManagerText, factor, true);
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(env.messages.texts(), message.isEmpty() ? QStringList() : QStringList { message });
        QCOMPARE(*prompted, !role.isEmpty()); // a value out of range asks nobody
        QCOMPARE(checkout.bill().massage->amount, massage);
        QCOMPARE(
            checkout.discountApprover(), message.isEmpty() ? (role == u"经理"_s ? u"赵经理"_s : u"王部长"_s) : u"0"_s);
    }

    void withoutPricesNothingIsSettled()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        QVERIFY(RemoveSetting(env, ServiceSettings::FileName.toString()));
        CheckoutDialog checkout(env.services, Room);
        QCOMPARE(env.messages.texts(), QStringList { u"打开一个二进制文件失败!"_s });
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.lastText(), u"服务价格没有设置,不能打单!请先在价格设置中设置服务价格!"_s);
        QCOMPARE(env.printers.chosenCount(), 0);
        QVERIFY(!checkout.isSettled());
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
    }

    void aCancelledPrinterSettlesNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        CheckoutDialog checkout(env.services, Room);
        ClockEveryTechnician(checkout);
        env.printers.setCancelled(true);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(!checkout.isSettled());
        QCOMPARE(checkout.result(), int(QDialog::Rejected));
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // Choose the printer, commit, then print: a failed commit prints nothing and leaves the
    // checkout open and the room in service.
    void aFailedCommitPrintsNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        env.sql(
            u"CREATE TRIGGER refuse BEFORE INSERT ON spsalay BEGIN SELECT RAISE(ABORT, 'database or disk is full'); "
            "END"_s);
        CheckoutDialog checkout(env.services, Room);
        ClockEveryTechnician(checkout);
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"database or disk is full"_s });
        QCOMPARE(env.printers.chosenCount(), 1);
        QVERIFY(!QFile::exists(env.printers.lastFile()));
        QVERIFY(!checkout.isSettled());
        QCOMPARE(checkout.result(), int(QDialog::Rejected));
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(StockOf(env, u"啤酒"_s), u"15"_s);
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
    }

    void aPrinterFailureLeavesTheBillSettled()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        env.printers.setBroken(true);
        CheckoutDialog checkout(env.services, Room);
        ClockEveryTechnician(checkout);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());
        QCOMPARE(checkout.result(), int(QDialog::Accepted));
        QCOMPARE(env.messages.texts(), QStringList { u"单据已结算(单据编号1),但小票没有打印出来,请检查打印机。"_s });
        QCOMPARE(RowCount(env, u"Receiptform"_s), 1);
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
    }

    // The low-stock warning comes once the bill is stored, not while its transaction is open.
    void lowStockIsToldAfterTheCommit()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"01"_s }, 1, 0, 0, { { u"啤酒"_s, 5, u"5.5"_s, u"瓶"_s } });
        int storedWhenTold = -1;
        int openTransactions = -1;
        env.messages.setObserver([&](const ScriptedMessageService::Shown&) {
            storedWhenTold = RowCount(env, u"Receiptform"_s);
            openTransactions = env.database.transactionDepth();
        });
        CheckoutDialog checkout(env.services, Room);
        ClockEveryTechnician(checkout);
        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"啤酒数量已不多,请及时采购!"_s });
        QCOMPARE(storedWhenTold, 1);
        QCOMPARE(openTransactions, 0);
        QCOMPARE(StockOf(env, u"啤酒"_s), u"10"_s);
    }

    // "结帐" from room service: a settled stay leaves the room dialog open with the stay ended.
    void settlingFromRoomService()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenWorkedExample(env);
        RoomServiceDialog room(env.services, { Room, true, *env.session.bill(Room) });
        WhenDialogOpens<CheckoutDialog>([](CheckoutDialog* checkout) {
            ClickLine(Child<LineListView>(checkout, u"technicianList"_s), 0);
            Click(checkout, u"buttonRelease"_s); // 01 goes first
            Click(checkout, u"buttonSettle"_s);
        });
        Click(&room, u"buttonCheckout"_s);
        QVERIFY(room.isClosed());
        QVERIFY(!Child<QRadioButton>(&room, u"radioGuestIn"_s)->isChecked());
        QVERIFY(!Child<QRadioButton>(&room, u"radioInService"_s)->isChecked());
        // What acts on the bill no longer applies: the room has none.
        for (const QString& control : { u"buttonAddTechnician"_s, u"buttonRemoveTechnician"_s, u"buttonAddClock"_s,
                 u"massageBox"_s, u"footWashBox"_s, u"pedicureBox"_s, u"technicianBox"_s, u"goodsBox"_s,
                 u"quantityBox"_s, u"buttonAddGoods"_s, u"buttonRemoveGoods"_s, u"buttonCheckout"_s, u"buttonVoid"_s })
            QVERIFY2(!Child<QWidget>(&room, control)->isEnabled(), qPrintable(control));
        QVERIFY(Child<QPushButton>(&room, u"buttonOk"_s)->isEnabled());
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        QCOMPARE(env.session.idleQueue().numbers(), (QStringList { u"03"_s, u"04"_s, u"05"_s, u"01"_s, u"02"_s }));
        Click(&room, u"buttonOk"_s);
        QVERIFY(room.outcome().closed);
        QVERIFY(RoomStates::applyOutcome(env.session, Room, room.outcome()).ok());
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
    }

    // The bill on the screen and the receipt it prints, for a person to look at.
    // --- another desk of the house ------------------------------------------------------------

    // The other desk added a clock while this checkout was open: "打单" is refused with the
    // reason and nothing is stored; the bill is drawn and priced as stored now, and the clocks
    // entered and the payment typed here stay. The next "打单" settles the bill as shown.
    void aBillChangedAtAnotherDeskIsPricedAgainBeforeItIsSettled()
    {
        TestEnvironment env;
        CheckoutBesideAnotherDesk desks(env);
        CheckoutDialog& checkout = desks.checkout;
        QVERIFY(desks.other.ok);
        TypeInto(Box(&checkout, u"receivedEdit"_s), u"200"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"53.50"_s);
        QVERIFY(desks.other.session.setCount(Room, BillCount::Massage, 3).ok());

        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { DeskSession::RoomChangedText.arg(Room) });
        QVERIFY(!checkout.isSettled());
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(checkout.bill().total, u"186.50"_s);
        QCOMPARE(Box(&checkout, u"payableEdit"_s)->text(), u"186.50"_s);
        QVERIFY(checkout.layout().drawing().findText(u"186.50"_s));
        QCOMPARE(Box(&checkout, u"receivedEdit"_s)->text(), u"200"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"13.50"_s);
        QCOMPARE(Cells(Technicians(&checkout), 2), (QStringList { u"1"_s, u"1"_s }));
        checkout.show();
        QVERIFY(QTest::qWaitForWindowExposed(&checkout));
        SavePicture(&checkout, u"checkout-changed-elsewhere.png"_s);

        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());
        QCOMPARE(checkout.bill().total, u"186.50"_s);
        QCOMPARE(RowCount(env, u"Receiptform"_s), 1);
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        QCOMPARE(env.messages.texts().size(), 1);
    }

    // A line the other desk changed shows as it stored it; the lines it left keep the clocks
    // entered here.
    void aTechnicianReleasedAtAnotherDeskShowsAsStored()
    {
        TestEnvironment env;
        CheckoutBesideAnotherDesk desks(env);
        CheckoutDialog& checkout = desks.checkout;
        QVERIFY(desks.other.ok);
        QVERIFY(desks.other.session.releaseTechnician(Room, u"02"_s).ok());

        ClickLine(Technicians(&checkout), 0); // 01
        env.messages.queueAnswer(true);
        Click(&checkout, u"buttonRelease"_s);
        QCOMPARE(env.messages.texts().last(), DeskSession::RoomChangedText.arg(Room));
        QCOMPARE(Cells(Technicians(&checkout), 0), (QStringList { u"01"_s, u"*02"_s }));
        QCOMPARE(Cells(Technicians(&checkout), 2), (QStringList { u"1"_s, u"0"_s }));
        QCOMPARE(env.session.bill(Room)->technicians.first().number, u"02"_s);
        QVERIFY(env.session.bill(Room)->technicians.first().released);
        QVERIFY(!env.session.bill(Room)->technicians.last().released); // 01
    }

    // The room was settled at the other desk: this checkout cannot settle it again.
    void aRoomSettledAtAnotherDeskIsNotSettledTwice()
    {
        TestEnvironment env;
        CheckoutBesideAnotherDesk desks(env);
        CheckoutDialog& checkout = desks.checkout;
        QVERIFY(desks.other.ok);
        QVERIFY(desks.other.session.closeRoom(Room).ok());

        Click(&checkout, u"buttonSettle"_s);
        QCOMPARE(env.messages.texts(), QStringList { DeskSession::RoomChangedText.arg(Room) });
        QVERIFY(!checkout.isSettled());
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QVERIFY(!Child<QPushButton>(&checkout, u"buttonSettle"_s)->isEnabled());
        QVERIFY(!Child<QPushButton>(&checkout, u"buttonRelease"_s)->isEnabled());
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        Click(&checkout, u"buttonContinue"_s);
        QCOMPARE(checkout.result(), int(QDialog::Rejected));
        QVERIFY(!checkout.isVisible());
    }

    void pictures()
    {
        TestEnvironment env;
        PrepareHouse(env);
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1,
            { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s }, { u"红/白葡萄酒"_s, 1, u"128.00"_s, u"瓶"_s } });
        env.clock.advanceSeconds(65 * 60);
        CheckoutDialog checkout(env.services, Room);
        ClickLine(Technicians(&checkout), 0);
        TypeInto(Box(&checkout, u"massageTimeEdit"_s), u"2"_s);
        TypeInto(Box(&checkout, u"receivedEdit"_s), u"300"_s);
        checkout.show();
        QVERIFY(QTest::qWaitForWindowExposed(&checkout));
        const QImage screen = SavePicture(&checkout, u"checkout.png"_s);
        QVERIFY(screen.width() <= 1024 - 40 && screen.height() <= 768 - 80);

        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());
        const QImage receipt = RasterisePdf(env.printers.lastFile(), 96, TestOutputPath(u"receipt-of-checkout.png"_s));
        QVERIFY(!receipt.isNull());
    }

    // --- the prices -----------------------------------------------------------------------------

    void pricesRoundTrip_data() { AddSettingPlaceRows(); }

    void pricesRoundTrip()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        {
            ServicePricesDialog prices(env.services);
            QCOMPARE(prices.windowTitle(), u"设置服务价格"_s);
            QCOMPARE(Box(&prices, u"massagePriceEdit"_s)->text(), u"60.00"_s); // delivered
            TypeInto(Box(&prices, u"massagePriceEdit"_s), u"38"_s);
            TypeInto(Box(&prices, u"memberDiscountEdit"_s), u"0.8"_s);
            Choose(Child<QComboBox>(&prices, u"freeClockBox"_s), u"5"_s);
            Click(&prices, u"okButton"_s);
            QCOMPARE(prices.result(), int(QDialog::Accepted));
        }
        const QByteArray bytes = SettingBytes(env.settings, ServiceSettings::FileName.toString());
        QCOMPARE(bytes.size(), 40);
        const std::optional<ServiceSettings> read = ServiceSettings::read(env.settings, env.messages);
        QCOMPARE(read->massagePrice, Decimal::whole(38));
        QCOMPARE(read->freeClockCount, Decimal::whole(5));
        QCOMPARE(read->memberDiscount, Dec(0.8));

        ServicePricesDialog reopened(env.services);
        QCOMPARE(Box(&reopened, u"massagePriceEdit"_s)->text(), u"38.00"_s);
        QCOMPARE(Box(&reopened, u"memberDiscountEdit"_s)->text(), u"0.80"_s);
        QCOMPARE(Child<QComboBox>(&reopened, u"freeClockBox"_s)->currentText(), u"5"_s); // a count
        TypeInto(Box(&reopened, u"footWashPriceEdit"_s), u"99"_s);
        Click(&reopened, u"cancelButton"_s);
        QCOMPARE(SettingBytes(env.settings, ServiceSettings::FileName.toString()), bytes); // byte for byte
        QVERIFY(env.messages.shown().isEmpty());
    }

    // New prices are stored only with the log row that records them: when the log refuses the
    // row, the old prices stay, in the folder's file as in the server's row, and the failure is
    // said once.
    void thePricesAreKeptOnlyWithTheirLogRow_data() { AddSettingPlaceRows(); }

    void thePricesAreKeptOnlyWithTheirLogRow()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        const QByteArray before = SettingBytes(env.settings, ServiceSettings::FileName.toString());
        QCOMPARE(before.size(), ServiceSettings::FileSize);
        env.sql(
            u"CREATE TRIGGER log_refused BEFORE INSERT ON operator_log BEGIN SELECT RAISE(ABORT, '日志已满'); END"_s);
        {
            ServicePricesDialog prices(env.services);
            TypeInto(Box(&prices, u"massagePriceEdit"_s), u"38"_s);
            Click(&prices, u"okButton"_s);
            QCOMPARE(prices.result(), int(QDialog::Accepted)); // the dialog closes either way
        }
        QCOMPARE(env.messages.shown().size(), 1);
        QVERIFY(env.messages.lastText().contains(u"日志已满"_s));
        QCOMPARE(SettingBytes(env.settings, ServiceSettings::FileName.toString()), before);
        QCOMPARE(ServiceSettings::read(env.settings, env.messages)->massagePrice, Decimal::whole(60));

        // With the log working again, the prices and their row go in together.
        env.sql(u"DROP TRIGGER log_refused"_s);
        env.messages.clear();
        {
            ServicePricesDialog prices(env.services);
            TypeInto(Box(&prices, u"massagePriceEdit"_s), u"38"_s);
            Click(&prices, u"okButton"_s);
        }
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(ServiceSettings::read(env.settings, env.messages)->massagePrice, Decimal::whole(38));
        QCOMPARE(
            env.sql(u"SELECT count(*) FROM operator_log WHERE description LIKE '价格由%'"_s).first().value(0).toInt(),
            1);
    }

    // The file is written before the commit; when the commit then fails, the old prices are
    // put back, so no price change stands without its log row.
    void aFailedCommitPutsTheOldPricesBack_data() { AddSettingPlaceRows(); }

    void aFailedCommitPutsTheOldPricesBack()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        const QByteArray before = SettingBytes(env.settings, ServiceSettings::FileName.toString());
        QCOMPARE(before.size(), ServiceSettings::FileSize);
        // A row that the commit refuses: its foreign key is checked only then.
        if (!env.server())
            env.sql(u"PRAGMA foreign_keys=ON"_s); // a server always checks them
        env.sql(u"CREATE TABLE anchor (id INTEGER PRIMARY KEY)"_s);
        env.sql(u"CREATE TABLE dangling (id INTEGER REFERENCES anchor(id) DEFERRABLE INITIALLY DEFERRED)"_s);
        if (env.server()) {
            env.sql(u"CREATE FUNCTION log_dangles() RETURNS trigger LANGUAGE plpgsql AS "
                    "$dangles$ BEGIN INSERT INTO dangling VALUES (1); RETURN NULL; END $dangles$"_s);
            env.sql(
                u"CREATE TRIGGER log_dangles AFTER INSERT ON operator_log FOR EACH ROW EXECUTE FUNCTION log_dangles()"_s);
        } else {
            env.sql(u"CREATE TRIGGER log_dangles AFTER INSERT ON operator_log BEGIN INSERT INTO dangling VALUES (1); "
                    "END"_s);
        }
        {
            ServicePricesDialog prices(env.services);
            TypeInto(Box(&prices, u"massagePriceEdit"_s), u"38"_s);
            Click(&prices, u"okButton"_s);
        }
        QCOMPARE(env.messages.shown().size(), 1);
        QCOMPARE(SettingBytes(env.settings, ServiceSettings::FileName.toString()), before);
        QCOMPARE(
            env.sql(u"SELECT count(*) FROM operator_log WHERE description LIKE '价格由%'"_s).first().value(0).toInt(),
            0);
    }

    // Tab runs down the prices first, then the column beside them, then the clock settings:
    // typing the prices in order never lands the foot-wash price in the free-clock count.
    void tabRunsDownThePricesFirst()
    {
        TestEnvironment env;
        ServicePricesDialog prices(env.services);
        QVERIFY(ShowOnScreen(prices));
        QCOMPARE(TabOrder(Box(&prices, u"massagePriceEdit"_s), 7),
            (QStringList { u"footWashPriceEdit"_s, u"pedicurePriceEdit"_s, u"freeClockBox"_s, u"memberDiscountEdit"_s,
                u"massageMinutesEdit"_s, u"alertMinutesEdit"_s, u"footWashMinutesEdit"_s }));
        QVERIFY(prices.grab().save(TestOutputPath(u"prices-dialog.png"_s))); // a fixed size on any screen
    }

    void pricesThatAreRefused_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("massage below 0") << u"massagePriceEdit"_s << u"-1"_s << u"按摩价格不能小于0,请重新输入!"_s;
        QTest::newRow("member discount 1.2")
            << u"memberDiscountEdit"_s << u"1.2"_s << u"会员打折请输入范围在0-1之间的小数!"_s;
    }

    void pricesThatAreRefused()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TestEnvironment env;
        const QByteArray before = SettingBytes(env.settings, ServiceSettings::FileName.toString());
        ServicePricesDialog prices(env.services);
        TypeInto(Box(&prices, box), typed);
        Click(&prices, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(prices.result(), int(QDialog::Rejected));
        QCOMPARE(SettingBytes(env.settings, ServiceSettings::FileName.toString()), before);
    }

    void lettersArePriceZeroAndAMissingFileIsMadeOnOk()
    {
        TestEnvironment env;
        QVERIFY(RemoveSetting(env, ServiceSettings::FileName.toString()));
        ServicePricesDialog prices(env.services);
        QCOMPARE(env.messages.texts(), QStringList { u"打开一个二进制文件失败!"_s });
        QCOMPARE(Box(&prices, u"massagePriceEdit"_s)->text(), QString());
        // Text that is no number is refused, not taken as 0; an empty box is 0.
        TypeInto(Box(&prices, u"massagePriceEdit"_s), u"abc"_s);
        TypeInto(Box(&prices, u"memberDiscountEdit"_s), u"0.95"_s);
        env.messages.clear();
        Click(&prices, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"按摩价格不是一个数字,请重新输入!"_s });
        QVERIFY(!env.settings.holds(ServiceSettings::FileName.toString()));
        TypeInto(Box(&prices, u"massagePriceEdit"_s), u"３８．５"_s);
        Click(&prices, u"okButton"_s);
        const std::optional<ServiceSettings> read = ServiceSettings::read(env.settings, env.messages);
        QVERIFY(read && read->complete);
        QCOMPARE(read->massagePrice, Dec(38.5));
        QCOMPARE(read->footWashPrice, Decimal());
        QCOMPARE(read->memberDiscount, Dec(0.95));
    }
};

QTEST_MAIN(CheckoutTest)
#include "tst_checkout.moc"
