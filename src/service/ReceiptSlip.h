#pragma once

#include "app/Money.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class ThermalSlip;
struct SettledBill;
struct SettlementRequest;
struct StoredReceipt;

// One part of a payment: the method's name ("现金", "微信", …), what it paid and, for a member
// card, the card's number.
struct SlipPayment
{
    QString method;
    Money amount;
    QString card {};

    friend bool operator==(const SlipPayment&, const SlipPayment&) = default;
};

// A technician who served the room, with 点钟 or 轮钟 and the clocks entered for him.
struct SlipTechnician
{
    QString number;
    QString name;
    bool requested = false;
    int massageClocks = 0;
    int footWashClocks = 0;

    friend bool operator==(const SlipTechnician&, const SlipTechnician&) = default;
};

// A line of the receipt: a service, an item of the menu or an article, with its count, unit
// price and amount as the bill printed them.
struct SlipLine
{
    QString name;
    QString count;
    QString unitPrice;
    Money amount;

    friend bool operator==(const SlipLine&, const SlipLine&) = default;
};

// What a guest's receipt says, whatever prints it: the house, the bill's number, time, room
// and cashier, the technicians, the service and item lines, the goods, the discount, the
// amount waived (抹零), the total, the parts of the payment, the cash tendered with its change,
// the card's balance after paying, and a reprint's mark.
struct ReceiptSlip
{
    QString companyName;
    QString companyTel;
    int receiptNumber = 0;
    QDateTime billTime;
    QString room;
    QString cashier;
    QList<SlipTechnician> technicians;
    QList<SlipLine> services; // the three services, then the menu's items
    QList<SlipLine> goods;
    QString discount; // the factor ("0.80"); empty when the bill was not discounted
    Money waived; // 抹零: taken off the lines' sum
    Money total; // what the guest paid: the lines' sum less the amount waived
    QList<SlipPayment> payments;
    std::optional<Money> tendered; // the cash handed over, when more than its part
    Money change;
    std::optional<Money> cardBalance;
    QString reprintedAt; // "yyyy-MM-dd HH:mm:ss" of a reprint; empty for the first print

    bool isReprint() const { return !reprintedAt.isEmpty(); }
    // Some of the bill was paid in cash: the drawer opens.
    bool paidInCash() const;
    // The sum of the service, item and goods lines.
    Money linesTotal() const;

    // The receipt of a bill just settled. `tendered` is the text of checkout's "收款" box: the
    // cash handed over, read only when the bill is paid in cash and it covers the cash part.
    static ReceiptSlip ofSettlement(const SettledBill& settled, const SettlementRequest& request,
        const QString& companyName, const QString& companyTel, const QString& tendered);
    // The receipt of a stored bill printed again at `reprintedAt`: what the stored rows keep
    // (no technicians, cashier or item lines), the payment wholly by its stored method.
    static ReceiptSlip ofStored(const StoredReceipt& receipt, const QString& companyName, const QString& companyTel,
        const QString& reprintedAt);

    friend bool operator==(const ReceiptSlip&, const ReceiptSlip&) = default;
};

// The receipt laid out for a roll of `columns` (32 or 48), with the house's QR code under it
// when `qrText` is not empty.
ThermalSlip ReceiptSlipDocument(const ReceiptSlip& slip, int columns, const QString& qrText = {});
