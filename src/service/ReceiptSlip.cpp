#include "service/ReceiptSlip.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"
#include "desk/PaymentMethod.h"
#include "printing/ThermalSlip.h"
#include "service/Settlement.h"
#include "service/StoredReceipt.h"

namespace {

// The bill's lines as the receipt lists them: the three services, then the menu's items.
QList<SlipLine> serviceLines(const Bill& bill)
{
    QList<SlipLine> lines;
    const auto add = [&](const QString& name, const std::optional<ServiceLine>& line) {
        if (line)
            lines.append({ name, line->count, line->unitPrice, Money::fromText(line->amount) });
    };
    add(QStringLiteral("按摩(钟)"), bill.massage);
    add(QStringLiteral("洗脚(钟)"), bill.footWash);
    add(QStringLiteral("修脚(人次)"), bill.pedicure);
    for (const PricedItemLine& item : bill.items)
        lines.append({ QStringLiteral("%1(%2)").arg(item.line.name, item.item.unit), QString::number(item.line.count),
            item.unitPrice, item.amount });
    return lines;
}

QList<SlipLine> goodsLines(const Bill& bill)
{
    QList<SlipLine> lines;
    for (const PricedGoodsLine& line : bill.goods)
        lines.append({ line.goods.name, QString::number(line.goods.quantity), line.goods.unitPrice,
            Money::fromText(line.amount) });
    return lines;
}

// A factor of 1 is no discount.
QString shownDiscount(const QString& factor)
{
    if (factor.isEmpty())
        return {};
    const std::optional<Decimal> value = Decimal::fromText(factor);
    return value && *value == Decimal::whole(1) ? QString() : factor;
}

QString yuan(Money amount)
{
    return QStringLiteral("￥") + amount.text();
}

} // namespace

bool ReceiptSlip::paidInCash() const
{
    const QString cash = PaymentMethodName(PaymentMethod::Cash);
    return std::any_of(payments.begin(), payments.end(), [&](const SlipPayment& part) { return part.method == cash; });
}

Money ReceiptSlip::linesTotal() const
{
    Money sum;
    for (const SlipLine& line : services)
        sum += line.amount;
    for (const SlipLine& line : goods)
        sum += line.amount;
    return sum;
}

ReceiptSlip ReceiptSlip::ofSettlement(const SettledBill& settled, const SettlementRequest& request,
    const QString& companyName, const QString& companyTel, const QString& tendered)
{
    ReceiptSlip slip;
    slip.companyName = companyName;
    slip.companyTel = companyTel;
    slip.receiptNumber = settled.receiptNumber;
    slip.billTime = request.billTime;
    slip.room = request.room;
    slip.cashier = request.cashier;
    for (const TechnicianLine& line : request.technicians)
        slip.technicians.append({ line.number, line.name, line.requested, line.massageClocks, line.footWashClocks });
    slip.services = serviceLines(settled.bill);
    slip.goods = goodsLines(settled.bill);
    slip.discount = shownDiscount(settled.bill.discount);
    slip.waived = settled.bill.waived;
    slip.total = settled.bill.payable();
    Money cashDue;
    for (const PaymentPart& part : settled.parts) {
        slip.payments.append({ PaymentMethodName(part.method), part.amount, part.card });
        if (part.method == PaymentMethod::Cash)
            cashDue += part.amount;
    }
    if (settled.cardBalance)
        slip.cardBalance = settled.cardBalance->total();
    // The money handed over pays the cash part.
    if (const std::optional<Decimal> typed = Decimal::fromText(tendered.trimmed()); typed && !cashDue.isZero()) {
        const Money handed = Money::rounded(*typed);
        if (handed >= cashDue) {
            slip.tendered = handed;
            slip.change = handed - cashDue;
        }
    }
    return slip;
}

ReceiptSlip ReceiptSlip::ofStored(
    const StoredReceipt& receipt, const QString& companyName, const QString& companyTel, const QString& reprintedAt)
{
    ReceiptSlip slip;
    slip.companyName = companyName;
    slip.companyTel = companyTel;
    slip.receiptNumber = int(receipt.number);
    slip.billTime = receipt.billTime;
    slip.room = receipt.room;
    slip.services = serviceLines(receipt.bill);
    slip.goods = goodsLines(receipt.bill);
    slip.discount = shownDiscount(receipt.bill.discount);
    slip.waived = receipt.bill.waived;
    slip.total = receipt.bill.payable();
    for (const PaymentPart& part : receipt.parts)
        slip.payments.append({ PaymentMethodName(part.method), part.amount, part.card });
    if (slip.payments.isEmpty()) // settled before the parts were kept
        slip.payments.append(
            { receipt.paymentMethod.isEmpty() ? UnrecordedMethodName() : receipt.paymentMethod, slip.total });
    slip.reprintedAt = reprintedAt;
    return slip;
}

ThermalSlip ReceiptSlipDocument(const ReceiptSlip& slip, int columns, const QString& qrText)
{
    ThermalSlip out(columns);
    const SlipLayout& layout = out.layout();
    const bool wide = layout.columns() >= 48;
    // The columns right of a line's name: unit price, count, amount.
    const int priceWidth = wide ? 10 : 8;
    const int countWidth = wide ? 6 : 4;
    const int amountWidth = wide ? 12 : 9;
    const auto lineRow = [&](const QString& name, const QString& price, const QString& count, const QString& amount) {
        out.line(layout.row(name, { { price, priceWidth }, { count, countWidth }, { amount, amountWidth } }));
    };

    if (slip.isReprint())
        out.centred(QStringLiteral("** 重打 **"));
    if (!slip.companyName.isEmpty())
        out.heading(slip.companyName);
    if (!slip.companyTel.isEmpty())
        out.centred(QStringLiteral("电话:") + slip.companyTel);
    out.rule(u'=');
    out.pair(QStringLiteral("单号:NO:%1").arg(slip.receiptNumber, 6, 10, QLatin1Char('0')),
        slip.room.isEmpty() ? QString() : QStringLiteral("房间:") + slip.room);
    out.line(QStringLiteral("时间:") + DateTimeText(slip.billTime));
    if (!slip.cashier.isEmpty())
        out.line(QStringLiteral("收银员:") + slip.cashier);
    for (const SlipTechnician& technician : slip.technicians) {
        QString clocks;
        if (technician.massageClocks > 0)
            clocks += QStringLiteral("按摩%1").arg(technician.massageClocks);
        if (technician.footWashClocks > 0)
            clocks += (clocks.isEmpty() ? QString() : QStringLiteral(" "))
                + QStringLiteral("洗脚%1").arg(technician.footWashClocks);
        out.line(QStringLiteral("技师:%1 %2  %3  %4")
                     .arg(technician.number, technician.name,
                         technician.requested ? QStringLiteral("点钟") : QStringLiteral("轮钟"), clocks)
                     .trimmed());
    }

    out.rule();
    lineRow(QStringLiteral("项目"), QStringLiteral("单价"), QStringLiteral("数量"), QStringLiteral("金额"));
    for (const SlipLine& line : slip.services)
        lineRow(line.name, line.unitPrice, line.count, line.amount.text());
    if (!slip.goods.isEmpty()) {
        out.line(QStringLiteral("商品:"));
        for (const SlipLine& line : slip.goods)
            lineRow(line.name, line.unitPrice, line.count, line.amount.text());
    }
    out.rule();

    if (!slip.discount.isEmpty())
        out.pair(QStringLiteral("折扣:"), slip.discount);
    if (!slip.waived.isZero())
        out.pair(QStringLiteral("抹零:"), (-slip.waived).text());
    out.pair(QStringLiteral("合计:"), yuan(slip.total));
    for (const SlipPayment& part : slip.payments) {
        const QString label = part.card.isEmpty() ? part.method : QStringLiteral("%1(%2)").arg(part.method, part.card);
        out.pair(label + u':', part.amount.text());
    }
    if (slip.tendered) {
        out.pair(QStringLiteral("实收现金:"), slip.tendered->text());
        out.pair(QStringLiteral("找零:"), slip.change.text());
    }
    if (slip.cardBalance)
        out.pair(QStringLiteral("卡内余额:"), slip.cardBalance->text());
    out.rule();
    out.centred(QStringLiteral("祝你生活愉快,欢迎再次光临!"));
    if (slip.isReprint())
        out.line(QStringLiteral("重打时间:") + slip.reprintedAt);
    out.qr(qrText);
    return out;
}
