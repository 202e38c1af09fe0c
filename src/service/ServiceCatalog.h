#pragma once

#include "app/Money.h"
#include "app/Outcome.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Database;
class DeskSession;

// The menu of the house: the services it sells (中式按摩, 泰式按摩, 精油开背, 足疗, 采耳, …), each
// with its own price per unit, minutes per unit and commission. Kept in the table
// service_item; the bills take their item lines from it.

// How a technician's commission on an item line is counted: a fixed amount per unit, or a
// share of the line's amount.
enum class CommissionKind { Amount, Share };

struct ServiceCommission
{
    CommissionKind kind = CommissionKind::Amount;
    Money amount; // per unit, for CommissionKind::Amount
    int basisPoints = 0; // of the line's amount (10000 = 100%), for CommissionKind::Share

    friend bool operator==(const ServiceCommission&, const ServiceCommission&) = default;
};

struct ServiceItem
{
    static const QString ClockUnit; // "钟": sold by the clock of `minutes` minutes
    static const QString TimeUnit; // "次": sold by the time

    qint64 id = 0; // the item's number
    QString name;
    QString category;
    QString unit = ClockUnit;
    int minutes = 0; // per unit
    Money price; // per unit
    bool memberDiscount = true; // the member card's discount applies
    bool managerDiscount = true; // a manager's 打折 applies
    ServiceCommission rotation; // 轮钟
    ServiceCommission requested; // 点钟
    bool retired = false; // 停用: kept for the receipts that sold it, no longer offered
    int position = 0; // the order of the menu

    friend bool operator==(const ServiceItem&, const ServiceItem&) = default;
};

// The commission of a line of `count` units of `item` whose amount is `lineAmount`, for a
// technician the guest asked for (点钟, `requested`) or the next in turn (轮钟): the fixed
// amount times the count, or the share of the line's amount rounded once, half away from zero.
Money commissionFor(const ServiceItem& item, int count, Money lineAmount, bool requested);

// The stored and shown text of a commission kind: "金额" or "比例"; and back (nothing else
// is read as a kind).
QString CommissionKindText(CommissionKind kind);
std::optional<CommissionKind> CommissionKindFromText(const QString& text);
// A commission as the list shows it: "20.00元/钟", "15%" or "12.5%".
QString CommissionText(const ServiceCommission& commission, const QString& unit);
// Basis points as a percentage to type: 1500 is "15", 1250 is "12.5".
QString PercentText(int basisPoints);

// An item as typed in the window's fields, before it is read.
struct ServiceItemTexts
{
    QString name;
    QString category;
    QString unit;
    QString minutes;
    QString price; // yuan per unit
    bool memberDiscount = true;
    bool managerDiscount = true;
    QString rotationKind; // "金额" or "比例"
    QString rotation; // yuan per unit, or a percentage
    QString requestedKind;
    QString requested;
};

// The typed fields read strictly (full-width digits too) into an item, or the refusal the
// desk shows for the first field it cannot take, then the rules of ServiceItemRefusal.
Outcome<ServiceItem> ReadServiceItem(const ServiceItemTexts& typed);

// The rules an item must keep, whoever writes it: a name, a unit of 钟 or 次, more than 0
// minutes for an item sold by the clock, no negative price or commission, no share above
// 100%. Empty when the item may be stored.
QString ServiceItemRefusal(const ServiceItem& item);

// What remove() did.
enum class Removal { Deleted, Retired };

// The store of the menu. Every change is one transaction with its row in the operator log.
class ServiceCatalog
{
public:
    // The table and its columns.
    static constexpr const char* Table = "service_item";
    static constexpr const char* IdColumn = "id";
    static constexpr const char* NameColumn = "name";
    static constexpr const char* CategoryColumn = "category";
    static constexpr const char* UnitColumn = "unit";
    static constexpr const char* MinutesColumn = "minutes";
    static constexpr const char* PriceColumn = "price_fen";
    static constexpr const char* MemberDiscountColumn = "member_discount";
    static constexpr const char* ManagerDiscountColumn = "manager_discount";
    static constexpr const char* RotationKindColumn = "commission_kind_rotation";
    static constexpr const char* RotationColumn = "commission_rotation";
    static constexpr const char* RequestedKindColumn = "commission_kind_requested";
    static constexpr const char* RequestedColumn = "commission_requested";
    static constexpr const char* RetiredColumn = "retired";
    static constexpr const char* PositionColumn = "position";
    // The settled item lines, read only to know whether an item was ever sold.
    static constexpr const char* SoldTable = "receipt_item";
    static constexpr const char* SoldItemColumn = "item";
    // The item lines of the open bills (the same column): an item there is about to be sold.
    static constexpr const char* BilledTable = "desk_bill_item";

    static const QString EmptyNameText; // "项目名称不能为空!"
    static const QString DuplicateNameText; // "已有同名的服务项目,请更改为其它名称!"
    static const QString UnitText; // "单位只能是“钟”或“次”!"
    static const QString MinutesText; // "按钟计的项目每钟分钟数必须大于0!"
    static const QString NegativeMinutesText; // "分钟数不能小于0!"
    static const QString NegativePriceText; // "单价不能小于0,请重新输入!"
    static const QString NegativeCommissionText; // "提成不能小于0,请重新输入!"
    static const QString ShareTooLargeText; // "提成比例不能超过100%!"
    static const QString MissingText; // "该服务项目已不存在!"
    static const QString SoldText; // a sold item was retired instead of deleted

    enum class Listing { All, Current };

    ServiceCatalog(Database& database, const DeskSession& session);

    // The items in the menu's order; Current leaves the retired ones out.
    Outcome<QList<ServiceItem>> list(Listing which = Listing::All) const;
    // One item by its number; a refusal (MissingText) when there is none.
    Outcome<ServiceItem> find(qint64 id) const { return find(m_database, id); }
    // The same without a desk session, for a receipt printed again.
    static Outcome<ServiceItem> find(Database& database, qint64 id);
    // Adds the item at the end of the menu under the next free number; the stored item.
    Outcome<ServiceItem> add(const ServiceItem& item);
    // Rewrites the item of `item.id` (its place on the menu and its state stay).
    Outcome<> change(const ServiceItem& item);
    // 停用 / 启用.
    Outcome<> setRetired(qint64 id, bool retired);
    // Whether a receipt ever sold the item, or an open bill holds it.
    Outcome<bool> isSold(qint64 id) const;
    // Deletes an item never sold; one that was sold is retired instead (Removal::Retired), so
    // that its receipts keep what they sold.
    Outcome<Removal> remove(qint64 id);
    // Moves the item one place up (-1) or down (+1) on the menu; at either end nothing moves.
    // Whether it moved.
    Outcome<bool> move(qint64 id, int direction);

private:
    Outcome<> nameFree(const QString& name, qint64 exceptId) const;

    Database& m_database;
    const DeskSession& m_session;
};
