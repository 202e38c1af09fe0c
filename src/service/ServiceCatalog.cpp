#include "service/ServiceCatalog.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TypedNumber.h"
#include "desk/OperatorLog.h"

#include <QSqlRecord>

const QString ServiceItem::ClockUnit = QStringLiteral("钟");
const QString ServiceItem::TimeUnit = QStringLiteral("次");

const QString ServiceCatalog::EmptyNameText = QStringLiteral("项目名称不能为空!");
const QString ServiceCatalog::DuplicateNameText = QStringLiteral("已有同名的服务项目,请更改为其它名称!");
const QString ServiceCatalog::UnitText = QStringLiteral("单位只能是“钟”或“次”!");
const QString ServiceCatalog::MinutesText = QStringLiteral("按钟计的项目每钟分钟数必须大于0!");
const QString ServiceCatalog::NegativeMinutesText = QStringLiteral("分钟数不能小于0!");
const QString ServiceCatalog::NegativePriceText = QStringLiteral("单价不能小于0,请重新输入!");
const QString ServiceCatalog::NegativeCommissionText = QStringLiteral("提成不能小于0,请重新输入!");
const QString ServiceCatalog::ShareTooLargeText = QStringLiteral("提成比例不能超过100%!");
const QString ServiceCatalog::MissingText = QStringLiteral("该服务项目已不存在!");
const QString ServiceCatalog::SoldText = QStringLiteral("该项目已有消费记录,不能删除,已改为停用!");

namespace {

constexpr int WholeShare = 10000; // basis points of 100%
const QString AmountKindText = QStringLiteral("金额");
const QString ShareKindText = QStringLiteral("比例");

QString column(const char* name)
{
    return QString::fromLatin1(name);
}

// Every column of an item, in the order the statements below bind and read them.
QStringList itemColumns()
{
    using C = ServiceCatalog;
    return { column(C::IdColumn), column(C::NameColumn), column(C::CategoryColumn), column(C::UnitColumn),
        column(C::MinutesColumn), column(C::PriceColumn), column(C::MemberDiscountColumn),
        column(C::ManagerDiscountColumn), column(C::RotationKindColumn), column(C::RotationColumn),
        column(C::RequestedKindColumn), column(C::RequestedColumn), column(C::RetiredColumn),
        column(C::PositionColumn) };
}

// A commission as stored: its kind's text and its value (fen per unit, or basis points).
qint64 storedValue(const ServiceCommission& commission)
{
    return commission.kind == CommissionKind::Amount ? commission.amount.fen() : commission.basisPoints;
}

ServiceCommission storedCommission(const QString& kind, qint64 value)
{
    ServiceCommission commission;
    commission.kind = CommissionKindFromText(kind).value_or(CommissionKind::Amount);
    if (commission.kind == CommissionKind::Amount)
        commission.amount = Money::fromFen(value);
    else
        commission.basisPoints = static_cast<int>(value);
    return commission;
}

QVariantList itemValues(const ServiceItem& item)
{
    return { item.id, item.name, item.category, item.unit, item.minutes, qint64(item.price.fen()),
        item.memberDiscount ? 1 : 0, item.managerDiscount ? 1 : 0, CommissionKindText(item.rotation.kind),
        storedValue(item.rotation), CommissionKindText(item.requested.kind), storedValue(item.requested),
        item.retired ? 1 : 0, item.position };
}

ServiceItem itemOfRow(const QSqlRecord& row)
{
    ServiceItem item;
    item.id = row.value(0).toLongLong();
    item.name = row.value(1).toString();
    item.category = row.value(2).toString();
    item.unit = row.value(3).toString();
    item.minutes = row.value(4).toInt();
    item.price = Money::fromFen(row.value(5).toLongLong());
    item.memberDiscount = row.value(6).toInt() != 0;
    item.managerDiscount = row.value(7).toInt() != 0;
    item.rotation = storedCommission(row.value(8).toString(), row.value(9).toLongLong());
    item.requested = storedCommission(row.value(10).toString(), row.value(11).toLongLong());
    item.retired = row.value(12).toInt() != 0;
    item.position = row.value(13).toInt();
    return item;
}

QString selectItems()
{
    return QStringLiteral("SELECT %1 FROM %2")
        .arg(itemColumns().join(QStringLiteral(", ")), column(ServiceCatalog::Table));
}

QString commissionRefusal(const ServiceCommission& commission)
{
    if (commission.kind == CommissionKind::Amount)
        return commission.amount.isNegative() ? ServiceCatalog::NegativeCommissionText : QString();
    if (commission.basisPoints < 0)
        return ServiceCatalog::NegativeCommissionText;
    if (commission.basisPoints > WholeShare)
        return ServiceCatalog::ShareTooLargeText;
    return {};
}

// A line of the operator log: "中式按摩 钟 60分钟 单价168.00 轮钟20.00元/钟 点钟30.00元/钟".
QString itemText(const ServiceItem& item)
{
    QString text = QStringLiteral("%1 %2").arg(item.id).arg(item.name);
    if (!item.category.isEmpty())
        text += QStringLiteral("(%1)").arg(item.category);
    if (item.unit == ServiceItem::ClockUnit)
        text += QStringLiteral(" %1分钟/钟").arg(item.minutes);
    text += QStringLiteral(" 单价%1元/%2 轮钟提成%3 点钟提成%4")
                .arg(item.price.text(), item.unit, CommissionText(item.rotation, item.unit),
                    CommissionText(item.requested, item.unit));
    if (!item.memberDiscount)
        text += QStringLiteral(" 不打会员折");
    if (!item.managerDiscount)
        text += QStringLiteral(" 不参加打折");
    return text;
}

// A field that holds money per unit: two places, from 0 up to the largest price of a unit.
TypedRule unitAmountRule()
{
    return TypedRule { 2, Decimal::whole(MaxUnitPriceYuan), true, false };
}

// A share typed as a percentage: two places ("12.5", "12.25").
TypedRule percentRule()
{
    return TypedRule { 2, Decimal::whole(MaxUnitPriceYuan), true, true };
}

Outcome<ServiceCommission> readCommission(const QString& kindText, const QString& typed, const QString& field)
{
    const std::optional<CommissionKind> kind = CommissionKindFromText(kindText);
    if (!kind)
        return Refusal { field + QStringLiteral("只能按金额或按比例计算!") };
    ServiceCommission commission;
    commission.kind = *kind;
    const TypedRule rule = *kind == CommissionKind::Amount ? unitAmountRule().orEmptyAsZero() : percentRule();
    const TypedReading reading = ReadTyped(typed, rule);
    if (reading.problem == TypedProblem::Negative)
        return Refusal { field + QStringLiteral("不能小于0,请重新输入!") };
    if (!reading.ok())
        return Refusal { TypedRetypeText(reading.problem, field, rule) };
    if (*kind == CommissionKind::Amount) {
        commission.amount = TypedMoney(reading);
        return commission;
    }
    // A percentage of at most two places is a whole number of basis points.
    qint64 points = reading.value.mantissa();
    for (int place = reading.value.places(); place < 2; ++place)
        points *= 10;
    if (points > WholeShare)
        return Refusal { field + QStringLiteral("比例不能超过100%!") };
    commission.basisPoints = static_cast<int>(points);
    return commission;
}

} // namespace

Money commissionFor(const ServiceItem& item, int count, Money lineAmount, bool requested)
{
    const ServiceCommission& commission = requested ? item.requested : item.rotation;
    if (commission.kind == CommissionKind::Amount)
        return commission.amount * count;
    return lineAmount.scaled(Decimal(commission.basisPoints, 4));
}

QString CommissionKindText(CommissionKind kind)
{
    return kind == CommissionKind::Amount ? AmountKindText : ShareKindText;
}

std::optional<CommissionKind> CommissionKindFromText(const QString& text)
{
    if (text == AmountKindText)
        return CommissionKind::Amount;
    if (text == ShareKindText)
        return CommissionKind::Share;
    return std::nullopt;
}

QString PercentText(int basisPoints)
{
    return Decimal(basisPoints, 2).normalized().text();
}

QString CommissionText(const ServiceCommission& commission, const QString& unit)
{
    if (commission.kind == CommissionKind::Amount)
        return QStringLiteral("%1元/%2").arg(commission.amount.text(), unit);
    return PercentText(commission.basisPoints) + u'%';
}

QString ServiceItemRefusal(const ServiceItem& item)
{
    if (item.name.trimmed().isEmpty())
        return ServiceCatalog::EmptyNameText;
    if (item.unit != ServiceItem::ClockUnit && item.unit != ServiceItem::TimeUnit)
        return ServiceCatalog::UnitText;
    if (item.unit == ServiceItem::ClockUnit && item.minutes <= 0)
        return ServiceCatalog::MinutesText;
    if (item.minutes < 0)
        return ServiceCatalog::NegativeMinutesText;
    if (item.price.isNegative())
        return ServiceCatalog::NegativePriceText;
    for (const ServiceCommission* commission : { &item.rotation, &item.requested }) {
        if (const QString refusal = commissionRefusal(*commission); !refusal.isEmpty())
            return refusal;
    }
    return {};
}

Outcome<ServiceItem> ReadServiceItem(const ServiceItemTexts& typed)
{
    ServiceItem item;
    item.name = typed.name.trimmed();
    item.category = typed.category.trimmed();
    item.unit = typed.unit.trimmed();
    if (item.name.isEmpty())
        return Refusal { ServiceCatalog::EmptyNameText };
    if (item.unit != ServiceItem::ClockUnit && item.unit != ServiceItem::TimeUnit)
        return Refusal { ServiceCatalog::UnitText };

    // Minutes: a whole number; an item sold by the time may leave them empty.
    const TypedRule minutesRule
        = item.unit == ServiceItem::ClockUnit ? TypedRule::count() : TypedRule::count().orEmptyAsZero();
    const TypedReading minutes = ReadTyped(typed.minutes, minutesRule);
    if (minutes.problem == TypedProblem::Negative)
        return Refusal { ServiceCatalog::NegativeMinutesText };
    if (minutes.problem == TypedProblem::Empty)
        return Refusal { ServiceCatalog::MinutesText };
    if (!minutes.ok())
        return Refusal { TypedRetypeText(minutes.problem, QStringLiteral("分钟数"), minutesRule) };
    item.minutes = static_cast<int>(minutes.value.mantissa());

    const TypedRule priceRule = unitAmountRule();
    const TypedReading price = ReadTyped(typed.price, priceRule);
    if (price.problem == TypedProblem::Negative)
        return Refusal { ServiceCatalog::NegativePriceText };
    if (!price.ok())
        return Refusal { TypedRetypeText(price.problem, QStringLiteral("单价"), priceRule) };
    item.price = TypedMoney(price);

    item.memberDiscount = typed.memberDiscount;
    item.managerDiscount = typed.managerDiscount;
    const Outcome<ServiceCommission> rotation
        = readCommission(typed.rotationKind, typed.rotation, QStringLiteral("轮钟提成"));
    if (!rotation)
        return rotation.setback<ServiceItem>();
    item.rotation = rotation.value();
    const Outcome<ServiceCommission> requested
        = readCommission(typed.requestedKind, typed.requested, QStringLiteral("点钟提成"));
    if (!requested)
        return requested.setback<ServiceItem>();
    item.requested = requested.value();

    if (const QString refusal = ServiceItemRefusal(item); !refusal.isEmpty())
        return Refusal { refusal };
    return item;
}

// --- the store ------------------------------------------------------------------------------------

ServiceCatalog::ServiceCatalog(Database& database, const DeskSession& session)
    : m_database(database)
    , m_session(session)
{ }

Outcome<QList<ServiceItem>> ServiceCatalog::list(Listing which) const
{
    QString sql = selectItems();
    if (which == Listing::Current)
        sql += QStringLiteral(" WHERE %1=0").arg(column(RetiredColumn));
    sql += QStringLiteral(" ORDER BY %1, %2").arg(column(PositionColumn), column(IdColumn));
    const SqlResult read = m_database.exec(sql);
    if (!read.ok())
        return Failure { read.error };
    QList<ServiceItem> items;
    items.reserve(read.rows.size());
    for (const QSqlRecord& row : read.rows)
        items << itemOfRow(row);
    return items;
}

Outcome<ServiceItem> ServiceCatalog::find(Database& database, qint64 id)
{
    const SqlResult read = database.exec(selectItems() + QStringLiteral(" WHERE %1=?").arg(column(IdColumn)), { id });
    if (!read.ok())
        return Failure { read.error };
    if (read.isEmpty())
        return Refusal { MissingText };
    return itemOfRow(read.first());
}

Outcome<> ServiceCatalog::nameFree(const QString& name, qint64 exceptId) const
{
    QString error;
    const QVariant taken = m_database.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2=? AND %3<>?")
                                                 .arg(column(Table), column(NameColumn), column(IdColumn)),
        { name, exceptId }, &error);
    if (!error.isEmpty())
        return Failure { error };
    if (taken.toLongLong() > 0)
        return Refusal { DuplicateNameText };
    return {};
}

Outcome<ServiceItem> ServiceCatalog::add(const ServiceItem& typed)
{
    ServiceItem item = typed;
    item.name = item.name.trimmed();
    item.category = item.category.trimmed();
    if (const QString refusal = ServiceItemRefusal(item); !refusal.isEmpty())
        return Refusal { refusal };
    ServiceItem stored;
    const Outcome<> added = OperatorLog(m_database, m_session).record([&]() -> Outcome<LogEntry> {
        if (const Outcome<> free = nameFree(item.name, 0); !free)
            return free.setback<LogEntry>();
        // The next number and the place after the last item, read in the transaction that
        // writes them.
        const SqlResult next
            = m_database.exec(QStringLiteral("SELECT coalesce(max(%1), 0) + 1, coalesce(max(%2), 0) + 1 FROM %3")
                                  .arg(column(IdColumn), column(PositionColumn), column(Table)));
        if (!next.ok())
            return Failure { next.error };
        item.id = next.first().value(0).toLongLong();
        item.position = next.first().value(1).toInt();
        QStringList marks;
        for (int i = 0; i < itemColumns().size(); ++i)
            marks << QStringLiteral("?");
        const SqlResult inserted = m_database.exec(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(column(Table), itemColumns().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
            itemValues(item));
        if (!inserted.ok())
            return Failure { inserted.error };
        stored = item;
        return LogEntry { .kind = LogKind::Prices, .description = QStringLiteral("服务项目添加 ") + itemText(item) };
    });
    if (!added)
        return added.setback<ServiceItem>();
    return stored;
}

Outcome<> ServiceCatalog::change(const ServiceItem& typed)
{
    ServiceItem item = typed;
    item.name = item.name.trimmed();
    item.category = item.category.trimmed();
    if (const QString refusal = ServiceItemRefusal(item); !refusal.isEmpty())
        return Refusal { refusal };
    return OperatorLog(m_database, m_session).record([&]() -> Outcome<LogEntry> {
        const Outcome<ServiceItem> before = find(item.id);
        if (!before)
            return before.setback<LogEntry>();
        if (const Outcome<> free = nameFree(item.name, item.id); !free)
            return free.setback<LogEntry>();
        item.retired = before.value().retired;
        item.position = before.value().position;
        QStringList assignments;
        const QStringList columns = itemColumns();
        QVariantList values = itemValues(item);
        for (const QString& name : columns.mid(1))
            assignments << name + QStringLiteral("=?");
        values.append(values.takeFirst()); // the id, last, for WHERE
        const SqlResult updated
            = m_database.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                                  .arg(column(Table), assignments.join(QStringLiteral(", ")), column(IdColumn)),
                values);
        if (!updated.ok())
            return Failure { updated.error };
        return LogEntry { .kind = LogKind::Prices,
            .description = QStringLiteral("服务项目由 %1 改为 %2").arg(itemText(before.value()), itemText(item)) };
    });
}

Outcome<> ServiceCatalog::setRetired(qint64 id, bool retired)
{
    return OperatorLog(m_database, m_session).record([&]() -> Outcome<LogEntry> {
        const Outcome<ServiceItem> item = find(id);
        if (!item)
            return item.setback<LogEntry>();
        const SqlResult updated = m_database.exec(
            QStringLiteral("UPDATE %1 SET %2=? WHERE %3=?").arg(column(Table), column(RetiredColumn), column(IdColumn)),
            { retired ? 1 : 0, id });
        if (!updated.ok())
            return Failure { updated.error };
        return LogEntry { .kind = LogKind::Prices,
            .description = QStringLiteral("服务项目%1 %2 %3")
                               .arg(retired ? QStringLiteral("停用") : QStringLiteral("启用"))
                               .arg(id)
                               .arg(item.value().name) };
    });
}

Outcome<bool> ServiceCatalog::isSold(qint64 id) const
{
    QString error;
    const QVariant sold = m_database.scalar(QStringLiteral("SELECT (SELECT count(*) FROM %1 WHERE %2=?) + "
                                                           "(SELECT count(*) FROM %3 WHERE %2=?)")
                                                .arg(column(SoldTable), column(SoldItemColumn), column(BilledTable)),
        { id, id }, &error);
    if (!error.isEmpty())
        return Failure { error };
    return sold.toLongLong() > 0;
}

Outcome<Removal> ServiceCatalog::remove(qint64 id)
{
    Removal removal = Removal::Deleted;
    const Outcome<> done = OperatorLog(m_database, m_session).record([&]() -> Outcome<LogEntry> {
        const Outcome<ServiceItem> item = find(id);
        if (!item)
            return item.setback<LogEntry>();
        const Outcome<bool> sold = isSold(id);
        if (!sold)
            return sold.setback<LogEntry>();
        const QString sql = sold.value()
            ? QStringLiteral("UPDATE %1 SET %2=1 WHERE %3=?")
                  .arg(column(Table), column(RetiredColumn), column(IdColumn))
            : QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(column(Table), column(IdColumn));
        if (const SqlResult written = m_database.exec(sql, { id }); !written.ok())
            return Failure { written.error };
        removal = sold.value() ? Removal::Retired : Removal::Deleted;
        return LogEntry { .kind = LogKind::Prices,
            .description = QStringLiteral("服务项目%1 %2 %3")
                               .arg(sold.value() ? QStringLiteral("已有消费记录,停用") : QStringLiteral("删除"))
                               .arg(id)
                               .arg(item.value().name) };
    });
    if (!done)
        return done.setback<Removal>();
    return removal;
}

Outcome<bool> ServiceCatalog::move(qint64 id, int direction)
{
    bool moved = false;
    const Outcome<> done = OperatorLog(m_database, m_session).record([&]() -> Outcome<LogEntry> {
        const Outcome<QList<ServiceItem>> items = list();
        if (!items)
            return items.setback<LogEntry>();
        const QList<ServiceItem>& menu = items.value();
        qsizetype at = -1;
        for (qsizetype i = 0; i < menu.size(); ++i) {
            if (menu[i].id == id)
                at = i;
        }
        if (at < 0)
            return Refusal { MissingText };
        const qsizetype to = at + (direction < 0 ? -1 : 1);
        if (to < 0 || to >= menu.size())
            return Refusal { QString() }; // at the end already: nothing to do, nothing to say
        // The menu is numbered again in its new order, so that equal places left by an earlier
        // release or by hand are put right too.
        QList<ServiceItem> order = menu;
        order.swapItemsAt(at, to);
        for (qsizetype i = 0; i < order.size(); ++i) {
            if (order[i].position == i + 1)
                continue;
            const SqlResult updated = m_database.exec(QStringLiteral("UPDATE %1 SET %2=? WHERE %3=?")
                                                          .arg(column(Table), column(PositionColumn), column(IdColumn)),
                { static_cast<qint64>(i + 1), order[i].id });
            if (!updated.ok())
                return Failure { updated.error };
        }
        moved = true;
        return LogEntry { .kind = LogKind::Prices,
            .description = QStringLiteral("服务项目%1 %2 %3")
                               .arg(direction < 0 ? QStringLiteral("上移") : QStringLiteral("下移"))
                               .arg(id)
                               .arg(menu[at].name) };
    });
    if (!done && !(done.isRefusal() && done.text().isEmpty()))
        return done.setback<bool>();
    return moved;
}
