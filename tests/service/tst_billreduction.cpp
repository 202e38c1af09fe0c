#include "app/Database.h"
#include "app/HouseSettings.h"
#include "desk/OperatorLog.h"
#include "rooms/RoomState.h"
#include "service/CheckoutDialog.h"
#include "service/LineListView.h"
#include "service/RoomServiceDialog.h"
#include "service/ServicePricesDialog.h"
#include "service/ServiceTestData.h"

#include <QCheckBox>
#include <QSqlRecord>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;

std::unique_ptr<RoomServiceDialog> Open(TestEnvironment& env, const QString& room = Room)
{
    return OpenRoomService(env, room);
}

QComboBox* Box(QWidget* dialog, const QString& name)
{
    return Child<QComboBox>(dialog, name);
}

struct Reduction
{
    QString description;
    QString amount;
    QString authoriser;
};

QList<Reduction> Reductions(TestEnvironment& env)
{
    QList<Reduction> rows;
    const SqlResult result = env.database.exec(
        u"SELECT description, amount, authoriser FROM operator_log WHERE kind=? ORDER BY id"_s, { LogKind::Reduction });
    for (const QSqlRecord& row : result.rows)
        rows.append({ row.value(0).toString(), row.value(1).toString(), row.value(2).toString() });
    return rows;
}

// 2 massage clocks at 40, 1 foot-wash at 30 and 3 beers at 5.50: 126.50.
void OpenFullBill(TestEnvironment& env)
{
    PrepareHouse(env);
    OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 0, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
}

} // namespace

// An open bill cannot be emptied unseen: whatever is taken off it before checkout is logged
// with its amount, and the house may ask for a 部长's approval first.
class BillReductionTest : public QObject
{
    Q_OBJECT

private slots:
    // The classic skim: the lines of a cash bill removed one by one, then settled at 0.00.
    void anEmptiedBillLeavesItsTrace()
    {
        TestEnvironment env;
        OpenFullBill(env);
        {
            auto dialog = Open(env);
            Choose(Box(dialog.get(), u"massageBox"_s), u"0"_s);
            Choose(Box(dialog.get(), u"footWashBox"_s), u"0"_s);
            auto* technicians = Child<LineListView>(dialog.get(), u"technicianList"_s);
            ClickLine(technicians, 0);
            Click(dialog.get(), u"buttonRemoveTechnician"_s);
            ClickLine(Child<LineListView>(dialog.get(), u"goodsList"_s), 0);
            Click(dialog.get(), u"buttonRemoveGoods"_s);
            Click(dialog.get(), u"buttonOk"_s);
        }
        const QList<Reduction> rows = Reductions(env);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].description, u"102号房减单:按摩2→0钟;原单126.50元,现单46.50元"_s);
        QCOMPARE(rows[0].amount, u"80.00"_s);
        QCOMPARE(rows[1].description, u"102号房减单:洗脚1→0钟;原单46.50元,现单16.50元"_s);
        QCOMPARE(rows[1].amount, u"30.00"_s);
        QCOMPARE(rows[2].description, u"102号房减单:删除技师01;原单16.50元,现单16.50元"_s);
        QCOMPARE(rows[2].amount, u"0.00"_s);
        QCOMPARE(rows[3].description, u"102号房减单:啤酒减3瓶;原单16.50元,现单0.00元"_s);
        QCOMPARE(rows[3].amount, u"16.50"_s);

        CheckoutDialog checkout(env.services, Room);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());
        const QList<Reduction> after = Reductions(env);
        QCOMPARE(after.size(), 5);
        QCOMPARE(after[4].description, u"102号房以0.00元结帐,此单最高曾达126.50元"_s);
        QCOMPARE(after[4].amount, u"126.50"_s);
    }

    // What raises a bill, or leaves it as it was, is no reduction.
    void aBillThatGrowsIsNotLogged()
    {
        TestEnvironment env;
        OpenFullBill(env);
        auto dialog = Open(env);
        Choose(Box(dialog.get(), u"massageBox"_s), u"3"_s);
        Click(dialog.get(), u"buttonAddClock"_s);
        Click(dialog.get(), u"buttonOk"_s);
        QVERIFY(Reductions(env).isEmpty());
        QCOMPARE(env.session.bill(Room)->massageClocks, 4);
        CheckoutDialog checkout(env.services, Room);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(Reductions(env).isEmpty());
    }

    // A count typed lower waits for "确定" and is logged with it.
    void aTypedLowerCountIsLoggedAtOk()
    {
        TestEnvironment env;
        OpenFullBill(env);
        auto dialog = Open(env);
        QComboBox* massage = Box(dialog.get(), u"massageBox"_s);
        massage->lineEdit()->selectAll();
        QTest::keyClick(massage->lineEdit(), Qt::Key_Backspace);
        TypeText(massage->lineEdit(), u"1"_s);
        QVERIFY(Reductions(env).isEmpty());
        Click(dialog.get(), u"buttonOk"_s);
        QVERIFY2(env.messages.texts().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(Reductions(env).size(), 1);
        QCOMPARE(Reductions(env)[0].amount, u"40.00"_s);
    }

    // With "减单需授权" on, a cashier's reduction needs a 部长 or above; refused, nothing changes.
    void theHouseMayAskForApproval()
    {
        TestEnvironment env;
        OpenFullBill(env);
        AddAccount(env, 1, u"b1"_s, u"pb"_s, u"钱部长"_s);
        QVERIFY(HouseSettings::set(env.database, HouseSettings::ReductionNeedsApproval, true).isEmpty());
        auto dialog = Open(env);

        LogInWhenAsked({}); // cancelled
        Choose(Box(dialog.get(), u"massageBox"_s), u"1"_s);
        QCOMPARE(env.session.bill(Room)->massageClocks, 2);
        QCOMPARE(Box(dialog.get(), u"massageBox"_s)->currentText(), u"2"_s);
        QVERIFY(Reductions(env).isEmpty());

        LogInWhenAsked(u"部长"_s, u"b1"_s, u"pb"_s);
        Choose(Box(dialog.get(), u"massageBox"_s), u"1"_s);
        QCOMPARE(env.session.bill(Room)->massageClocks, 1);
        QCOMPARE(Reductions(env).size(), 1);
        QCOMPARE(Reductions(env)[0].authoriser, u"b1"_s);

        // Raising needs nobody.
        Choose(Box(dialog.get(), u"massageBox"_s), u"5"_s);
        QCOMPARE(env.session.bill(Room)->massageClocks, 5);

        // A goods line removed is asked for at "确定"; refused, the dialog stays open.
        ClickLine(Child<LineListView>(dialog.get(), u"goodsList"_s), 0);
        Click(dialog.get(), u"buttonRemoveGoods"_s);
        LogInWhenAsked({});
        Click(dialog.get(), u"buttonOk"_s);
        QVERIFY(dialog->isVisible() || dialog->result() != QDialog::Accepted);
        QCOMPARE(env.session.bill(Room)->goods.size(), 1);
        QCOMPARE(Reductions(env).size(), 1);
    }

    // The switch is set where the prices are, off as delivered, and its change is logged.
    void theSwitchLivesInThePricesDialog()
    {
        TestEnvironment env;
        PrepareHouse(env);
        {
            ServicePricesDialog prices(env.services);
            auto* box = Child<QCheckBox>(&prices, u"reductionApprovalBox"_s);
            QVERIFY(!box->isChecked());
            box->setChecked(true);
            Click(&prices, u"okButton"_s);
        }
        QVERIFY(HouseSettings::isOn(env.database, HouseSettings::ReductionNeedsApproval));
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE description='减单需授权:开'"_s).toInt(), 1);
        ServicePricesDialog again(env.services);
        QVERIFY(Child<QCheckBox>(&again, u"reductionApprovalBox"_s)->isChecked());
    }
};

QTEST_MAIN(BillReductionTest)
#include "tst_billreduction.moc"
