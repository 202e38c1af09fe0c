#include "service/StoredReceipt.h"

#include "app/LeadingNumber.h"
#include "app/ReceiptStore.h"
#include "app/TextFormat.h"
#include "service/ServiceCatalog.h"

namespace {

// A service line of a stored receipt: present when its count was stored.
std::optional<ServiceLine> storedLine(const QString& count, const QString& unitPrice, const QString& amount)
{
    if (count.isEmpty())
        return std::nullopt;
    return ServiceLine { count, unitPrice, amount };
}

} // namespace

Outcome<std::optional<StoredReceipt>> LoadStoredReceipt(Database& database, qint64 number)
{
    const ReceiptStore store(database);
    const Outcome<std::optional<ReceiptRow>> found = store.loadReceipt(number);
    if (!found)
        return found.setback<std::optional<StoredReceipt>>();
    if (!found.value())
        return std::optional<StoredReceipt>();
    const ReceiptRow& row = *found.value();

    StoredReceipt receipt;
    receipt.number = number;
    receipt.room = row.room;
    receipt.billTime = DateTimeFromText(row.time);
    receipt.paymentMethod = row.paymentMethod;
    Bill& bill = receipt.bill;
    bill.hasOpenBill = true;
    bill.goodsSubtotal = row.goodsAmount;
    bill.discount = row.discount;
    bill.total = row.total;
    bill.totalAmount = Money::fromText(bill.total);
    bill.massage = storedLine(row.massageCount, row.massagePrice, row.massageAmount);
    bill.footWash = storedLine(row.footWashCount, row.footWashPrice, row.footWashAmount);
    bill.pedicure = storedLine(row.pedicureCount, row.pedicurePrice, row.pedicureAmount);

    const Outcome<QList<GoodsRow>> goods = store.loadGoods(number);
    if (!goods)
        return goods.setback<std::optional<StoredReceipt>>();
    for (const GoodsRow& line : goods.value())
        bill.goods.append(
            { GoodsLine { line.name, LeadingInt(line.quantity), line.unitPrice, line.unit }, line.amount });

    // The item lines as they were sold; the unit is the menu's (an item is never deleted once sold).
    const Outcome<QList<ItemRow>> items = store.loadItems(number);
    if (!items)
        return items.setback<std::optional<StoredReceipt>>();
    for (const ItemRow& line : items.value()) {
        PricedItemLine priced;
        priced.line = { line.item, line.name, line.technician, line.count, line.requested, 0 };
        if (const Outcome<ServiceItem> item = ServiceCatalog::find(database, line.item))
            priced.item = item.value();
        priced.item.id = line.item;
        priced.item.name = line.name;
        priced.item.price = Money::fromFen(line.unitPriceFen);
        priced.unitPrice = priced.item.price.text();
        priced.amount = Money::fromFen(line.amountFen);
        if (const Money full = priced.item.price * line.count; full != priced.amount && !full.isZero())
            priced.discount = bill.discount;
        bill.items.append(priced);
    }

    const Outcome<QList<PaymentRow>> parts = store.loadPayments(number);
    if (!parts)
        return parts.setback<std::optional<StoredReceipt>>();
    for (const PaymentRow& part : parts.value())
        receipt.parts.append({ PaymentMethodFromName(part.method).value_or(PaymentMethod::Cash),
            Money::fromFen(part.amountFen), part.card });
    const Outcome<std::optional<WaiverRow>> waiver = store.loadWaiver(number);
    if (!waiver)
        return waiver.setback<std::optional<StoredReceipt>>();
    if (waiver.value()) {
        // The stored total is what was paid; the lines add up to the total before the waiver.
        bill.totalAmount = Money::fromFen(waiver.value()->totalFen);
        bill.waive(Money::fromFen(waiver.value()->waivedFen));
    }
    return std::optional<StoredReceipt>(std::move(receipt));
}
