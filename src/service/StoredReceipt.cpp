#include "service/StoredReceipt.h"

#include "app/LeadingNumber.h"
#include "app/ReceiptStore.h"
#include "app/TextFormat.h"

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
    return std::optional<StoredReceipt>(std::move(receipt));
}
