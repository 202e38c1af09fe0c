// The windows of the member cards driven as a cashier and a manager would: the top-up with its
// rules and its slip, the card's management with its ledger, the rules, the password asked at
// checkout, the 会员充值表, and the button 充值 of the member records. Each window is saved as
// the desk shows it on a screen of 1366×768 and of 1024×768.

#include "app/Database.h"
#include "app/DeskListView.h"
#include "app/HouseSettings.h"
#include "app/PagedTableModel.h"
#include "cards/CardDesk.h"
#include "cards/CardLedger.h"
#include "cards/CardLookup.h"
#include "cards/CardManagementDialog.h"
#include "cards/CardPasswordDialog.h"
#include "cards/CardReportDialog.h"
#include "cards/CardSettings.h"
#include "cards/CardTexts.h"
#include "cards/CardTopUpDialog.h"
#include "cards/TopUpRulesDialog.h"
#include "records/MasterRecordDialog.h"
#include "service/ServiceTestData.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/LoginDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void AddMember(TestEnvironment& env, const QString& card, const QString& name, const QString& phone = {})
{
    env.sql(u"INSERT INTO huiyeninfo (str1, str2, str5) VALUES (?, ?, ?)"_s, { card, name, phone });
}

QString LabelText(const QWidget* window, const QString& name)
{
    return Child<QLabel>(window, name)->text();
}

// Keeps the last printed file among the tests' pictures, for a person to look at.
void KeepPrint(TestEnvironment& env, const QString& name)
{
    QFile::remove(TestOutputPath(name));
    QVERIFY(QFile::copy(env.printers.lastFile(), TestOutputPath(name)));
}

void Type(QWidget* window, const QString& name, const QString& text)
{
    TypeInto(Child<QLineEdit>(window, name), text);
}

} // namespace

class tst_CardWindows : public QObject
{
    Q_OBJECT

private slots:
    // Found by telephone, 1000 typed: the rules give 100; 确定充值 writes both rows and prints
    // the slip; a bonus of another amount needs someone above a cashier.
    void aTopUpAtTheDesk()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddMember(env, u"8001"_s, u"张三"_s, u"13800000001"_s);
        AddMember(env, u"8011"_s, u"张小三"_s, u"13800000011"_s);
        env.sql(u"INSERT INTO topup_rule (threshold_fen, bonus_fen) VALUES (100000, 10000), (50000, 3000)"_s);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);

        CardTopUpDialog dialog(env.services);
        QVERIFY(!Child<QPushButton>(&dialog, u"okButton"_s)->isEnabled());
        Type(&dialog, u"cardSearchEdit"_s, u"1380000000"_s);
        Click(&dialog, u"findButton"_s);
        QCOMPARE(LabelText(&dialog, u"memberLabel"_s), u"张三"_s);
        QCOMPARE(LabelText(&dialog, u"stateLabel"_s), u"正常"_s);
        QCOMPARE(LabelText(&dialog, u"balanceLabel"_s), u"0.00"_s);
        QVERIFY(Child<QPushButton>(&dialog, u"okButton"_s)->isEnabled());
        QCOMPARE(LabelText(&dialog, u"rulesLabel"_s), u"充值规则:充500.00送30.00、充1000.00送100.00"_s);

        // Hostile amounts are refused and nothing is written.
        for (const auto& [typed, message] : { std::pair { u"abc"_s, u"金额必须是数字!"_s },
                 std::pair { u"0"_s, u"金额必须大于0!"_s }, std::pair { u"10.001"_s, u"金额最多两位小数!"_s } }) {
            Type(&dialog, u"amountEdit"_s, typed);
            env.messages.clear();
            Click(&dialog, u"okButton"_s);
            QCOMPARE(env.messages.texts(), QStringList { message });
        }
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM card_ledger"_s).toInt(), 0);

        Type(&dialog, u"amountEdit"_s, u"1000"_s);
        QCOMPARE(Child<QLineEdit>(&dialog, u"bonusEdit"_s)->text(), u"100.00"_s);
        QVERIFY(Child<QLineEdit>(&dialog, u"bonusEdit"_s)->isReadOnly());
        Choose(Child<QComboBox>(&dialog, u"methodBox"_s), u"微信"_s);
        // Enter in the amount never writes.
        QTest::keyClick(Child<QLineEdit>(&dialog, u"amountEdit"_s), Qt::Key_Return);
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM card_ledger"_s).toInt(), 0);
        QVERIFY(SaveScreenPictures(dialog, u"card-topup"_s));
        env.messages.clear();
        Click(&dialog, u"okButton"_s);
        QCOMPARE(env.messages.texts(),
            (QStringList { u"会员卡8001(张三)充值1000.00元,微信,赠送100.00元。确定吗?"_s,
                u"充值成功!卡内余额1100.00元(本金1000.00元,赠送100.00元)"_s }));
        QCOMPARE(LabelText(&dialog, u"balanceLabel"_s), u"1100.00"_s);
        QCOMPARE(LabelText(&dialog, u"principalLabel"_s), u"1000.00"_s);
        QCOMPARE(LabelText(&dialog, u"bonusLabel"_s), u"100.00"_s);
        QCOMPARE(env.printers.chosenCount(), 1);
        QVERIFY(QFile::exists(env.printers.lastFile()));
        KeepPrint(env, u"card-topup-slip.pdf"_s);
        QVERIFY(dialog.lastSlip().has_value());
        QVERIFY(dialog.lastSlip()->lines().contains(u"付款方式:微信"_s));

        // Another bonus: a manager approves it on the spot.
        Type(&dialog, u"amountEdit"_s, u"600"_s);
        QCOMPARE(Child<QLineEdit>(&dialog, u"bonusEdit"_s)->text(), u"30.00"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&dialog, u"changeBonusButton"_s);
        QVERIFY(!Child<QLineEdit>(&dialog, u"bonusEdit"_s)->isReadOnly());
        Type(&dialog, u"bonusEdit"_s, u"80"_s);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(LabelText(&dialog, u"balanceLabel"_s), u"1780.00"_s);
        QCOMPARE(
            env.database.scalar(u"SELECT approver FROM card_ledger WHERE kind='赠送' AND bonus_fen=8000"_s).toString(),
            u"g1"_s);
        QVERIFY(SaveScreenPictures(dialog, u"card-topup-done"_s));

        // Several matches of a beginning: the box offers them.
        Type(&dialog, u"cardSearchEdit"_s, u"138"_s);
        Click(&dialog, u"findButton"_s);
        QCOMPARE(Child<QComboBox>(&dialog, u"matchBox"_s)->count(), 2);
        QVERIFY(Child<QComboBox>(&dialog, u"matchBox"_s)->isEnabled());
    }

    // The card's management: 挂失 and 解挂, 调整, 补卡, the ledger printed and exported, 退卡.
    void aCardManaged()
    {
        TestEnvironment env;
        AddMember(env, u"8002"_s, u"李四"_s, u"13900000002"_s);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8002"_s, Money::fromYuan(500), Money::fromYuan(50), u"现金"_s, Authoriser { u"g1"_s, 2 }));

        CardManagementDialog dialog(env.services, u"8002"_s);
        QCOMPARE(LabelText(&dialog, u"memberLabel"_s), u"李四"_s);
        auto* view = Child<QTableView>(&dialog, u"ledgerView"_s);
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(dialog.ledgerRows().column(2), (QStringList { u"充值"_s, u"赠送"_s }));

        Click(&dialog, u"lostButton"_s);
        QCOMPARE(LabelText(&dialog, u"stateLabel"_s), u"挂失"_s);
        QVERIFY(!Child<QPushButton>(&dialog, u"lostButton"_s)->isEnabled());
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&dialog, u"cancelLostButton"_s);
        QCOMPARE(LabelText(&dialog, u"stateLabel"_s), u"正常"_s);

        // 调整 needs a reason, and a manager.
        Type(&dialog, u"adjustPrincipalEdit"_s, u"-20.5"_s);
        env.messages.clear();
        Click(&dialog, u"adjustButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { CardDesk::NoteNeededText });
        Type(&dialog, u"noteEdit"_s, u"重复充值冲正"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&dialog, u"adjustButton"_s);
        QCOMPARE(LabelText(&dialog, u"principalLabel"_s), u"479.50"_s);
        QCOMPARE(view->model()->rowCount(), 3);

        // 补卡 to a new number: the window follows the new card.
        Type(&dialog, u"newCardEdit"_s, u"8102"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        Click(&dialog, u"replaceButton"_s);
        QCOMPARE(dialog.lookup().account()->card, u"8102"_s);
        QCOMPARE(LabelText(&dialog, u"balanceLabel"_s), u"529.50"_s);
        QCOMPARE(dialog.ledgerRows().column(2), QStringList { u"补卡转入"_s });

        // The statement prints for the guest; the ledger exports.
        Click(&dialog, u"printButton"_s);
        QCOMPARE(env.printers.chosenCount(), 1);
        KeepPrint(env, u"card-statement.pdf"_s);
        const QString file = QDir(env.folder()).filePath(u"card.csv"_s);
        env.files.queuePath(file);
        Click(&dialog, u"exportButton"_s);
        QTRY_VERIFY(QFile::exists(file));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY2(text.contains(u",补卡转入,479.50,50.00,479.50,50.00,"_s), qPrintable(text));
        QVERIFY(SaveScreenPictures(dialog, u"card-management"_s));

        // 退卡: a manager, the principal back, the bonus forfeited.
        Choose(Child<QComboBox>(&dialog, u"methodBox"_s), u"现金"_s);
        LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
        env.messages.clear();
        Click(&dialog, u"cashOutButton"_s);
        QCOMPARE(env.messages.lastText(), u"退卡成功!请以现金退还会员479.50元。"_s);
        QCOMPARE(LabelText(&dialog, u"stateLabel"_s), u"注销"_s);
        QVERIFY(!Child<QPushButton>(&dialog, u"cashOutButton"_s)->isEnabled());
        QVERIFY(Child<QPushButton>(&dialog, u"printButton"_s)->isEnabled());
        QVERIFY(SaveScreenPictures(dialog, u"card-management-closed"_s));
    }

    void theRulesSet()
    {
        TestEnvironment env;
        TopUpRulesDialog dialog(env.services);
        QCOMPARE(dialog.table()->rowCount(), 0);
        Click(&dialog, u"addButton"_s);
        Click(&dialog, u"addButton"_s);
        dialog.table()->item(0, 0)->setText(u"1000"_s);
        dialog.table()->item(0, 1)->setText(u"100"_s);
        dialog.table()->item(1, 0)->setText(u"500"_s);
        dialog.table()->item(1, 1)->setText(u"abc"_s);
        env.messages.clear();
        Click(&dialog, u"saveButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"第2行赠送金额必须是数字!"_s });
        dialog.table()->item(1, 1)->setText(u"30"_s);
        Child<QCheckBox>(&dialog, u"bonusFirstBox"_s)->setChecked(true);
        QVERIFY(SaveScreenPictures(dialog, u"card-topup-rules"_s));
        Click(&dialog, u"saveButton"_s);
        QVERIFY(HouseSettings::isOn(env.database, CardSettings::BonusFirst));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(JoinedRows(env.database, u"SELECT threshold_fen, bonus_fen FROM topup_rule ORDER BY threshold_fen"_s,
                     {}, u"|"_s),
            u"500003000|10000010000"_s);
        QCOMPARE(
            env.database.scalar(u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { CardLogKind::Rules }).toInt(),
            2); // the rules, and the bonus first
    }

    // Checkout asks the password: a wrong one says how many tries are left, the third locks.
    void thePasswordAskedAtCheckout()
    {
        TestEnvironment env;
        AddMember(env, u"8003"_s, u"王五"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(CardPasswordDialog::check(env.services, u"8003"_s)); // none set: nothing asked
        QVERIFY(desk.setPassword(u"8003"_s, u"2468"_s, {}));
        {
            CardPasswordDialog dialog(env.services, u"8003"_s);
            Type(&dialog, u"passwordEdit"_s, u"1111"_s);
            QTest::keyClick(Child<QLineEdit>(&dialog, u"passwordEdit"_s), Qt::Key_Return);
            QCOMPARE(LabelText(&dialog, u"hintLabel"_s), u"密码错误,还可以输入2次。"_s);
            QVERIFY(SaveScreenPictures(dialog, u"card-password"_s));
            Type(&dialog, u"passwordEdit"_s, u"2468"_s);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        CardPasswordDialog dialog(env.services, u"8003"_s);
        for (int i = 0; i < 3; ++i) {
            Type(&dialog, u"passwordEdit"_s, u"0000"_s);
            Click(&dialog, u"okButton"_s);
        }
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(env.messages.lastText(), CardLedger::LockedText.arg(3));
        QVERIFY(!CardPasswordDialog::check(env.services, u"8003"_s));
    }

    // The 会员充值表 of the month and the balances owed to all cards.
    void theTopUpReport()
    {
        TestEnvironment env;
        AddMember(env, u"8004"_s, u"赵六"_s);
        AddMember(env, u"8005"_s, u"孙七"_s);
        env.sql(u"INSERT INTO topup_rule (threshold_fen, bonus_fen) VALUES (100000, 10000)"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8004"_s, Money::fromYuan(1000), Money::fromYuan(100), u"现金"_s));
        QVERIFY(desk.topUp(u"8005"_s, Money::fromYuan(200), Money(), u"微信"_s));
        QVERIFY(desk.topUp(u"8005"_s, Money::fromYuan(300), Money(), u"微信"_s));

        CardReportDialog dialog(env.services);
        QCOMPARE(dialog.totals().rowTexts(),
            (QList<QStringList> { { u"充值"_s, u"微信"_s, u"2"_s, u"500.00"_s, u"0.00"_s, u"500.00"_s },
                { u"充值"_s, u"现金"_s, u"1"_s, u"1000.00"_s, u"0.00"_s, u"1000.00"_s },
                { u"赠送"_s, QString(), u"1"_s, u"0.00"_s, u"100.00"_s, u"100.00"_s } }));
        QCOMPARE(LabelText(&dialog, u"summaryLabel"_s), u"本期充值收款 1500.00 元,赠送 100.00 元。"_s);
        QCOMPARE(dialog.liabilityText(), u"2 张会员卡共有余额 1600.00 元(本金 1500.00 元,赠送 100.00 元)"_s);
        QCOMPARE(dialog.balances().column(0), (QStringList { u"8004"_s, u"8005"_s }));
        QVERIFY(SaveScreenPictures(dialog, u"card-report"_s));

        const QString file = QDir(env.folder()).filePath(u"topups.csv"_s);
        env.files.queuePath(file);
        Click(&dialog, u"exportButton"_s);
        QTRY_VERIFY(QFile::exists(file));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        QVERIFY2(text.contains(u"合计,,4,1500.00,100.00,1600.00"_s), qPrintable(text));
        const QString balances = QDir(env.folder()).filePath(u"balances.xlsx"_s);
        env.files.queuePath(balances);
        Click(&dialog, u"exportBalancesButton"_s);
        QTRY_VERIFY(QFile::exists(balances));
        Click(&dialog, u"printButton"_s);
        QCOMPARE(env.printers.chosenCount(), 1);
        KeepPrint(env, u"card-report.pdf"_s);

        // A period before the top-ups lists none.
        dialog.startEdit()->setDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        dialog.endEdit()->setDateTime(QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59)));
        Click(&dialog, u"queryButton"_s);
        QCOMPARE(dialog.totals().rowCount(), 0);
    }

    // The member records' button 充值 hands the selected member's card on.
    void theMemberRecordsOfferATopUp()
    {
        TestEnvironment env;
        AddMember(env, u"8006"_s, u"周八"_s);
        MasterRecordDialog records(RecordMode::Members, env.services);
        QString asked;
        records.offerTopUp([&asked](const QString& card) { asked = card; });
        env.messages.clear();
        Click(&records, u"topUpButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"请先选择要充值的会员!"_s });
        QTRY_VERIFY(records.rows().rowCount() == 1);
        ClickLine(&records.list(), 0);
        Click(&records, u"topUpButton"_s);
        QCOMPARE(asked, u"8006"_s);
        QVERIFY(SaveScreenPictures(records, u"card-member-records"_s));
    }

    // The slip as a page: every line, the balance after.
    void theSlipDrawn()
    {
        TopUpSlip slip { u"Tavrel 桑拿足浴中心"_s, 7, u"2026-12-07 12:00:00"_s, u"8001"_s, u"张三"_s,
            Money::fromYuan(1000), Money::fromYuan(100), u"现金"_s, { Money::fromYuan(1000), Money::fromYuan(100) },
            u"c1"_s };
        const PageDrawing drawing = CardTexts::slipDrawing(slip);
        QVERIFY(drawing.findText(u"卡内余额:1100.00"_s));
        QVERIFY(drawing.findText(u"流水号:7"_s));
        qreal lowest = 0;
        for (const PageText& text : drawing.texts())
            lowest = std::max(lowest, text.topLeft.y());
        QVERIFY(lowest < CardTexts::SlipWindow.height() - 20);
    }
};

QTEST_MAIN(tst_CardWindows)
#include "tst_cardwindows.moc"
