#pragma once

#include "app/Money.h"
#include "app/Outcome.h"
#include "reports/ServiceFigures.h"

#include <QDate>
#include <QList>
#include <QString>

class Database;

// The figures the business charts draw, over a period of whole days (both included). Each
// comes from one aggregate statement over the daily ledger of the takings (TakingsLedger.h),
// a few rows per day, so a year of a busy house is read in milliseconds; amounts and counts
// are the texts of the rows read by the leading-number rule, amounts added in fen, as the
// query totals read them.
namespace BusinessFigures {

struct Period
{
    QDate first;
    QDate last;

    int days() const { return int(first.daysTo(last)) + 1; }

    friend bool operator==(const Period&, const Period&) = default;
};

// Where a chart draws an amount: its height in yuan. Only what is drawn is a double; every
// figure printed beside it is the Money itself.
inline double ChartValue(Money amount)
{
    return static_cast<double>(amount.fen()) / 100.0;
}

// `total` shared over `count` (at least 1), rounded half away from zero to the fen.
inline Money AverageAmount(Money total, qint64 count)
{
    const qint64 magnitude = total.isNegative() ? -total.fen() : total.fen();
    qint64 fen = magnitude / count;
    if ((magnitude % count) * 2 >= count)
        ++fen;
    return Money::fromFen(total.isNegative() ? -fen : fen);
}

// The takings of one day: the sum of the receipts' totals and how many receipts.
struct Day
{
    QDate date;
    Money amount;
    qint64 receipts = 0;

    friend bool operator==(const Day&, const Day&) = default;
};

// Every day of the period, a day without receipts at 0, and beside each the average of the
// seven days ending with it (the six days before the period count for its first days).
struct DailyTakings
{
    QList<Day> days;
    QList<double> sevenDayAverage;
};

// Takings of one group: a payment method or an hour of the day.
struct Group
{
    QString label;
    Money amount;
    qint64 receipts = 0;

    friend bool operator==(const Group&, const Group&) = default;
};

struct Technician
{
    QString number;
    QString name;
    qint64 clocks = 0; // massage and foot-wash clocks, and the units of the items sold by the clock
    Money commission;
    qint64 requestedClocks = 0; // 点钟数: the clocks the guest asked for her

    friend bool operator==(const Technician&, const Technician&) = default;
};

struct Goods
{
    QString name;
    qint64 quantity = 0;
    Money amount;

    friend bool operator==(const Goods&, const Goods&) = default;
};

// The column of Receiptform that holds how the guest paid (现金, 微信, 支付宝, 银行卡, 会员卡). A
// house whose receipts predate it, and a receipt that leaves it empty, are grouped by paytype:
// "普通" as it stands and a member card number as "会员卡".
inline const QString PaymentMethodColumn = QStringLiteral("paymethod");
inline const QString MemberCardLabel = QStringLiteral("会员卡");

Outcome<DailyTakings> dailyTakings(Database& database, const Period& period);
// The methods, the largest takings first.
Outcome<QList<Group>> paymentMethods(Database& database, const Period& period);
// The 24 hours of the day, "0时" to "23时", an hour without receipts at 0.
Outcome<QList<Group>> hoursOfDay(Database& database, const Period& period);
// Every technician with services in the period, by number.
Outcome<QList<Technician>> technicians(Database& database, const Period& period);
// Every article sold in the period, by name.
Outcome<QList<Goods>> goods(Database& database, const Period& period);
// Every item of the menu sold in the period, by number.
Outcome<QList<ServiceFigures::Item>> items(Database& database, const Period& period);

enum class TechnicianMeasure { Clocks, Commission, RequestedClocks };
enum class GoodsMeasure { Quantity, Amount };
// The first `count` by the measure, the largest first; equal ones by number or name.
QList<Technician> ranked(QList<Technician> technicians, TechnicianMeasure measure, int count);
QList<Goods> ranked(QList<Goods> goods, GoodsMeasure measure, int count);
// The items by amount, the largest first; equal ones by number.
QList<ServiceFigures::Item> ranked(QList<ServiceFigures::Item> items, int count);

// The average of each value and the `window - 1` values before it; `values` starts with
// `leading` values that come before the first one averaged (fewer than the window at the very
// start count as they are: the average is over the values there are).
QList<double> TrailingAverage(const QList<double>& values, int window, int leading);

} // namespace BusinessFigures
