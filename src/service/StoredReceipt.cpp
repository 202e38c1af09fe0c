#include "service/StoredReceipt.h"

#include "app/Database.h"
#include "app/LeadingNumber.h"
#include "app/TextFormat.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// A service line of a stored receipt: present when its count was stored.
std::optional<ServiceLine> storedLine(const QSqlRecord& row, int countColumn)
{
    const QString count = row.value(countColumn).toString();
    if (count.isEmpty())
        return std::nullopt;
    return ServiceLine { count, row.value(countColumn + 1).toString(), row.value(countColumn + 2).toString() };
}

} // namespace

Outcome<std::optional<StoredReceipt>> LoadStoredReceipt(Database& database, qint64 number)
{
    const SqlResult found = database.exec(
        QStringLiteral("SELECT housnum, time, paymethod, spjine, dazhe, alljine, massagetime, massageprice, "
                       "massagejine, washfoottime, washfootprice, washfootjine, trimfoot, trimfootprice, trimfootjine "
                       "FROM Receiptform WHERE id=?"),
        { number });
    if (!found.ok())
        return Failure { found.error };
    if (found.isEmpty())
        return std::optional<StoredReceipt>();
    const QSqlRecord& row = found.first();

    StoredReceipt receipt;
    receipt.number = number;
    receipt.room = row.value(0).toString();
    receipt.billTime = DateTimeFromText(row.value(1).toString());
    receipt.paymentMethod = row.value(2).toString();
    Bill& bill = receipt.bill;
    bill.hasOpenBill = true;
    bill.goodsSubtotal = row.value(3).toString();
    bill.discount = row.value(4).toString();
    bill.total = row.value(5).toString();
    bill.totalAmount = Money::fromText(bill.total);
    bill.massage = storedLine(row, 6);
    bill.footWash = storedLine(row, 9);
    bill.pedicure = storedLine(row, 12);

    const QString error = database.readRows(
        QStringLiteral("SELECT name, counter, danjia, danwe, jine FROM spsalay WHERE id=? ORDER BY %1")
            .arg(database.dialect().rowKey()),
        { number }, [&bill](const QSqlQuery& line) {
            bill.goods.append({ GoodsLine { line.value(0).toString(), LeadingInt(line.value(1).toString()),
                                    line.value(2).toString(), line.value(3).toString() },
                line.value(4).toString() });
            return true;
        });
    if (!error.isEmpty())
        return Failure { error };
    return std::optional<StoredReceipt>(std::move(receipt));
}
