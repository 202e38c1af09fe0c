#include "service/Bill.h"

#include "app/TextFormat.h"
#include "service/ServiceSettings.h"

#include <algorithm>

namespace {

std::optional<ServiceLine> serviceLine(int count, const Decimal& unitPrice, Money amount)
{
    if (count == 0)
        return std::nullopt;
    return ServiceLine { QString::number(count), unitPrice.amountText(), amount.text() };
}

} // namespace

BillAmounts Bill::amounts(const OpenBill& openBill, const ServiceSettings& prices, const Decimal& discountFactor)
{
    BillAmounts amounts;
    amounts.massage = Money::line(openBill.massageClocks, prices.massagePrice, discountFactor);
    amounts.footWash = Money::line(openBill.footWashClocks, prices.footWashPrice);
    amounts.pedicure = Money::line(openBill.pedicureCount, prices.pedicurePrice);
    for (const GoodsLine& line : openBill.goods) {
        amounts.goods.append(Money::line(line.quantity, Decimal::fromLeadingText(line.unitPrice)));
        amounts.goodsSubtotal += amounts.goods.last();
    }
    amounts.total = amounts.massage + amounts.footWash + amounts.pedicure + amounts.goodsSubtotal;
    return amounts;
}

Bill Bill::price(const OpenBill* openBill, const ServiceSettings& prices, const Decimal& discountFactor)
{
    Bill bill;
    bill.discount = discountFactor.amountText();
    if (!openBill)
        return bill;

    bill.hasOpenBill = true;
    const BillAmounts amounts = Bill::amounts(*openBill, prices, discountFactor);
    bill.massage = serviceLine(openBill->massageClocks, prices.massagePrice, amounts.massage);
    bill.footWash = serviceLine(openBill->footWashClocks, prices.footWashPrice, amounts.footWash);
    bill.pedicure = serviceLine(openBill->pedicureCount, prices.pedicurePrice, amounts.pedicure);
    for (qsizetype i = 0; i < openBill->goods.size(); ++i)
        bill.goods.append({ openBill->goods[i], amounts.goods[i].text() });
    if (!bill.goods.isEmpty())
        bill.goodsSubtotal = amounts.goodsSubtotal.text();
    bill.totalAmount = amounts.total;
    bill.total = amounts.total.text();
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
