#pragma once

#include "reports/BusinessFigures.h"

#include <QString>
#include <QStringList>

class QChart;

// The pictures of the business figures, each a new chart for a chart view to own: bars of the
// takings per day with the seven-day average as a line, a pie of the payment methods, bars
// of the hours of the day, and the technicians and goods ranked, the first at the top.
namespace BusinessCharts {

enum class Kind {
    DailyTakings,
    PaymentMethods,
    HoursOfDay,
    TechniciansByClocks,
    TechniciansByCommission,
    GoodsByQuantity,
    GoodsByAmount,
    // Listed only in a house with a menu of items or with 点钟 (see ShowsServiceCharts):
    TechniciansByRequested,
    ItemsByAmount,
};
inline constexpr int KindCount = 9;
// The charts every house has, first in the list.
inline constexpr int FirstKindCount = 7;
// How many technicians and goods a ranking shows.
inline constexpr int RankedCount = 15;

// "每日营业额", "付款方式", …, as the charts window lists them (all of them).
QString title(Kind kind);
QStringList titles();

// "2026-11-08 至 2026-12-07".
QString periodText(const BusinessFigures::Period& period);

QChart* dailyTakings(const BusinessFigures::DailyTakings& figures, const BusinessFigures::Period& period);
QChart* paymentMethods(const QList<BusinessFigures::Group>& methods, const BusinessFigures::Period& period);
QChart* hoursOfDay(const QList<BusinessFigures::Group>& hours, const BusinessFigures::Period& period);
// By clocks, by commission or by 点钟数 (with each one's 点钟率), as `kind` says.
QChart* technicians(
    Kind kind, const QList<BusinessFigures::Technician>& technicians, const BusinessFigures::Period& period);
// By quantity or by amount, as `kind` says.
QChart* goods(Kind kind, const QList<BusinessFigures::Goods>& goods, const BusinessFigures::Period& period);
// The menu's items by amount.
QChart* items(const QList<ServiceFigures::Item>& items, const BusinessFigures::Period& period);

} // namespace BusinessCharts
