#pragma once

#include "app/Money.h"
#include "app/Outcome.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QVariantList>

#include <optional>
#include <span>

class Database;

// The three tables of a settled bill, kept under the names the house's first program gave them:
// the bill itself, one row per technician who served it with his commission, and one row per
// goods line. Every statement on them is built in ReceiptStore.cpp from the names below; the
// other files name a table or a column only through these constants.
namespace ReceiptTable {
inline constexpr QLatin1StringView Receipts { "Receiptform" };
inline constexpr QLatin1StringView Salaries { "salaryform" };
inline constexpr QLatin1StringView Goods { "spsalay" };
// The menu's item lines of a bill, one row per line.
inline constexpr QLatin1StringView Items { "receipt_item" };
// The technicians of a bill, one row per row of salaryform in the same order: whether the
// guest asked for the technician (点钟) and the 点钟 supplement of her commission.
inline constexpr QLatin1StringView Calls { "receipt_technician" };
// How a bill was paid, one row per part in the order given at checkout: a bill paid one way
// has one row, a 组合支付 one per method. A part paid from a member card names the card.
inline constexpr QLatin1StringView Payments { "receipt_payment" };
// The small change waived at the cashier's word (抹零): at most one row per bill.
inline constexpr QLatin1StringView Waivers { "receipt_waiver" };
} // namespace ReceiptTable

// The columns of the bill's row. The service counts and amounts are texts as printed.
namespace ReceiptColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Room { "housnum" };
inline constexpr QLatin1StringView Period { "bytime" }; // "start—end" of the stay
inline constexpr QLatin1StringView MassageCount { "massagetime" };
inline constexpr QLatin1StringView FootWashCount { "washfoottime" };
inline constexpr QLatin1StringView PedicureCount { "trimfoot" };
inline constexpr QLatin1StringView GoodsAmount { "spjine" };
inline constexpr QLatin1StringView Discount { "dazhe" };
inline constexpr QLatin1StringView DiscountApprover { "dazheperson" };
inline constexpr QLatin1StringView Total { "alljine" };
inline constexpr QLatin1StringView PayType { "paytype" }; // "普通" or the member card number
inline constexpr QLatin1StringView Cashier { "cashier" };
inline constexpr QLatin1StringView Time { "time" };
inline constexpr QLatin1StringView PaymentMethod { "paymethod" };
inline constexpr QLatin1StringView MassagePrice { "massageprice" };
inline constexpr QLatin1StringView MassageAmount { "massagejine" };
inline constexpr QLatin1StringView FootWashPrice { "washfootprice" };
inline constexpr QLatin1StringView FootWashAmount { "washfootjine" };
inline constexpr QLatin1StringView PedicurePrice { "trimfootprice" };
inline constexpr QLatin1StringView PedicureAmount { "trimfootjine" };

// Every column, in the order a bill is written (and the receipt chain reads it).
inline constexpr QLatin1StringView All[] = { Id, Room, Period, MassageCount, FootWashCount, PedicureCount, GoodsAmount,
    Discount, DiscountApprover, Total, PayType, Cashier, Time, PaymentMethod, MassagePrice, MassageAmount,
    FootWashPrice, FootWashAmount, PedicurePrice, PedicureAmount };
} // namespace ReceiptColumn

// The columns of a technician's row of a bill.
namespace CommissionColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Technician { "num" }; // the technician's number
inline constexpr QLatin1StringView Name { "name" };
inline constexpr QLatin1StringView MassageCount { "massagetime" };
inline constexpr QLatin1StringView FootWashCount { "washfoottime" };
inline constexpr QLatin1StringView Commission { "salary" };
inline constexpr QLatin1StringView Time { "time" };
inline constexpr QLatin1StringView Cashier { "cashier" };

inline constexpr QLatin1StringView All[]
    = { Id, Technician, Name, MassageCount, FootWashCount, Commission, Time, Cashier };
} // namespace CommissionColumn

// The columns of a goods line of a bill.
namespace GoodsColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Name { "name" };
inline constexpr QLatin1StringView Unit { "danwe" };
inline constexpr QLatin1StringView UnitPrice { "danjia" };
inline constexpr QLatin1StringView Quantity { "counter" };
inline constexpr QLatin1StringView Amount { "jine" };
inline constexpr QLatin1StringView Time { "time" };
inline constexpr QLatin1StringView Cashier { "cashier" };

inline constexpr QLatin1StringView All[] = { Id, Name, Unit, UnitPrice, Quantity, Amount, Time, Cashier };
} // namespace GoodsColumn

// The columns of an item line of a bill. Amounts are whole fen.
namespace ItemColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Line { "line" }; // 0, 1, … in the bill's order
inline constexpr QLatin1StringView Item { "item" }; // service_item.id
inline constexpr QLatin1StringView Name { "name" }; // as sold
inline constexpr QLatin1StringView Technician { "technician" };
inline constexpr QLatin1StringView Requested { "requested" }; // 1: 点钟, 0: 轮钟
inline constexpr QLatin1StringView Count { "count" };
inline constexpr QLatin1StringView UnitPrice { "unit_price_fen" };
inline constexpr QLatin1StringView Amount { "amount_fen" };
inline constexpr QLatin1StringView Commission { "commission_fen" };
inline constexpr QLatin1StringView Time { "time" };
inline constexpr QLatin1StringView Cashier { "cashier" };

inline constexpr QLatin1StringView All[]
    = { Id, Line, Item, Name, Technician, Requested, Count, UnitPrice, Amount, Commission, Time, Cashier };
} // namespace ItemColumn

// The columns of a technician's call of a bill.
namespace CallColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Line { "line" }; // the place of the salaryform row, 0 first
inline constexpr QLatin1StringView Technician { "technician" };
inline constexpr QLatin1StringView Requested { "requested" }; // 1: 点钟, 0: 轮钟
inline constexpr QLatin1StringView Clocks { "clocks" }; // her massage and foot-wash clocks
inline constexpr QLatin1StringView Supplement { "supplement_fen" }; // the 点钟 supplement
inline constexpr QLatin1StringView Time { "time" };

inline constexpr QLatin1StringView All[] = { Id, Line, Technician, Requested, Clocks, Supplement, Time };
} // namespace CallColumn

// The columns of a part of a bill's payment.
namespace PaymentColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Line { "line" }; // 0, 1, … as checkout listed the parts
inline constexpr QLatin1StringView Method { "method" }; // "现金", "微信", …, "会员卡"
inline constexpr QLatin1StringView Amount { "amount_fen" };
inline constexpr QLatin1StringView Card { "card" }; // the member card a 会员卡 part was paid from
// The method the bill's own row names (Receiptform.paymethod): the part's method for a bill
// paid one way, "组合支付" for the parts of a split bill.
inline constexpr QLatin1StringView ReceiptMethod { "receipt_method" };
inline constexpr QLatin1StringView Time { "time" };

inline constexpr QLatin1StringView All[] = { Id, Line, Method, Amount, Card, ReceiptMethod, Time };
} // namespace PaymentColumn

// The columns of the change waived on a bill.
namespace WaiverColumn {
inline constexpr QLatin1StringView Id { "id" }; // the receipt number
inline constexpr QLatin1StringView Total { "total_fen" }; // the sum of the bill's lines
inline constexpr QLatin1StringView Waived { "waived_fen" }; // the receipt's total is Total - Waived
inline constexpr QLatin1StringView Approver { "approver" }; // who authorised it above the limit, '' else
inline constexpr QLatin1StringView Time { "time" };
inline constexpr QLatin1StringView Cashier { "cashier" };

inline constexpr QLatin1StringView All[] = { Id, Total, Waived, Approver, Time, Cashier };
} // namespace WaiverColumn

// A bill's row as it is stored. Read back, a field a program of an earlier release left NULL
// is an empty text.
struct ReceiptRow
{
    qint64 number = 0;
    QString room;
    QString period;
    QString massageCount;
    QString footWashCount;
    QString pedicureCount;
    QString goodsAmount;
    QString discount;
    QString discountApprover;
    QString total;
    QString payType;
    QString cashier;
    QString time;
    QString paymentMethod;
    QString massagePrice;
    QString massageAmount;
    QString footWashPrice;
    QString footWashAmount;
    QString pedicurePrice;
    QString pedicureAmount;

    friend bool operator==(const ReceiptRow&, const ReceiptRow&) = default;
};

struct CommissionRow
{
    qint64 number = 0; // of the receipt
    QString technician;
    QString name;
    QString massageCount;
    QString footWashCount;
    QString commission;
    QString time;
    QString cashier;

    friend bool operator==(const CommissionRow&, const CommissionRow&) = default;
};

struct GoodsRow
{
    qint64 number = 0; // of the receipt
    QString name;
    QString unit;
    QString unitPrice;
    QString quantity;
    QString amount;
    QString time;
    QString cashier;

    friend bool operator==(const GoodsRow&, const GoodsRow&) = default;
};

struct ItemRow
{
    qint64 number = 0; // of the receipt
    int line = 0;
    qint64 item = 0;
    QString name;
    QString technician;
    bool requested = false;
    int count = 0;
    qint64 unitPriceFen = 0;
    qint64 amountFen = 0;
    qint64 commissionFen = 0;
    QString time;
    QString cashier;

    friend bool operator==(const ItemRow&, const ItemRow&) = default;
};

struct CallRow
{
    qint64 number = 0; // of the receipt
    int line = 0;
    QString technician;
    bool requested = false;
    int clocks = 0;
    qint64 supplementFen = 0;
    QString time;

    friend bool operator==(const CallRow&, const CallRow&) = default;
};

struct PaymentRow
{
    qint64 number = 0; // of the receipt
    int line = 0;
    QString method;
    qint64 amountFen = 0;
    QString card;
    QString receiptMethod;
    QString time;

    friend bool operator==(const PaymentRow&, const PaymentRow&) = default;
};

struct WaiverRow
{
    qint64 number = 0; // of the receipt
    qint64 totalFen = 0;
    qint64 waivedFen = 0;
    QString approver;
    QString time;
    QString cashier;

    friend bool operator==(const WaiverRow&, const WaiverRow&) = default;
};

// INSERT INTO `table` (the columns) VALUES (?, …), … with one group of placeholders per row:
// the column list and the placeholders come from the same list, so they never disagree.
// `rows` is at least 1.
QString makeInsertStatement(QLatin1StringView table, std::span<const QLatin1StringView> columns, int rows = 1);
// The columns joined as a select or an insert lists them: "a, b, c".
QString columnList(std::span<const QLatin1StringView> columns);

// Writes `rows` (each one value per column, in the columns' order) with as few statements as
// it can: one multi-row INSERT for up to MaxRowsPerStatement rows. Inside a transaction on a
// server they go with its next statement that is waited for (Database::execLater()), so a
// bill's lines cost no round trip of their own. The rows are added in the order given; when they take
// several statements, all of them are written or none. Returns the database's error text,
// empty on success; a row of the wrong length is refused before anything is written.
QString InsertRows(Database& database, QLatin1StringView table, std::span<const QLatin1StringView> columns,
    const QList<QVariantList>& rows);

// The statements on a bill's tables. Writes belong to the caller's transaction; the
// rows of one bill go in the order they are given, since the receipt chain hashes them in the
// order they were added.
class ReceiptStore
{
public:
    // More rows than this go in further statements: it keeps the bound values well within what
    // either engine takes in one statement and the kept statements few. No bill comes near it.
    static constexpr int MaxRowsPerStatement = 64;

    explicit ReceiptStore(Database& database)
        : m_database(database)
    { }

    // The largest receipt number stored; nothing before the house's first bill.
    Outcome<std::optional<qint64>> largestNumber() const;

    QString insertReceipt(const ReceiptRow& row);
    // Every technician's row of one bill, in one statement.
    QString insertSalaries(const QList<CommissionRow>& rows);
    // Every goods line of one bill, in one statement, in the bill's order.
    QString insertGoods(const QList<GoodsRow>& rows);
    // Every item line and every technician's call of one bill, each in one statement.
    QString insertItems(const QList<ItemRow>& rows);
    QString insertCalls(const QList<CallRow>& rows);
    // Every part of one bill's payment in one statement; its waived change.
    QString insertPayments(const QList<PaymentRow>& rows);
    QString insertWaiver(const WaiverRow& row);

    // The bill numbered `number`; nothing when there is none.
    Outcome<std::optional<ReceiptRow>> loadReceipt(qint64 number) const;
    // Its technicians' rows and its goods lines, in the order they were written.
    Outcome<QList<CommissionRow>> loadSalaries(qint64 number) const;
    Outcome<QList<GoodsRow>> loadGoods(qint64 number) const;
    Outcome<QList<ItemRow>> loadItems(qint64 number) const;
    Outcome<QList<CallRow>> loadCalls(qint64 number) const;
    // The parts of its payment (none for a bill settled before they were kept) and its waived
    // change (nothing when none was waived).
    Outcome<QList<PaymentRow>> loadPayments(qint64 number) const;
    Outcome<std::optional<WaiverRow>> loadWaiver(qint64 number) const;
    // The change waived on the bills numbered after `after` up to `upTo`.
    Outcome<Money> waived(qint64 after, qint64 upTo) const;

private:
    Database& m_database;
};
