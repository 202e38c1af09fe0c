#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/RecordChain.h"
#include "app/TakingsLedger.h"
#include "cards/CardDesk.h"
#include "cards/CardPasswordDialog.h"
#include "desk/AppServices.h"
#include "reports/BusinessFigures.h"
#include "reports/QueryCondition.h"
#include "reports/ReceiptPayments.h"
#include "service/CheckoutDialog.h"
#include "service/DiscountDialog.h"
#include "service/Payment.h"
#include "service/ServiceTestData.h"
#include "service/Settlement.h"
#include "service/SplitPaymentDialog.h"
#include "service/WaiverDialog.h"
#include "shift/HandOverSlip.h"
#include "shift/ShiftHandOver.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;

// 2 massage clocks at 40, 1 foot-wash at 30, 1 pedicure at 20 and 3 beers at 5.5: 146.50.
void OpenBillOf14650(TestEnvironment& env)
{
    OpenRoom(env, Room, { u"01"_s }, 2, 1, 1, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
}

SettlementRequest Request(TestEnvironment& env)
{
    SettlementRequest request;
    request.room = Room;
    request.prices = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Dec(0.9) };
    request.billTime = env.clock.now().addSecs(3600);
    request.cashier = u"c1"_s;
    if (const std::optional<OpenBill> bill = env.session.bill(Room)) {
        request.technicians = bill->technicians;
        for (TechnicianLine& line : request.technicians)
            line.massageClocks = 1;
    }
    return request;
}

QString LedgerDifferences(TestEnvironment& env)
{
    QString error;
    QSqlDatabase connection = env.database.connection();
    const QStringList differences = TakingsLedger::Differences(connection, &error);
    return error + differences.join(u';');
}

QLineEdit* Box(QWidget* dialog, const QString& name)
{
    return Child<QLineEdit>(dialog, name);
}

const Authoriser Manager { u"admin"_s, 3, u"总经理"_s };

// A member card with `yuan` topped up in cash (and `bonus` on top).
void CardWith(TestEnvironment& env, const QString& card, qint64 yuan, qint64 bonus = 0)
{
    env.sql(u"INSERT INTO huiyeninfo (str1, str2) VALUES (?, '钱先生')"_s, { card });
    if (yuan > 0
        && !CardDesk(env.database, env.session)
                .topUp(card, Money::fromYuan(yuan), Money::fromYuan(bonus), u"现金"_s, Manager))
        qFatal("cannot top up %s", qPrintable(card));
}

Money BalanceOf(TestEnvironment& env, const QString& card)
{
    return CardLedger(env.database).account(card).value().balance.total();
}

} // namespace

// The payment of a bill: 组合支付 over several methods and 抹零, in the rules, in settlement
// (its rows, chain, ledger and the takings per method) and through checkout's own dialogs.
class PaymentTest : public QObject
{
    Q_OBJECT

private slots:
    void theRulesOfWaiverAndParts()
    {
        QCOMPARE(RoundedOff(WaiverKind::ToYuan, Money::fromFen(58850)), Money::fromFen(50));
        QCOMPARE(RoundedOff(WaiverKind::ToJiao, Money::fromFen(58856)), Money::fromFen(6));
        QCOMPARE(RoundedOff(WaiverKind::ToYuan, Money::fromFen(58800)), Money());
        QCOMPARE(RoundedOff(WaiverKind::Amount, Money::fromFen(58850)), Money());
        QCOMPARE(WaiverRefusal(Money::fromFen(-1), Money::fromFen(100)), u"抹零金额不能小于0!"_s);
        QCOMPARE(WaiverRefusal(Money::fromFen(101), Money::fromFen(100)), u"抹零金额不能大于应收金额1.00元!"_s);
        QVERIFY(WaiverRefusal(Money::fromFen(100), Money::fromFen(100)).isEmpty());
        QVERIFY(!WaiverNeedsApproval(Money::fromFen(100), Money::fromFen(100)));
        QVERIFY(WaiverNeedsApproval(Money::fromFen(101), Money::fromFen(100)));

        const Money payable = Money::fromFen(58850);
        const PaymentPart card { PaymentMethod::MemberCard, Money::fromYuan(500), u"A001"_s };
        const PaymentPart weChat { PaymentMethod::WeChat, Money::fromFen(8850), {} };
        QVERIFY(PaymentPartsRefusal({ card, weChat }, payable).isEmpty());
        QCOMPARE(PaymentPartsRefusal({ card }, payable), u"付款金额合计500.00元,与应收金额588.50元不符!"_s);
        QCOMPARE(
            PaymentPartsRefusal({ card, { PaymentMethod::Cash, Money(), {} } }, payable), u"现金付款金额必须大于0!"_s);
        QCOMPARE(PaymentPartsRefusal({ { PaymentMethod::MemberCard, payable, {} } }, payable), MemberCardFirstText);
        QCOMPARE(PaymentPartsRefusal({ card, { PaymentMethod::MemberCard, Money::fromFen(8850), u"A002"_s } }, payable),
            u"一张单据只能用一张会员卡付款!"_s);
        QCOMPARE(ReceiptMethodName({ weChat }), u"微信"_s);
        QCOMPARE(ReceiptMethodName({ card, weChat }), u"组合支付"_s);
        QVERIFY(!PaidInCash({ card, weChat }));
        QVERIFY(PaidInCash({ weChat, { PaymentMethod::Cash, Money::fromFen(1), {} } }));
    }

    // 146.50 paid 100 by WeChat and 46.50 in cash, 0.50 of it waived first.
    void aSplitBillWithAWaiverIsStoredWhole()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenBillOf14650(env);
        SettlementRequest request = Request(env);
        request.waived = Money::fromFen(50);
        request.parts = { { PaymentMethod::WeChat, Money::fromYuan(100), {} },
            { PaymentMethod::Cash, Money::fromFen(4600), {} } };
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(request);
        QVERIFY2(settled.ok(), qPrintable(settled.text()));
        QCOMPARE(settled.value().bill.total, u"146.00"_s);
        QCOMPARE(settled.value().bill.totalAmount, Money::fromFen(14650));

        // The receipt's own row: what the guest paid, and "组合支付".
        QCOMPARE(JoinedRows(env.database, u"SELECT alljine, '|', paymethod FROM Receiptform"_s), u"146.00|组合支付"_s);
        QCOMPARE(JoinedRows(env.database,
                     u"SELECT line, ' ', method, ' ', amount_fen, ' ', receipt_method FROM receipt_payment "
                     "ORDER BY line"_s),
            u"0 微信 10000 组合支付,1 现金 4600 组合支付"_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT total_fen, ' ', waived_fen, ' ', approver FROM receipt_waiver"_s),
            u"14650 50 "_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT description, ' ', amount FROM operator_log WHERE kind=?"_s,
                     { LogKind::Waiver }),
            u"102号房抹零,应收146.50元,实收146.00元 0.50"_s);
        QCOMPARE(
            JoinedRows(env.database, u"SELECT description FROM operator_log WHERE kind=?"_s, { LogKind::Settlement }),
            u"102号房结帐,组合支付(微信100.00 现金46.00)收款"_s);

        // The takings per method count each part with its method, by the ledger and by the rows.
        for (const QueryCondition& condition : { QueryCondition::all(), QueryCondition::receiptNumber(1) }) {
            const Outcome<PaymentTotals> totals = ReadPaymentTotals(env.database, condition);
            QVERIFY(totals.ok());
            QCOMPARE(totals.value().of(PaymentMethod::WeChat), (MethodTotal { 1, Money::fromYuan(100) }));
            QCOMPARE(totals.value().of(PaymentMethod::Cash), (MethodTotal { 1, Money::fromFen(4600) }));
            QCOMPARE(totals.value().unrecorded, MethodTotal {});
            QCOMPARE(ExpectedCash(totals.value()), Money::fromFen(4600));
        }
        QCOMPARE(LedgerDifferences(env), QString());
        // The chart of the payment methods too.
        const QDate day = env.clock.now().date();
        const Outcome<QList<BusinessFigures::Group>> chart
            = BusinessFigures::paymentMethods(env.database, { day, day });
        QCOMPARE(chart.value(),
            (QList<BusinessFigures::Group> {
                { u"微信"_s, Money::fromYuan(100), 1 }, { u"现金"_s, Money::fromFen(4600), 1 } }));

        // The chain covers the parts and the waiver.
        QVERIFY(RecordChain::verify(env.database.connection()).whole());
        env.sql(u"UPDATE receipt_waiver SET waived_fen=5000"_s);
        QVERIFY(!RecordChain::verify(env.database.connection()).whole());
    }

    void aPaymentThatDoesNotAddUpWritesNothing()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenBillOf14650(env);
        SettlementRequest request = Request(env);
        request.parts
            = { { PaymentMethod::WeChat, Money::fromYuan(100), {} }, { PaymentMethod::Cash, Money::fromYuan(46), {} } };
        Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(request);
        QCOMPARE(settled.text(), u"付款金额合计146.00元,与应收金额146.50元不符!"_s);

        request.parts.clear();
        request.waived = Money::fromFen(14651);
        settled = Settlement(env.database, env.session).settle(request);
        QCOMPARE(settled.text(), u"抹零金额不能大于应收金额146.50元!"_s);
        // Above the house's limit (1.00 until set) only with someone's approval.
        request.waived = Money::fromFen(101);
        settled = Settlement(env.database, env.session).settle(request);
        QCOMPARE(settled.text(), u"抹零超过1.00元,须经理授权!"_s);

        request.waived = {};
        request.method = PaymentMethod::MemberCard;
        settled = Settlement(env.database, env.session).settle(request);
        QCOMPARE(settled.text(), MemberCardFirstText);

        for (const QString& table : { u"Receiptform"_s, u"receipt_payment"_s, u"receipt_waiver"_s })
            QCOMPARE(RowCount(env, table), 0);
        QVERIFY(env.session.bill(Room).has_value());
    }

    // A bill paid one way has one part, named like the receipt.
    void aBillPaidOneWayHasOnePart()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenBillOf14650(env);
        SettlementRequest request = Request(env);
        request.method = PaymentMethod::Alipay;
        QVERIFY(Settlement(env.database, env.session).settle(request).ok());
        QCOMPARE(
            JoinedRows(env.database, u"SELECT method, ' ', amount_fen, ' ', receipt_method FROM receipt_payment"_s),
            u"支付宝 14650 支付宝"_s);
        QCOMPARE(RowCount(env, u"receipt_waiver"_s), 0);
        const Outcome<PaymentTotals> totals = ReadPaymentTotals(env.database, QueryCondition::all());
        QCOMPARE(totals.value().of(PaymentMethod::Alipay), (MethodTotal { 1, Money::fromFen(14650) }));
    }

    // Checkout: "抹零" to the yuan by a cashier; more than the limit only with a manager;
    // "组合支付" whose parts must add up; the change counted on the cash part.
    void checkoutWaivesAndSplitsThroughItsDialogs()
    {
        TestEnvironment env;
        PrepareHouse(env);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        OpenBillOf14650(env);
        CheckoutDialog checkout(env.services, Room);
        SaveScreenPictures(checkout, u"checkout-payment"_s);

        WhenDialogOpens<WaiverDialog>([](WaiverDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"kindBox"_s), u"抹到元"_s);
            QCOMPARE(Child<QLabel>(dialog, u"resultLabel"_s)->text(), u"应收146.50元  抹零0.50元  实收146.00元"_s);
            SaveScreenPictures(*dialog, u"waiver-dialog"_s);
            Click(dialog, u"okButton"_s);
        });
        Click(&checkout, u"buttonWaive"_s);
        QCOMPARE(checkout.waived(), Money::fromFen(50));
        QCOMPARE(Box(&checkout, u"payableEdit"_s)->text(), u"146.00"_s);
        QVERIFY(checkout.layout().drawing().findText(u"-0.50"_s));

        // Above the limit (1.00 until set) a cashier is refused and a manager approves.
        WhenDialogOpens<WaiverDialog>([](WaiverDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"kindBox"_s), u"其他金额"_s);
            TypeInto(Child<QLineEdit>(dialog, u"waivedEdit"_s), u"6.5"_s);
            LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
            Click(dialog, u"okButton"_s);
        });
        Click(&checkout, u"buttonWaive"_s);
        QCOMPARE(checkout.waived(), Money::fromFen(650));
        QCOMPARE(Box(&checkout, u"payableEdit"_s)->text(), u"140.00"_s);

        WhenDialogOpens<WaiverDialog>([](WaiverDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"kindBox"_s), u"其他金额"_s);
            TypeInto(Child<QLineEdit>(dialog, u"waivedEdit"_s), u"0.005"_s);
            Click(dialog, u"okButton"_s);
            Click(dialog, u"cancelButton"_s);
        });
        Click(&checkout, u"buttonWaive"_s);
        QCOMPARE(env.messages.lastText(), u"抹零金额最多两位小数!"_s);
        QCOMPARE(checkout.waived(), Money::fromFen(650)); // kept as it was

        // Parts that do not add up are refused in the dialog; then 100 WeChat + 40 cash.
        WhenDialogOpens<SplitPaymentDialog>([](SplitPaymentDialog* dialog) {
            QVERIFY(
                !Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::MemberCard))->isEnabled());
            TypeInto(Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::WeChat)), u"100"_s);
            QCOMPARE(Child<QLabel>(dialog, u"remainingLabel"_s)->text(), u"已付100.00元,还差40.00元"_s);
            Click(dialog, u"okButton"_s);
            QVERIFY(dialog->isVisible());
            TypeInto(Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::Cash)), u"40"_s);
            SaveScreenPictures(*dialog, u"split-payment-dialog"_s);
            Click(dialog, u"okButton"_s);
        });
        Click(&checkout, u"buttonSplitPayment"_s);
        QCOMPARE(env.messages.lastText(), u"付款金额合计100.00元,与应收金额140.00元不符!"_s);
        QCOMPARE(checkout.paymentParts().size(), 2);
        QCOMPARE(Child<QComboBox>(&checkout, u"paymentMethodBox"_s)->currentText(), u"组合支付"_s);
        TypeInto(Box(&checkout, u"receivedEdit"_s), u"50"_s);
        QCOMPARE(Box(&checkout, u"changeEdit"_s)->text(), u"10.00"_s);

        Click(&checkout, u"buttonSettle"_s);
        QVERIFY2(checkout.isSettled(), qPrintable(env.messages.texts().join(u'\n')));
        QCOMPARE(JoinedRows(env.database, u"SELECT alljine, '|', paymethod FROM Receiptform"_s), u"140.00|组合支付"_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT approver, ' ', waived_fen FROM receipt_waiver"_s), u"g1 650"_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT method, ' ', amount_fen FROM receipt_payment ORDER BY line"_s),
            u"现金 4000,微信 10000"_s);
    }

    // Choosing one method after a split pays the whole that way again.
    void aMethodChosenAfterASplitEndsIt()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenBillOf14650(env);
        CheckoutDialog checkout(env.services, Room);
        WhenDialogOpens<SplitPaymentDialog>([](SplitPaymentDialog* dialog) {
            TypeInto(Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::WeChat)), u"100"_s);
            TypeInto(Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::BankCard)), u"46.5"_s);
            Click(dialog, u"okButton"_s);
        });
        Click(&checkout, u"buttonSplitPayment"_s);
        QCOMPARE(checkout.paymentParts().size(), 2);
        Choose(Child<QComboBox>(&checkout, u"paymentMethodBox"_s), u"微信"_s);
        QVERIFY(checkout.paymentParts().isEmpty());
        QCOMPARE(checkout.paymentMethod(), PaymentMethod::WeChat);
        QCOMPARE(Child<QComboBox>(&checkout, u"paymentMethodBox"_s)->count(), PaymentMethodCount);
    }

    // 146.50: 100 from the card, the rest by WeChat; the card's row names the receipt.
    void aCardPaysItsPartInTheSettlement()
    {
        TestEnvironment env;
        PrepareHouse(env);
        CardWith(env, u"A001"_s, 150);
        OpenBillOf14650(env);
        SettlementRequest request = Request(env);
        request.payType = u"A001"_s;
        request.parts = { { PaymentMethod::MemberCard, Money::fromYuan(100), u"A001"_s },
            { PaymentMethod::WeChat, Money::fromFen(4650), {} } };
        const Outcome<SettledBill> settled = Settlement(env.database, env.session).settle(request);
        QVERIFY2(settled.ok(), qPrintable(settled.text()));
        QCOMPARE(settled.value().cardBalance->total(), Money::fromYuan(50));
        QCOMPARE(BalanceOf(env, u"A001"_s), Money::fromYuan(50));
        QCOMPARE(
            JoinedRows(env.database, u"SELECT kind, ' ', principal_fen, ' ', receipt FROM card_ledger WHERE kind=?"_s,
                { CardKind::Payment }),
            u"消费 -10000 1"_s);
        QCOMPARE(JoinedRows(env.database, u"SELECT card FROM receipt_payment WHERE method='会员卡'"_s), u"A001"_s);
        const Outcome<PaymentTotals> totals = ReadPaymentTotals(env.database, QueryCondition::all());
        QCOMPARE(totals.value().of(PaymentMethod::MemberCard), (MethodTotal { 1, Money::fromYuan(100) }));
        QCOMPARE(totals.value().of(PaymentMethod::WeChat), (MethodTotal { 1, Money::fromFen(4650) }));
        QCOMPARE(LedgerDifferences(env), QString());
        QVERIFY(RecordChain::verify(env.database.connection()).whole());

        // A card that cannot pay refuses the whole bill: nothing is written, its balance stays.
        OpenBillOf14650(env);
        request = Request(env);
        request.payType = u"A001"_s;
        request.method = PaymentMethod::MemberCard;
        QCOMPARE(Settlement(env.database, env.session).settle(request).text(), u"会员卡余额不足!余额50.00元"_s);
        QVERIFY(CardDesk(env.database, env.session).reportLost(u"A001"_s));
        request.method = PaymentMethod::MemberCard;
        request.parts = { { PaymentMethod::MemberCard, Money::fromYuan(1), u"A001"_s },
            { PaymentMethod::Cash, Money::fromFen(14550), {} } };
        QCOMPARE(Settlement(env.database, env.session).settle(request).text(), CardLedger::LostText);
        QCOMPARE(RowCount(env, u"Receiptform"_s), 1);
        QCOMPARE(BalanceOf(env, u"A001"_s), Money::fromYuan(50));
        QVERIFY(env.session.bill(Room).has_value());
    }

    // The hand-over: cash top-ups are cash in the drawer, 退卡 paid back in cash leaves it, a card
    // payment is none; the split bill counts by its parts; the waivers are shown.
    void theHandOverCountsCardsAndParts()
    {
        TestEnvironment env;
        PrepareHouse(env);
        CardWith(env, u"A001"_s, 1000, 100); // cash 1000 in, 100 bonus
        CardWith(env, u"A002"_s, 300); // cash 300 in, then paid back whole
        QVERIFY(CardDesk(env.database, env.session).cashOut(u"A002"_s, u"现金"_s, Manager));

        OpenBillOf14650(env); // cash, 0.50 waived: 146.00
        SettlementRequest request = Request(env);
        request.waived = Money::fromFen(50);
        QVERIFY(Settlement(env.database, env.session).settle(request).ok());
        OpenBillOf14650(env); // 100 from the card, 46.50 in cash
        request = Request(env);
        request.payType = u"A001"_s;
        request.parts = { { PaymentMethod::MemberCard, Money::fromYuan(100), u"A001"_s },
            { PaymentMethod::Cash, Money::fromFen(4650), {} } };
        QVERIFY(Settlement(env.database, env.session).settle(request).ok());

        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(shift.ok());
        const Outcome<ShiftTakings> takings = ReadShiftTakings(env.database, shift.value());
        QVERIFY(takings.ok());
        QCOMPARE(takings.value().cards.topUps[size_t(PaymentMethod::Cash)], Money::fromYuan(1300));
        QCOMPARE(takings.value().cards.bonus, Money::fromYuan(100));
        QCOMPARE(takings.value().cards.cashOutsInCash, Money::fromYuan(300));
        QCOMPARE(takings.value().waived, Money::fromFen(50));
        QCOMPARE(takings.value().payments.of(PaymentMethod::MemberCard).amount, Money::fromYuan(100));
        // 146.00 + 46.50 in cash from the bills, 1300 topped up, 300 paid back.
        const Money expected = ExpectedCash(takings.value());
        QCOMPARE(expected, Money::fromFen(14600 + 4650 + 130000 - 30000));

        const Outcome<HandOver> closed = CloseShift(
            env.database, env.session, shift.value(), env.clock.now().addSecs(7200), { expected.text(), {} });
        QVERIFY2(closed.ok(), qPrintable(closed.text()));
        QCOMPARE(closed.value().expectedCash, u"1192.50"_s);
        QCOMPARE(closed.value().topUps[size_t(PaymentMethod::Cash)], u"1300.00"_s);
        QCOMPARE(closed.value().cashOutsInCash, u"300.00"_s);
        QCOMPARE(closed.value().waivedTotal, u"0.50"_s);
        const HandOverSlip slip({ u"测试店"_s, {} }, closed.value());
        for (const QString& text : { u"充值现金:"_s, u"充值赠送:"_s, u"退卡退现金:"_s, u"抹    零:"_s })
            QVERIFY2(slip.drawing().findText(text), qPrintable(text));

        // The next shift starts with none of them.
        const Outcome<ShiftReceipts> next = CurrentShiftReceipts(env.database, env.session);
        QCOMPARE(next.value().cardsAfter, closed.value().lastCardMovement);
        const Outcome<ShiftTakings> none = ReadShiftTakings(env.database, next.value());
        QVERIFY(none.value().cards.isEmpty());
        QCOMPARE(none.value().waived, Money());
    }

    // Checkout with a card that holds too little: asked, the rest goes to 组合支付, the card's
    // password is asked, and the card pays what it held.
    void checkoutPaysWhatTheCardHoldsAndTheRestAnotherWay()
    {
        TestEnvironment env;
        PrepareHouse(env);
        CardWith(env, u"A001"_s, 100);
        QVERIFY(CardDesk(env.database, env.session).setPassword(u"A001"_s, u"8888"_s, {}, Manager));
        OpenBillOf14650(env);
        CheckoutDialog checkout(env.services, Room);
        WhenDialogOpens<DiscountDialog>([](DiscountDialog* dialog) {
            Choose(Child<QComboBox>(dialog, u"typeBox"_s), DiscountDialog::MemberCardText);
            TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), u"A001"_s);
            Click(dialog, u"okButton"_s);
        });
        Click(&checkout, u"buttonDiscount"_s);
        QCOMPARE(checkout.paymentMethod(), PaymentMethod::MemberCard); // the card holds money
        QCOMPARE(checkout.bill().total, u"138.50"_s); // the massage at 0.9

        env.messages.queueAnswer(true);
        WhenDialogOpens<SplitPaymentDialog>([](SplitPaymentDialog* dialog) {
            QCOMPARE(Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::MemberCard))->text(),
                u"100.00"_s);
            QCOMPARE(
                Child<QLineEdit>(dialog, SplitPaymentDialog::partEditName(PaymentMethod::Cash))->text(), u"38.50"_s);
            Click(dialog, u"okButton"_s);
            WhenDialogOpens<CardPasswordDialog>([](CardPasswordDialog* password) {
                TypeInto(Child<QLineEdit>(password, u"passwordEdit"_s), u"8888"_s);
                Click(password, u"okButton"_s);
            });
        });
        Click(&checkout, u"buttonSettle"_s);
        QVERIFY2(checkout.isSettled(), qPrintable(env.messages.texts().join(u'\n')));
        QCOMPARE(BalanceOf(env, u"A001"_s), Money());
        QCOMPARE(JoinedRows(env.database, u"SELECT paytype, '|', paymethod, '|', alljine FROM Receiptform"_s),
            u"A001|组合支付|138.50"_s);
    }
};

QTEST_MAIN(PaymentTest)
#include "tst_payment.moc"
