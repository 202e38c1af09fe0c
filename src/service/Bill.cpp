#include "service/Bill.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"
#include "service/ServiceSettings.h"

#include <algorithm>

namespace {

std::optional<ServiceLine> serviceLine(int count, double unitPrice, double amount)
{
    if (count == 0)
        return std::nullopt;
    return ServiceLine { QString::number(count), AmountText(unitPrice), AmountText(amount) };
}

} // namespace

Bill Bill::price(const OpenBill* openBill, const ServiceSettings& prices, double discountFactor)
{
    Bill bill;
    bill.discount = AmountText(discountFactor);
    if (!openBill)
        return bill;

    bill.hasOpenBill = true;
    const double massage = openBill->massageClocks * prices.massagePrice * discountFactor;
    const double footWash = openBill->footWashClocks * prices.footWashPrice;
    const double pedicure = openBill->pedicureCount * prices.pedicurePrice;
    bill.massage = serviceLine(openBill->massageClocks, prices.massagePrice, massage);
    bill.footWash = serviceLine(openBill->footWashClocks, prices.footWashPrice, footWash);
    bill.pedicure = serviceLine(openBill->pedicureCount, prices.pedicurePrice, pedicure);

    // Added up in the order the bill reads, services first, then each article; the goods
    // subtotal is what the goods added to that sum.
    const double services = massage + footWash + pedicure;
    bill.totalAmount = services;
    for (const GoodsLine& line : openBill->goods) {
        const double amount = LeadingReal(line.unitPrice) * line.quantity;
        bill.goods.append({ line, AmountText(amount) });
        bill.totalAmount += amount;
    }
    if (!bill.goods.isEmpty())
        bill.goodsSubtotal = AmountText(bill.totalAmount - services);
    bill.total = AmountText(bill.totalAmount);
    return bill;
}

QString ServicePeriodText(const QDateTime& startTime, const QDateTime& billTime)
{
    const QString end = DateTimeText(billTime);
    const QString start = startTime.isValid() ? DateTimeText(startTime) : end;
    return start + u'—' + end;
}

int ElapsedMinutes(const QDateTime& startTime, const QDateTime& now)
{
    if (!startTime.isValid() || !now.isValid())
        return 0;
    return static_cast<int>(std::max<qint64>(0, startTime.secsTo(now) / 60));
}
