#include "app/Database.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "reports/PdfRaster.h"
#include "reports/QueryWindow.h"
#include "rooms/RoomState.h"
#include "service/CheckoutDialog.h"
#include "service/DiscountDialog.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceTestData.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSqlRecord>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;

// One row of the operator log, as the tests compare it.
struct LogRow
{
    QString kind;
    QString login;
    QString authoriser;
    int authoriserRole = -1;
    QString room;
    qint64 receipt = 0;
    QString amount;

    friend bool operator==(const LogRow&, const LogRow&) = default;
};

QList<LogRow> LogRows(TestEnvironment& env, const QString& kind = {})
{
    QList<LogRow> rows;
    const SqlResult result
        = env.database.exec(u"SELECT kind, login, authoriser, authoriser_role, room, receipt, amount FROM operator_log "
                            "WHERE ?='' OR kind=? ORDER BY id"_s,
            { kind, kind });
    for (const QSqlRecord& row : result.rows)
        rows.append({ row.value(0).toString(), row.value(1).toString(), row.value(2).toString(), row.value(3).toInt(),
            row.value(4).toString(), row.value(5).toLongLong(), row.value(6).toString() });
    return rows;
}

char* toString(const LogRow& row)
{
    return QTest::toString(
        u"%1 login=%2 authoriser=%3/%4 room=%5 receipt=%6 amount=%7"_s.arg(row.kind, row.login, row.authoriser)
            .arg(row.authoriserRole)
            .arg(row.room)
            .arg(row.receipt)
            .arg(row.amount));
}

std::unique_ptr<RoomServiceDialog> Open(TestEnvironment& env, const QString& room = Room)
{
    bool unrecognised = false;
    const QString lamp = RoomStates::lampText(env.session, room);
    return std::make_unique<RoomServiceDialog>(
        env.services, RoomStates::requestForLamp(env.session, room, lamp, &unrecognised));
}

void DiscountWhenAsked(const QString& value)
{
    WhenDialogOpens<DiscountDialog>([=](DiscountDialog* dialog) {
        Choose(Child<QComboBox>(dialog, u"typeBox"_s), DiscountDialog::ManagerText);
        TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), value);
        Click(dialog, u"okButton"_s);
    });
}

// Settles the room at checkout, paid by `method`.
void SettleAt(TestEnvironment& env, const QString& room, const QString& method)
{
    CheckoutDialog checkout(env.services, room);
    Choose(Child<QComboBox>(&checkout, u"paymentMethodBox"_s), method);
    Click(&checkout, u"buttonSettle"_s);
    QVERIFY(checkout.isSettled());
}

// A log whose writes fail as a full disk would make them fail.
void BreakTheLog(TestEnvironment& env)
{
    env.sql(u"CREATE TEMP TRIGGER log_broken BEFORE INSERT ON main.operator_log "
            "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"_s);
}

} // namespace

// What the operator log keeps of the desk's actions that touch money: each one leaves exactly
// its row, with whoever approved it, written with the action or not at all.
class OperatorLogTest : public QObject
{
    Q_OBJECT

private slots:
    void aVoidLeavesOneRowWithItsApprover()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 0, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
        auto dialog = Open(env);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(dialog.get(), u"buttonVoid"_s);
        QVERIFY(dialog->isClosed());
        QCOMPARE(env.session.roomState(Room), RoomState::Idle);
        // 2 x 40 + 1 x 30 + 3 x 5.5
        QCOMPARE(LogRows(env), (QList<LogRow> { { LogKind::Void, {}, u"g1"_s, 2, Room, 0, u"126.50"_s } }));
        const QString description = env.database.scalar(u"SELECT description FROM operator_log"_s).toString();
        QVERIFY2(description.contains(u"按摩2钟"_s) && description.contains(u"啤酒3瓶"_s), qPrintable(description));
    }

    // The void and its row are one: when the row cannot be written the room, its bill and its
    // technicians stay as they were, and the database's text is shown.
    void aVoidWhoseRowCannotBeWrittenChangesNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2);
        const QStringList working = env.session.workingList().numbers();
        const QStringList idle = env.session.idleQueue().numbers();
        BreakTheLog(env);

        auto dialog = Open(env);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(dialog.get(), u"buttonVoid"_s);
        QVERIFY(!dialog->isClosed());
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY2(env.messages.lastText().contains(u"database or disk is full"_s), qPrintable(env.messages.lastText()));
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
        QCOMPARE(env.session.workingList().numbers(), working);
        QCOMPARE(env.session.idleQueue().numbers(), idle);
        QCOMPARE(RowCount(env, u"desk_bill"_s), 1);
        QCOMPARE(RowCount(env, u"desk_bill_technician"_s), 2);
        QCOMPARE(RowCount(env, u"operator_log"_s), 0);
    }

    void aDiscountLeavesOneRowWithItsApprover()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
        CheckoutDialog checkout(env.services, Room);
        DiscountWhenAsked(u"0.8"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&checkout, u"buttonDiscount"_s);
        QVERIFY(LogRows(env).isEmpty()); // a discount counts once the bill is settled with it
        Choose(Child<QComboBox>(&checkout, u"paymentMethodBox"_s), u"微信"_s);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(checkout.isSettled());

        // 2 massage clocks at 40, 20 % off.
        QCOMPARE(LogRows(env, LogKind::Discount),
            (QList<LogRow> { { LogKind::Discount, {}, u"g1"_s, 2, Room, 1, u"16.00"_s } }));
        QCOMPARE(LogRows(env, LogKind::Settlement),
            (QList<LogRow> { { LogKind::Settlement, {}, {}, -1, Room, 1, u"130.50"_s } }));
        QCOMPARE(RowCount(env, u"operator_log"_s), 2);
        // The method has a column of its own; the pay type stays as every reader knows it.
        const SqlResult receipt = env.database.exec(u"SELECT paytype, paymethod, dazheperson FROM Receiptform"_s);
        QCOMPARE(receipt.first().value(0).toString(), u"普通"_s);
        QCOMPARE(receipt.first().value(1).toString(), u"微信"_s);
        QCOMPARE(receipt.first().value(2).toString(), u"赵经理"_s);
    }

    // A settlement whose log rows cannot be written is not stored either.
    void aSettlementWhoseRowCannotBeWrittenStoresNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s }, 1);
        BreakTheLog(env);
        CheckoutDialog checkout(env.services, Room);
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY(!checkout.isSettled());
        QCOMPARE(RowCount(env, u"Receiptform"_s), 0);
        QCOMPARE(RowCount(env, u"salaryform"_s), 0);
        QCOMPARE(env.session.roomState(Room), RoomState::InService);
    }

    // The member card is a payment method only once "打折" has found it.
    void theMemberCardComesFromTheDiscount()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s }, 1);
        CheckoutDialog checkout(env.services, Room);
        auto* methods = Child<QComboBox>(&checkout, u"paymentMethodBox"_s);
        QCOMPARE(methods->currentText(), u"现金"_s);
        Choose(methods, u"会员卡"_s);
        QCOMPARE(env.messages.lastText(), CheckoutDialog::MemberCardFirstText);
        QCOMPARE(methods->currentText(), u"现金"_s);
        QCOMPARE(checkout.paymentMethod(), PaymentMethod::Cash);
    }

    void aReprintLeavesOneRowWithItsApprover()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 0, u"c1"_s, u"pc"_s, u"小李"_s);
        AddAccount(env, 1, u"m1"_s, u"pm"_s, u"王部长"_s);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
        SettleAt(env, Room, u"支付宝"_s);
        const QString settledPrint = env.printers.lastFile();
        const int rowsBefore = RowCount(env, u"operator_log"_s);

        QueryWindow query(RecordKind::Receipts, QueryWindow::Mode::Normal, env.services);
        QVERIFY(ShowOnScreen(query));
        QTRY_VERIFY(query.totals().has_value());
        query.list().selectRow(0);
        env.messages.clear();

        // A cashier may not print a receipt again.
        LogInWhenAsked(u"收银员"_s, u"c1"_s, u"pc"_s);
        Click(&query, u"reprintButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"收银员没有重打小票的权限!"_s });
        QCOMPARE(env.printers.lastFile(), settledPrint);
        QCOMPARE(RowCount(env, u"operator_log"_s), rowsBefore);

        env.clock.advanceSeconds(3600);
        env.messages.clear();
        LogInWhenAsked(u"部长"_s, u"m1"_s, u"pm"_s);
        Click(&query, u"reprintButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QVERIFY(env.printers.lastFile() != settledPrint);
        QCOMPARE(LogRows(env, LogKind::Reprint),
            (QList<LogRow> { { LogKind::Reprint, {}, u"m1"_s, 1, Room, 1, u"146.50"_s } }));
        QCOMPARE(RowCount(env, u"operator_log"_s), rowsBefore + 1);
        const QImage page = RasterisePdf(env.printers.lastFile(), 96, TestOutputPath(u"receipt-reprint.png"_s));
        QVERIFY(!page.isNull());
    }
};

QTEST_MAIN(OperatorLogTest)
#include "tst_operatorlog.moc"
