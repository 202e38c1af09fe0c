#pragma once

#include "app/Money.h"
#include "desk/OpenBill.h"
#include "service/ServiceCatalog.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

struct ServiceSettings;

// One service line of a bill as it is drawn and stored: the count ("%d"), the unit price and
// the amount ("%.2f").
struct ServiceLine
{
    QString count;
    QString unitPrice;
    QString amount;

    friend bool operator==(const ServiceLine&, const ServiceLine&) = default;
};

// One article of a bill with its amount: the leading number of the unit price (as exact as
// it is written) times the quantity, rounded once, "%.2f".
struct PricedGoodsLine
{
    GoodsLine goods;
    QString amount;
};

// One item line of a bill with what the menu asks for it: the unit price, the discount factor
// when one applies to the item ("%.2f", empty when none), the amount (count × price × factor,
// rounded once) and the item itself as the catalogue holds it now.
struct PricedItemLine
{
    ItemLine line;
    ServiceItem item;
    QString unitPrice;
    QString discount;
    Money amount;
};

// What the item lines of a bill are priced with: the menu's items by number, and whether the
// bill's discount factor is a member card's (else a manager's 打折), since each item says which
// of the two applies to it.
struct ItemTerms
{
    QHash<qint64, ServiceItem> items;
    bool memberCard = false;

    // The menu as the catalogue holds it now, retired items included (a line may hold one).
    static Outcome<ItemTerms> read(Database& database, const DeskSession& session, bool memberCard);
};

// What a bill's lines cost, each rounded once to the fen; the totals are sums of the lines as
// they are printed, so a guest who adds up his receipt finds the total under it.
struct BillAmounts
{
    Money massage;
    Money footWash;
    Money pedicure;
    QList<Money> items; // in the open bill's order
    QList<Money> goods; // in the open bill's order
    Money goodsSubtotal; // the sum of the goods amounts
    Money total; // the sum of every line amount
};

// The bill of one room as checkout shows, prints and stores it. It is priced from the room's
// counts, item lines and goods; the clocks entered per technician pay commissions and never
// reach it. The discount factor lowers the massage line and the item lines whose item takes
// that kind of discount; foot-wash, pedicure and goods are never discounted, and the free-clock
// count of the prices is not applied to any bill.
struct Bill
{
    bool hasOpenBill = false; // false: a room without an open bill, which bills nothing
    std::optional<ServiceLine> massage; // present only for a non-zero count
    std::optional<ServiceLine> footWash;
    std::optional<ServiceLine> pedicure;
    QList<PricedItemLine> items; // in the open bill's order
    // Item numbers of lines the menu no longer knows: such a bill cannot be settled.
    QList<qint64> unknownItems;
    QList<PricedGoodsLine> goods; // in the open bill's order
    QString goodsSubtotal = QStringLiteral("0"); // "%.2f" when the bill has goods
    Money totalAmount; // the sum of the line amounts
    // The small change waived at the cashier's word (抹零), printed as a line of its own.
    Money waived;
    QString total = QStringLiteral("0.00"); // totalAmount - waived: what the guest pays
    QString discount; // the discount factor, "%.2f" (every place when it has more)

    // Prices `openBill` (null for a room without one) at `prices` with `discountFactor`, its
    // item lines by `terms`.
    static Bill price(const OpenBill* openBill, const ServiceSettings& prices, const Decimal& discountFactor,
        const ItemTerms& terms = {});
    // The line amounts of `openBill` at `prices` with `discountFactor`.
    static BillAmounts amounts(const OpenBill& openBill, const ServiceSettings& prices, const Decimal& discountFactor,
        const ItemTerms& terms = {});
    // The factor that lowers a line of `item` on a bill discounted by `discountFactor`: the
    // factor when the item takes that kind of discount, else 1.
    static Decimal itemFactor(const ServiceItem& item, const Decimal& discountFactor, bool memberCard);

    // The bill with `amount` of its total waived: its total becomes what is left.
    void waive(Money amount)
    {
        waived = amount;
        total = (totalAmount - waived).text();
    }
    Money payable() const { return totalAmount - waived; }

    // The count text a stored receipt carries for a line: empty when the line is absent.
    static QString countText(const std::optional<ServiceLine>& line) { return line ? line->count : QString(); }
};

// The service period of a receipt: start and bill time joined by "—". A room without a
// start time (no open bill) gets the bill time on both sides, so the text keeps its form.
QString ServicePeriodText(const QDateTime& startTime, const QDateTime& billTime);

// The whole minutes a service has run: 65 after 1 h 05 min, 0 before it started.
int ElapsedMinutes(const QDateTime& startTime, const QDateTime& now);
