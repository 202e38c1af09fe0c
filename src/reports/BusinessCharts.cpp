#include "reports/BusinessCharts.h"

#include "app/TextFormat.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>

#include <algorithm>

namespace BusinessCharts {

using namespace BusinessFigures;

namespace {

const QColor BarColour(70, 120, 190);
const QColor LineColour(230, 120, 30);

// A chart with its title over a second line of figures.
QChart* newChart(Kind kind, const Period& period, const QString& figures)
{
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(QStringLiteral("<b>%1</b>&nbsp;&nbsp;%2<br><span style='font-size:small'>%3</span>")
                        .arg(title(kind), periodText(period), figures.toHtmlEscaped()));
    QFont titleFont = chart->titleFont();
    titleFont.setPixelSize(16);
    chart->setTitleFont(titleFont);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QValueAxis* amountAxis(const QString& caption)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(caption);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setMin(0);
    return axis;
}

// Fits the value axis to the largest value, with a round top.
void fitAxis(QValueAxis* axis, double largest)
{
    axis->setRange(0, largest > 0 ? largest * 1.08 : 1);
    axis->applyNiceNumbers();
}

QBarSet* barSet(const QString& name)
{
    auto* set = new QBarSet(name);
    set->setColor(BarColour);
    set->setBorderColor(BarColour.darker(115));
    return set;
}

// The days' labels, level and few enough to be read on a small screen: every day of a week or
// less, every few days of a month or less (at most ten labels), the Mondays of a quarter, the
// first of each month of a longer period.
QCategoryAxis* dayAxis(const QList<Day>& days)
{
    constexpr int MostDailyLabels = 10;
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setRange(-0.5, days.size() - 0.5);
    const int step = (int(days.size()) + MostDailyLabels - 1) / MostDailyLabels;
    for (int i = 0; i < days.size(); ++i) {
        const QDate date = days[i].date;
        if (days.size() <= 31) {
            if (i % step == 0)
                axis->append(date.toString(QStringLiteral("MM-dd")), i);
        } else if (days.size() <= 92 ? date.dayOfWeek() == Qt::Monday : date.day() == 1) {
            axis->append(date.toString(days.size() <= 92 ? QStringLiteral("MM-dd") : QStringLiteral("yyyy-MM")), i);
        }
    }
    axis->setLabelsAngle(0);
    axis->setGridLineVisible(false);
    return axis;
}

// Horizontal bars, the first of `labels` at the top.
QChart* rankingChart(QChart* chart, const QString& setName, const QStringList& labels, const QList<double>& values,
    const QString& axisCaption)
{
    QBarSet* set = barSet(setName);
    QStringList categories;
    for (qsizetype i = labels.size() - 1; i >= 0; --i) {
        *set << values[i];
        categories << labels[i];
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setBarWidth(0.7);
    chart->addSeries(series);
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    QValueAxis* axis = amountAxis(axisCaption);
    chart->addAxis(axis, Qt::AlignBottom);
    series->attachAxis(axis);
    fitAxis(axis, values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend()));
    chart->legend()->hide();
    return chart;
}

QString countText(qint64 count)
{
    return QString::number(count);
}

// The technicians by 点钟数, each with her 点钟率 beside it.
QChart* requestedTechnicians(const QList<Technician>& technicians, const Period& period)
{
    const Kind kind = Kind::TechniciansByRequested;
    qint64 clocks = 0;
    qint64 requested = 0;
    for (const Technician& technician : technicians) {
        clocks += technician.clocks;
        requested += technician.requestedClocks;
    }
    QChart* chart = newChart(kind, period,
        QStringLiteral("共%1名技师, 合计%2钟, 点钟%3钟, 点钟率%4")
            .arg(countText(technicians.size()), countText(clocks), countText(requested),
                ServiceFigures::RequestRateText(requested, clocks)));
    QStringList labels;
    QList<double> values;
    for (const Technician& technician : ranked(technicians, TechnicianMeasure::RequestedClocks, RankedCount)) {
        labels << QStringLiteral("%1 %2  %3钟 %4")
                      .arg(technician.number, technician.name, countText(technician.requestedClocks),
                          ServiceFigures::RequestRateText(technician.requestedClocks, technician.clocks));
        values << double(technician.requestedClocks);
    }
    return rankingChart(chart, title(kind), labels, values, QStringLiteral("点钟数"));
}

} // namespace

QString title(Kind kind)
{
    return titles().at(int(kind));
}

QStringList titles()
{
    return { QStringLiteral("每日营业额"), QStringLiteral("付款方式"), QStringLiteral("时段营业额"),
        QStringLiteral("技师钟数排行"), QStringLiteral("技师提成排行"), QStringLiteral("商品销量排行"),
        QStringLiteral("商品销售额排行"), QStringLiteral("技师点钟排行"), QStringLiteral("服务项目排行") };
}

QString periodText(const Period& period)
{
    return QStringLiteral("%1 至 %2").arg(period.first.toString(Qt::ISODate), period.last.toString(Qt::ISODate));
}

QChart* dailyTakings(const DailyTakings& figures, const Period& period)
{
    Money total;
    qint64 receipts = 0;
    double largest = 0;
    QBarSet* set = barSet(QStringLiteral("营业额"));
    for (const Day& day : figures.days) {
        *set << ChartValue(day.amount);
        total += day.amount;
        receipts += day.receipts;
        largest = std::max(largest, ChartValue(day.amount));
    }
    auto* average = new QLineSeries;
    average->setName(QStringLiteral("7日平均"));
    average->setPen(QPen(LineColour, 2.5));
    for (int i = 0; i < figures.sevenDayAverage.size(); ++i) {
        average->append(i, figures.sevenDayAverage[i]);
        largest = std::max(largest, figures.sevenDayAverage[i]);
    }

    const int days = std::max(1, int(figures.days.size()));
    QChart* chart = newChart(Kind::DailyTakings, period,
        QStringLiteral("合计 %1元, %2张单据, 日均 %3元")
            .arg(total.text(), countText(receipts), AverageAmount(total, days).text()));
    auto* bars = new QBarSeries;
    bars->append(set);
    bars->setBarWidth(figures.days.size() > 62 ? 1.0 : 0.8);
    chart->addSeries(bars);
    chart->addSeries(average);
    QCategoryAxis* dates = dayAxis(figures.days);
    chart->addAxis(dates, Qt::AlignBottom);
    QValueAxis* amounts = amountAxis(QStringLiteral("元"));
    chart->addAxis(amounts, Qt::AlignLeft);
    for (QAbstractSeries* series : { static_cast<QAbstractSeries*>(bars), static_cast<QAbstractSeries*>(average) }) {
        series->attachAxis(dates);
        series->attachAxis(amounts);
    }
    fitAxis(amounts, largest);
    return chart;
}

QChart* paymentMethods(const QList<Group>& methods, const Period& period)
{
    Money total;
    for (const Group& method : methods)
        total += method.amount;
    QChart* chart = newChart(Kind::PaymentMethods, period,
        methods.isEmpty() ? QStringLiteral("本时段没有单据") : QStringLiteral("合计 %1元").arg(total.text()));
    auto* pie = new QPieSeries;
    for (const Group& method : methods) {
        QPieSlice* slice = pie->append(method.label, ChartValue(method.amount));
        const double share = total > Money() ? ChartValue(method.amount) * 100 / ChartValue(total) : 0;
        slice->setLabel(QStringLiteral("%1 %2元 %3张 (%4%)")
                            .arg(method.label, method.amount.text(), countText(method.receipts))
                            .arg(share, 0, 'f', 1));
        slice->setLabelVisible(true);
    }
    pie->setPieSize(0.6);
    chart->addSeries(pie);
    chart->legend()->hide();
    return chart;
}

QChart* hoursOfDay(const QList<Group>& hours, const Period& period)
{
    Money total;
    double largest = 0;
    QBarSet* set = barSet(QStringLiteral("营业额"));
    QStringList labels;
    for (int hour = 0; hour < hours.size(); ++hour) {
        *set << ChartValue(hours[hour].amount);
        labels << QString::number(hour);
        total += hours[hour].amount;
        largest = std::max(largest, ChartValue(hours[hour].amount));
    }
    QChart* chart = newChart(Kind::HoursOfDay, period, QStringLiteral("合计 %1元").arg(total.text()));
    auto* bars = new QBarSeries;
    bars->append(set);
    chart->addSeries(bars);
    auto* clock = new QBarCategoryAxis;
    clock->append(labels);
    clock->setTitleText(QStringLiteral("时"));
    chart->addAxis(clock, Qt::AlignBottom);
    bars->attachAxis(clock);
    QValueAxis* amounts = amountAxis(QStringLiteral("元"));
    chart->addAxis(amounts, Qt::AlignLeft);
    bars->attachAxis(amounts);
    fitAxis(amounts, largest);
    chart->legend()->hide();
    return chart;
}

QChart* technicians(Kind kind, const QList<Technician>& technicians, const Period& period)
{
    if (kind == Kind::TechniciansByRequested)
        return requestedTechnicians(technicians, period);
    const bool byClocks = kind == Kind::TechniciansByClocks;
    qint64 clocks = 0;
    Money commission;
    for (const Technician& technician : technicians) {
        clocks += technician.clocks;
        commission += technician.commission;
    }
    QChart* chart = newChart(kind, period,
        QStringLiteral("共%1名技师, 合计%2钟, 提成%3元")
            .arg(countText(technicians.size()), countText(clocks), commission.text()));
    QStringList labels;
    QList<double> values;
    for (const Technician& technician :
        ranked(technicians, byClocks ? TechnicianMeasure::Clocks : TechnicianMeasure::Commission, RankedCount)) {
        const QString value
            = byClocks ? QStringLiteral("%1钟").arg(technician.clocks) : technician.commission.text() + u'元';
        labels << QStringLiteral("%1 %2  %3").arg(technician.number, technician.name, value);
        values << (byClocks ? double(technician.clocks) : ChartValue(technician.commission));
    }
    return rankingChart(chart, title(kind), labels, values, byClocks ? QStringLiteral("钟") : QStringLiteral("元"));
}

QChart* goods(Kind kind, const QList<Goods>& goods, const Period& period)
{
    const bool byQuantity = kind == Kind::GoodsByQuantity;
    qint64 quantity = 0;
    Money amount;
    for (const Goods& article : goods) {
        quantity += article.quantity;
        amount += article.amount;
    }
    QChart* chart = newChart(kind, period,
        QStringLiteral("共%1种商品, 数量%2, 金额%3元")
            .arg(countText(goods.size()), countText(quantity), amount.text()));
    QStringList labels;
    QList<double> values;
    for (const Goods& article :
        ranked(goods, byQuantity ? GoodsMeasure::Quantity : GoodsMeasure::Amount, RankedCount)) {
        const QString value = byQuantity ? QString::number(article.quantity) : article.amount.text() + u'元';
        labels << QStringLiteral("%1  %2").arg(article.name, value);
        values << (byQuantity ? double(article.quantity) : ChartValue(article.amount));
    }
    return rankingChart(chart, title(kind), labels, values, byQuantity ? QStringLiteral("数量") : QStringLiteral("元"));
}

QChart* items(const QList<ServiceFigures::Item>& items, const Period& period)
{
    const Kind kind = Kind::ItemsByAmount;
    qint64 units = 0;
    Money amount;
    Money commission;
    for (const ServiceFigures::Item& item : items) {
        units += item.units;
        amount += item.amount;
        commission += item.commission;
    }
    QChart* chart = newChart(kind, period,
        QStringLiteral("共%1个项目, 数量%2, 金额%3元, 提成%4元")
            .arg(countText(items.size()), countText(units), amount.text(), commission.text()));
    QStringList labels;
    QList<double> values;
    for (const ServiceFigures::Item& item : ranked(items, RankedCount)) {
        labels << QStringLiteral("%1 %2  %3元").arg(countText(item.number), item.name, item.amount.text());
        values << ChartValue(item.amount);
    }
    return rankingChart(chart, title(kind), labels, values, QStringLiteral("元"));
}

} // namespace BusinessCharts
