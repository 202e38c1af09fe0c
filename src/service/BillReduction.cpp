#include "service/BillReduction.h"

#include "app/Database.h"
#include "app/Money.h"
#include "app/TextFormat.h"
#include "service/Bill.h"

#include <QMap>
#include <QRegularExpression>

namespace {

// The quantity of each article of a bill, by name, in the order first met.
QList<std::pair<QString, int>> goodsCounts(const OpenBill& bill)
{
    QList<std::pair<QString, int>> counts;
    for (const GoodsLine& line : bill.goods) {
        const auto found
            = std::find_if(counts.begin(), counts.end(), [&](const auto& count) { return count.first == line.name; });
        if (found == counts.end())
            counts.append({ line.name, line.quantity });
        else
            found->second += line.quantity;
    }
    return counts;
}

QString unitOf(const OpenBill& bill, const QString& name)
{
    for (const GoodsLine& line : bill.goods) {
        if (line.name == name)
            return line.unit;
    }
    return {};
}

const QRegularExpression& beforeTotalPattern()
{
    static const QRegularExpression pattern(QStringLiteral("原单(\\d+(?:\\.\\d+)?)元"));
    return pattern;
}

} // namespace

std::optional<LogEntry> BillReductionEntry(const QString& room, const OpenBill& before, const OpenBill& after,
    const std::optional<ServiceSettings>& prices, const Authoriser& approver, const ItemTerms& terms)
{
    QStringList removed;
    const struct
    {
        int before;
        int after;
        const char* what;
        const char* unit;
    } counts[] = {
        { before.massageClocks, after.massageClocks, "按摩", "钟" },
        { before.footWashClocks, after.footWashClocks, "洗脚", "钟" },
        { before.pedicureCount, after.pedicureCount, "修脚", "人次" },
    };
    for (const auto& count : counts) {
        if (count.after < count.before)
            removed << QStringLiteral("%1%2→%3%4")
                           .arg(QString::fromUtf8(count.what))
                           .arg(count.before)
                           .arg(count.after)
                           .arg(QString::fromUtf8(count.unit));
    }
    const QList<std::pair<QString, int>> afterGoods = goodsCounts(after);
    for (const auto& [name, quantity] : goodsCounts(before)) {
        const auto found = std::find_if(
            afterGoods.begin(), afterGoods.end(), [&](const auto& count) { return count.first == name; });
        const int left = found == afterGoods.end() ? 0 : found->second;
        if (left < quantity)
            removed << QStringLiteral("%1减%2%3").arg(name).arg(quantity - left).arg(unitOf(before, name));
    }
    QList<ItemLine> itemsLeft = after.items;
    for (const ItemLine& line : before.items) {
        if (const qsizetype kept = itemsLeft.indexOf(line); kept >= 0)
            itemsLeft.removeAt(kept);
        else
            removed << QStringLiteral("删除项目%1×%2").arg(line.name).arg(line.count);
    }
    for (const TechnicianLine& line : before.technicians) {
        const bool kept = std::any_of(after.technicians.begin(), after.technicians.end(),
            [&](const TechnicianLine& other) { return other.number == line.number; });
        if (!kept)
            removed << QStringLiteral("删除技师%1").arg(line.number);
    }

    QString amount;
    QString totals;
    if (prices && prices->complete) {
        const Bill was = Bill::price(&before, *prices, Decimal::whole(1), terms);
        const Bill is = Bill::price(&after, *prices, Decimal::whole(1), terms);
        const Money lowered = was.totalAmount - is.totalAmount;
        if (lowered > Money() && removed.isEmpty())
            removed << QStringLiteral("单据金额降低");
        amount = std::max(lowered, Money()).text();
        totals = QStringLiteral(";原单%1元,现单%2元").arg(was.total, is.total);
    }
    if (removed.isEmpty())
        return std::nullopt;
    return LogEntry { .kind = LogKind::Reduction,
        .description = QStringLiteral("%1号房减单:%2").arg(room, removed.join(u',')) + totals,
        .amount = amount,
        .room = room,
        .authoriser = approver };
}

QString HighestReducedTotal(Database& database, const QString& room, const QDateTime& since, QString* error)
{
    std::optional<Money> highest;
    const QString failed
        = database.readRows(QStringLiteral("SELECT description FROM operator_log WHERE kind=? AND room=? AND time>=?"),
            { LogKind::Reduction, room, DateTimeText(since) }, [&](const QSqlQuery& row) {
                const QRegularExpressionMatch match = beforeTotalPattern().match(row.value(0).toString());
                if (match.hasMatch())
                    highest = std::max(highest.value_or(Money()), Money::fromText(match.captured(1)));
                return true;
            });
    if (!failed.isEmpty()) {
        *error = failed;
        return {};
    }
    return highest ? highest->text() : QString();
}
