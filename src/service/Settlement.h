#pragma once

#include "app/Outcome.h"
#include "cards/CardLedger.h"
#include "desk/OpenBill.h"
#include "desk/OperatorLog.h"
#include "desk/PaymentMethod.h"
#include "payroll/CommissionFormula.h"
#include "service/Bill.h"
#include "service/GoodsStock.h"
#include "service/ServiceSettings.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class Database;
class DeskSession;

// What checkout settles a room's open bill with.
struct SettlementRequest
{
    QString room;
    ServiceSettings prices;
    Decimal discountFactor = Decimal::whole(1);
    QString discountApprover = QStringLiteral("0"); // who approved a manager discount
    Authoriser discountAuthoriser; // the same approver, for the operator log
    QString payType = QStringLiteral("普通"); // or the member card number
    PaymentMethod method = PaymentMethod::Cash;
    // The parts of a 组合支付, which must add up to the amount payable; empty when the whole is
    // paid by `method` (a 会员卡 from the card of payType).
    QList<PaymentPart> parts;
    // The small change waived (抹零) and who authorised it when it is above the house's limit.
    Money waived;
    Authoriser waiverAuthoriser;
    // The room's technicians as checkout lists them, top first, with the clocks entered for
    // each: they pay the commissions, in this order.
    QList<TechnicianLine> technicians;
    CommissionFormula formula;
    // The menu the item lines are priced and paid by, as checkout showed them.
    ItemTerms itemTerms;
    // What a requested technician's commission gains per massage or foot-wash clock (点钟加提).
    Money requestedSupplement;
    QDateTime billTime;
    QString cashier;
};

// A settled bill: its number, what it billed and the goods that ran low.
struct SettledBill
{
    int receiptNumber = 0;
    Bill bill;
    QList<PaymentPart> parts; // how it was paid, as stored
    // The balance left on the member card that paid part of it, when one did.
    std::optional<CardBalance> cardBalance;
    QStringList lowStockGoods; // in the bill's order; the desk warns about each
};

// Settlement turns a room's open bill into the house's takings. It runs as one transaction:
// the Receiptform row (with the payment method and the service lines as printed), one
// salaryform row per technician with his commission (and a receipt_technician row with his 点钟
// mark and supplement), one receipt_item row per item line with its commission, one spsalay row
// per goods line with the stock counted down, one receipt_payment row per part of the payment
// (a part from a member card paid from its balance, which never goes below 0) and the waived
// change, the link of the bill in the receipt chain (RecordChain.h), the end of the stay in the
// desk session (the bill removed, the technicians not released yet back at the tail of the idle
// queue) and the operator log's rows of the settlement, its discount and its 抹零 are all
// stored, or none of them is. The receipt number is taken inside that transaction, and the
// database refuses a number that is stored already, so no two bills share one.
class Settlement
{
public:
    Settlement(Database& database, DeskSession& session);

    // The number the next bill will get, as checkout shows it on opening: the largest number
    // stored + 1, 1 for the house's first bill. It is taken again when the bill is settled.
    Outcome<int> nextReceiptNumber() const;

    // Settles the room's open bill (a room without one is settled as an empty bill). Refused
    // when the prices were not read whole or an amount of the bill is broken; a failed write
    // returns the database error text and leaves the database and the session as they were.
    Outcome<SettledBill> settle(const SettlementRequest& request);

private:
    QString writeReceipt(const SettledBill& settled, const SettlementRequest& request, const QDateTime& startTime);
    QString writeSalaries(int number, const SettlementRequest& request);
    QString writeItems(int number, const SettlementRequest& request, const Bill& bill);
    // Counts every goods line out of the stock, then writes the bill's goods rows in one statement.
    // What is left of the goods comes into `sale` with a later statement's answer.
    QString writeGoods(int number, const SettlementRequest& request, const Bill& bill, GoodsStock::PendingSale& sale);
    QString writeLog(const SettledBill& settled, const SettlementRequest& request, const OpenBill* open);
    // The parts of the payment and the waived change, each part from a member card paid from it.
    Outcome<std::optional<CardBalance>> writePayment(
        int number, const SettlementRequest& request, const Bill& bill, const QList<PaymentPart>& parts);

    Database& m_database;
    DeskSession& m_session;
};
