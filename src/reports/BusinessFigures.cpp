#include "reports/BusinessFigures.h"

#include "app/Database.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"
#include "desk/PaymentMethod.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace BusinessFigures {

namespace {

constexpr int AverageDays = 7;

// The days from `first` to `last`, whole.
TakingsLedger::Span wholeDays(const QDate& first, const QDate& last)
{
    return TakingsLedger::Span::between(QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59, 59)));
}

// The ledger rows of `table` over the days from `first` to `last`: whole days, read from the
// daily ledger alone.
TakingsLedger::Source daysOf(const TakingsLedger::Table& table, const QDate& first, const QDate& last)
{
    return TakingsLedger::Rows(table, wholeDays(first, last));
}

// An amount summed in fen, as the charts draw it.
Money amountOf(const QVariant& fen)
{
    return Money::fromFen(fen.toLongLong());
}

// Runs an aggregate statement and hands each row to `take`.
template <typename Row>
Outcome<QList<Row>> aggregate(Database& database, const QString& sql, const QVariantList& values,
    const std::function<Row(const QSqlQuery&)>& take)
{
    QList<Row> rows;
    const QString error = database.readRows(sql, values, [&rows, &take](const QSqlQuery& row) {
        rows.append(take(row));
        return true;
    });
    if (!error.isEmpty())
        return Failure { error };
    return rows;
}

// What a receipt's method is read as: its method when the receipt has one, else its paytype,
// a member card number standing for "会员卡" and anything else for "普通".
QString methodLabel()
{
    return QStringLiteral("CASE WHEN method<>'' THEN method WHEN member=0 THEN '普通' ELSE '%1' END")
        .arg(MemberCardLabel);
}

} // namespace

QList<double> TrailingAverage(const QList<double>& values, int window, int leading)
{
    QList<double> averages;
    double sum = 0;
    for (int i = 0; i < values.size(); ++i) {
        sum += values[i];
        if (i >= window)
            sum -= values[i - window];
        if (i >= leading)
            averages.append(sum / std::min(i + 1, window));
    }
    return averages;
}

namespace {

// The first `count` of `rows`, the largest `value` first; equal ones in the order of `key`.
template <typename Row, typename Value, typename Key>
QList<Row> firstBy(QList<Row> rows, int count, Value value, Key key)
{
    std::sort(rows.begin(), rows.end(), [&value, &key](const Row& a, const Row& b) {
        return value(a) != value(b) ? value(a) > value(b) : key(a) < key(b);
    });
    return rows.mid(0, count);
}

} // namespace

QList<Technician> ranked(QList<Technician> technicians, TechnicianMeasure measure, int count)
{
    return firstBy(
        std::move(technicians), count,
        [measure](const Technician& technician) {
            switch (measure) {
            case TechnicianMeasure::Clocks:
                return double(technician.clocks);
            case TechnicianMeasure::RequestedClocks:
                return double(technician.requestedClocks);
            case TechnicianMeasure::Commission:
                break;
            }
            return ChartValue(technician.commission);
        },
        [](const Technician& technician) { return technician.number; });
}

QList<Goods> ranked(QList<Goods> goods, GoodsMeasure measure, int count)
{
    return firstBy(
        std::move(goods), count,
        [measure](const Goods& article) {
            return measure == GoodsMeasure::Quantity ? double(article.quantity) : ChartValue(article.amount);
        },
        [](const Goods& article) { return article.name; });
}

QList<ServiceFigures::Item> ranked(QList<ServiceFigures::Item> items, int count)
{
    return firstBy(
        std::move(items), count, [](const ServiceFigures::Item& item) { return ChartValue(item.amount); },
        [](const ServiceFigures::Item& item) { return item.number; });
}

Outcome<DailyTakings> dailyTakings(Database& database, const Period& period)
{
    const QDate from = period.first.addDays(-(AverageDays - 1));
    const TakingsLedger::Source days = daysOf(TakingsLedger::Receipts(database.dialect()), from, period.last);
    const Outcome<QList<Day>> found = aggregate<Day>(database,
        QStringLiteral("SELECT day, sum(amount_fen), sum(receipts) FROM (%1) AS ledger_rows GROUP BY day")
            .arg(days.sql),
        days.values, [](const QSqlQuery& row) {
            return Day { QDate::fromString(row.value(0).toString(), Qt::ISODate), amountOf(row.value(1)),
                row.value(2).toLongLong() };
        });
    if (!found)
        return found.setback<DailyTakings>();
    QHash<QDate, Day> byDate;
    for (const Day& day : found.value())
        byDate.insert(day.date, day);

    DailyTakings daily;
    QList<double> amounts;
    for (QDate date = from; date <= period.last; date = date.addDays(1)) {
        const Day day = byDate.value(date, Day { date, Money(), 0 });
        amounts.append(ChartValue(day.amount));
        if (date >= period.first)
            daily.days.append(day);
    }
    daily.sevenDayAverage = TrailingAverage(amounts, AverageDays, AverageDays - 1);
    return daily;
}

Outcome<QList<Group>> paymentMethods(Database& database, const Period& period)
{
    const TakingsLedger::Source days = daysOf(TakingsLedger::Receipts(database.dialect()), period.first, period.last);
    Outcome<QList<Group>> methods = aggregate<Group>(database,
        QStringLiteral("SELECT %1 AS label, sum(amount_fen), sum(receipts) FROM (%2) AS ledger_rows GROUP BY label")
            .arg(methodLabel(), days.sql),
        days.values, [](const QSqlQuery& row) {
            return Group { row.value(0).toString(), amountOf(row.value(1)), row.value(2).toLongLong() };
        });
    if (!methods)
        return methods;
    // A split bill counts each of its parts under the part's method, as the totals do.
    const TakingsLedger::Source parts = daysOf(TakingsLedger::Payments(database.dialect()), period.first, period.last);
    const Outcome<QList<Group>> split = aggregate<Group>(database,
        QStringLiteral("SELECT method, sum(amount_fen), sum(parts) FROM (%1) AS ledger_rows WHERE receipt_method=? "
                       "GROUP BY method")
            .arg(parts.sql),
        parts.values + QVariantList { SplitPaymentName() }, [](const QSqlQuery& row) {
            return Group { row.value(0).toString(), amountOf(row.value(1)), row.value(2).toLongLong() };
        });
    if (!split)
        return split;
    QList<Group> sorted;
    for (const Group& group : methods.value()) {
        if (group.label != SplitPaymentName())
            sorted.append(group);
    }
    for (const Group& part : split.value()) {
        const auto same = std::find_if(
            sorted.begin(), sorted.end(), [&part](const Group& group) { return group.label == part.label; });
        if (same == sorted.end()) {
            sorted.append(part);
        } else {
            same->amount += part.amount;
            same->receipts += part.receipts;
        }
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Group& a, const Group& b) { return a.amount > b.amount; });
    return sorted;
}

Outcome<QList<Group>> hoursOfDay(Database& database, const Period& period)
{
    const TakingsLedger::Source days = daysOf(TakingsLedger::Receipts(database.dialect()), period.first, period.last);
    const Outcome<QList<Group>> found = aggregate<Group>(database,
        QStringLiteral("SELECT hour, sum(amount_fen), sum(receipts) FROM (%1) AS ledger_rows GROUP BY hour")
            .arg(days.sql),
        days.values, [](const QSqlQuery& row) {
            return Group { row.value(0).toString(), amountOf(row.value(1)), row.value(2).toLongLong() };
        });
    if (!found)
        return found;
    QList<Group> hours;
    for (int hour = 0; hour < 24; ++hour)
        hours.append({ QStringLiteral("%1时").arg(hour), Money(), 0 });
    for (const Group& group : found.value()) {
        bool ok = false;
        const int hour = group.label.toInt(&ok);
        if (ok && hour >= 0 && hour < 24) {
            hours[hour].amount = group.amount;
            hours[hour].receipts = group.receipts;
        }
    }
    return hours;
}

Outcome<QList<Technician>> technicians(Database& database, const Period& period)
{
    const TakingsLedger::Source days
        = daysOf(TakingsLedger::Technicians(database.dialect()), period.first, period.last);
    const Outcome<QList<Technician>> served = aggregate<Technician>(database,
        QStringLiteral(
            "SELECT num, max(name), sum(massage) + sum(footwash), sum(commission_fen) FROM (%1) AS ledger_rows "
            "GROUP BY num ORDER BY num")
            .arg(days.sql),
        days.values, [](const QSqlQuery& row) {
            return Technician { row.value(0).toString(), row.value(1).toString(), row.value(2).toLongLong(),
                amountOf(row.value(3)) };
        });
    if (!served)
        return served;
    // The items sold by the clock count among her clocks, and the 点钟 of both among her 点钟数.
    const Outcome<QHash<QString, ServiceFigures::Clocks>> more = ServiceFigures::itemClocksAndRequests(database,
        TakingsLedger::Span::between(QDateTime(period.first, QTime(0, 0)), QDateTime(period.last, QTime(23, 59, 59))));
    if (!more)
        return more.setback<QList<Technician>>();
    QList<Technician> technicians = served.value();
    QHash<QString, ServiceFigures::Clocks> left = more.value();
    for (Technician& technician : technicians) {
        const ServiceFigures::Clocks clocks = left.take(technician.number);
        technician.clocks += clocks.clocks;
        technician.requestedClocks = clocks.requested;
    }
    // A technician who served only items by the clock.
    bool added = false;
    for (auto it = left.cbegin(); it != left.cend(); ++it) {
        if (it.value().clocks != 0 || it.value().requested != 0) {
            technicians.append({ it.key(), {}, it.value().clocks, {}, it.value().requested });
            added = true;
        }
    }
    if (added)
        std::sort(technicians.begin(), technicians.end(),
            [](const Technician& a, const Technician& b) { return a.number < b.number; });
    return technicians;
}

Outcome<QList<Goods>> goods(Database& database, const Period& period)
{
    // A year of two hundred goods is seventy thousand rows of days, but two thousand of months.
    const TakingsLedger::Source days = TakingsLedger::RowsByMonth(TakingsLedger::GoodsMonths(database.dialect()),
        TakingsLedger::Goods(database.dialect()), wholeDays(period.first, period.last));
    return aggregate<Goods>(database,
        QStringLiteral(
            "SELECT name, sum(quantity), sum(amount_fen) FROM (%1) AS ledger_rows GROUP BY name ORDER BY name")
            .arg(days.sql),
        days.values, [](const QSqlQuery& row) {
            return Goods { row.value(0).toString(), row.value(1).toLongLong(), amountOf(row.value(2)) };
        });
}

Outcome<QList<ServiceFigures::Item>> items(Database& database, const Period& period)
{
    return ServiceFigures::items(database, wholeDays(period.first, period.last));
}

} // namespace BusinessFigures
