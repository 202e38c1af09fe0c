#include "service/Bill.h"

#include "app/Database.h"
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

Decimal priceOf(const ServiceItem& item)
{
    return Decimal(item.price.fen(), 2);
}

} // namespace

Outcome<ItemTerms> ItemTerms::read(Database& database, const DeskSession& session, bool memberCard)
{
    const Outcome<QList<ServiceItem>> menu = ServiceCatalog(database, session).list();
    if (!menu)
        return menu.setback<ItemTerms>();
    ItemTerms terms;
    terms.memberCard = memberCard;
    for (const ServiceItem& item : menu.value())
        terms.items.insert(item.id, item);
    return terms;
}

Decimal Bill::itemFactor(const ServiceItem& item, const Decimal& discountFactor, bool memberCard)
{
    return (memberCard ? item.memberDiscount : item.managerDiscount) ? discountFactor : Decimal::whole(1);
}

BillAmounts Bill::amounts(
    const OpenBill& openBill, const ServiceSettings& prices, const Decimal& discountFactor, const ItemTerms& terms)
{
    BillAmounts amounts;
    amounts.massage = Money::line(openBill.massageClocks, prices.massagePrice, discountFactor);
    amounts.footWash = Money::line(openBill.footWashClocks, prices.footWashPrice);
    amounts.pedicure = Money::line(openBill.pedicureCount, prices.pedicurePrice);
    Money itemsTotal;
    for (const ItemLine& line : openBill.items) {
        const auto item = terms.items.constFind(line.item);
        amounts.items.append(item == terms.items.cend()
                ? Money()
                : Money::line(line.count, priceOf(*item), itemFactor(*item, discountFactor, terms.memberCard)));
        itemsTotal += amounts.items.last();
    }
    for (const GoodsLine& line : openBill.goods) {
        amounts.goods.append(Money::line(line.quantity, Decimal::fromLeadingText(line.unitPrice)));
        amounts.goodsSubtotal += amounts.goods.last();
    }
    amounts.total = amounts.massage + amounts.footWash + amounts.pedicure + itemsTotal + amounts.goodsSubtotal;
    return amounts;
}

Bill Bill::price(
    const OpenBill* openBill, const ServiceSettings& prices, const Decimal& discountFactor, const ItemTerms& terms)
{
    Bill bill;
    bill.discount = discountFactor.amountText();
    if (!openBill)
        return bill;

    bill.hasOpenBill = true;
    const BillAmounts amounts = Bill::amounts(*openBill, prices, discountFactor, terms);
    bill.massage = serviceLine(openBill->massageClocks, prices.massagePrice, amounts.massage);
    bill.footWash = serviceLine(openBill->footWashClocks, prices.footWashPrice, amounts.footWash);
    bill.pedicure = serviceLine(openBill->pedicureCount, prices.pedicurePrice, amounts.pedicure);
    for (qsizetype i = 0; i < openBill->items.size(); ++i) {
        const ItemLine& line = openBill->items[i];
        const auto item = terms.items.constFind(line.item);
        if (item == terms.items.cend()) {
            bill.unknownItems.append(line.item);
            ServiceItem unknown;
            unknown.id = line.item;
            unknown.name = line.name;
            bill.items.append({ line, unknown, Money().text(), {}, Money() });
            continue;
        }
        const Decimal factor = itemFactor(*item, discountFactor, terms.memberCard);
        bill.items.append({ line, *item, item->price.text(),
            factor == Decimal::whole(1) ? QString() : factor.amountText(), amounts.items[i] });
    }
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
