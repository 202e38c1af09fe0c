#include "app/TextFormat.h"
#include "reports/BusinessCharts.h"
#include "reports/BusinessChartsWindow.h"
#include "reports/BusinessFigures.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsTextItem>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace BusinessFigures;

namespace {

const QDateTime Evening(QDate(2026, 12, 7), QTime(21, 30));
const Period Week { QDate(2026, 12, 1), QDate(2026, 12, 7) };

struct Receipt
{
    QString time;
    QString total;
    QString payType = u"普通"_s;
};

// Receipts of the week, two of the days before it (they count only in the seven-day average),
// one just after it, a total that is no number and one with a unit after the number.
const QList<Receipt> Receipts {
    { u"2026-11-28 10:00:00"_s, u"70.00"_s },
    { u"2026-11-30 23:59:59"_s, u"30.00"_s },
    { u"2026-12-01 00:00:00"_s, u"100.00"_s },
    { u"2026-12-01 14:20:00"_s, u"50.50"_s, u"VIP0001"_s },
    { u"2026-12-03 09:05:00"_s, u"abc"_s },
    { u"2026-12-03 21:10:00"_s, u"12.5元"_s, u"VIP0002"_s },
    { u"2026-12-07 14:45:00"_s, u"200.00"_s, u""_s },
    { u"2026-12-08 00:00:00"_s, u"999.00"_s },
};

void SettleReceipts(TestEnvironment& env)
{
    qint64 id = 0;
    for (const Receipt& receipt : Receipts)
        env.sql(
            u"INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
            "dazheperson, alljine, paytype, cashier, time) VALUES (?, '101', '', '1', '', '', '', '1.00', '0', ?, ?, "
            "'c1', ?)"_s,
            { ++id, receipt.total, receipt.payType, receipt.time });
}

// Technician rows: 07 with 3 + 1 clocks and 45.00, 09 with 5 clocks and 30.00, 11 outside the week.
void AddServices(TestEnvironment& env)
{
    const struct
    {
        QString number, name, massage, footWash, commission, time;
    } rows[] = {
        { u"07"_s, u"小王"_s, u"2"_s, u"1"_s, u"30.00"_s, u"2026-12-02 10:00:00"_s },
        { u"07"_s, u"小王"_s, u"1"_s, u""_s, u"15.00"_s, u"2026-12-05 10:00:00"_s },
        { u"09"_s, u"小李"_s, u"5"_s, u"x"_s, u"30.00"_s, u"2026-12-06 10:00:00"_s },
        { u"11"_s, u"小张"_s, u"9"_s, u""_s, u"90.00"_s, u"2026-11-20 10:00:00"_s },
    };
    qint64 id = 0;
    for (const auto& row : rows)
        env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, 'c1')"_s,
            { ++id, row.number, row.name, row.massage, row.footWash, row.commission, row.time });
}

// Goods rows: 啤酒 3 + 2 for 27.50, 可乐 6 for 18.00, 香烟 outside the week.
void AddGoods(TestEnvironment& env)
{
    const struct
    {
        QString name, counter, amount, time;
    } rows[] = {
        { u"啤酒"_s, u"3"_s, u"16.50"_s, u"2026-12-02 10:00:00"_s },
        { u"啤酒"_s, u"2"_s, u"11.00"_s, u"2026-12-04 10:00:00"_s },
        { u"可乐"_s, u"6"_s, u"18.00"_s, u"2026-12-07 10:00:00"_s },
        { u"香烟"_s, u"9"_s, u"90.00"_s, u"2026-11-01 10:00:00"_s },
    };
    qint64 id = 0;
    for (const auto& row : rows)
        env.sql(u"INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
                "VALUES (?, ?, '瓶', '', ?, ?, ?, 'c1')"_s,
            { ++id, row.name, row.counter, row.amount, row.time });
}

QList<qreal> BarValues(QBarSet* set)
{
    QList<qreal> values;
    for (int i = 0; i < set->count(); ++i)
        values << set->at(i);
    return values;
}

template <typename Series> Series* OnlySeries(QChart* chart)
{
    for (QAbstractSeries* series : chart->series()) {
        if (auto* typed = qobject_cast<Series*>(series))
            return typed;
    }
    return nullptr;
}

QStringList CategoryLabels(QChart* chart, Qt::Alignment alignment)
{
    const QList<QAbstractAxis*> axes = chart->axes(alignment == Qt::AlignLeft ? Qt::Vertical : Qt::Horizontal);
    for (QAbstractAxis* axis : axes) {
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
            return categories->categories();
    }
    return {};
}

} // namespace

// "营业图表": the figures of each chart from one aggregate statement over the period, and the
// chart drawing exactly those figures.
class ChartsTest : public QObject
{
    Q_OBJECT

private slots:
    void trailingAverages_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("leading");
        QTest::addColumn<QList<double>>("averages");
        QTest::newRow("with leading values")
            << QList<double> { 7, 0, 0, 0, 0, 0, 0, 14 } << 7 << 6 << QList<double> { 1, 2 };
        QTest::newRow("fewer than the window") << QList<double> { 2, 4, 6 } << 7 << 0 << QList<double> { 2, 3, 4 };
        QTest::newRow("sliding") << QList<double> { 1, 2, 3, 4 } << 2 << 1 << QList<double> { 1.5, 2.5, 3.5 };
        QTest::newRow("nothing") << QList<double> {} << 7 << 6 << QList<double> {};
    }

    void trailingAverages()
    {
        QFETCH(QList<double>, values);
        QFETCH(int, window);
        QFETCH(int, leading);
        QFETCH(QList<double>, averages);
        QCOMPARE(TrailingAverage(values, window, leading), averages);
    }

    // Every day of the period with its takings (a text that is no number counts 0, the
    // boundaries of the days included), the seven-day average, and the bars and line of the
    // chart holding exactly those numbers; the days add up to the receipts query's total.
    void dailyTakingsAreTheReceiptsOfEachDay()
    {
        TestEnvironment env;
        SettleReceipts(env);
        const DailyTakings daily = dailyTakings(env.database, Week).value();
        QCOMPARE(daily.days.size(), 7);
        const QList<double> amounts { 150.5, 0, 12.5, 0, 0, 0, 200 };
        const QList<qint64> counts { 2, 0, 2, 0, 0, 0, 1 };
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(daily.days[i].date, Week.first.addDays(i));
            QCOMPARE(ChartValue(daily.days[i].amount), amounts[i]);
            QCOMPARE(daily.days[i].receipts, counts[i]);
        }
        // 12-01: 11-25 … 12-01 hold 70 + 30 + 150.5; 12-07: 12-01 … 12-07 hold 363.
        QCOMPARE(daily.sevenDayAverage.size(), 7);
        QCOMPARE(daily.sevenDayAverage.first(), 250.5 / 7);
        QCOMPARE(daily.sevenDayAverage.last(), 363.0 / 7);

        const QueryTotals totals = ReadQueryTotals(env.database, RecordKind::Receipts,
            QueryCondition::period(QDateTime(Week.first, QTime(0, 0)), QDateTime(Week.last, QTime(23, 59, 59))))
                                       .value();
        Money sum;
        for (const Day& day : daily.days)
            sum += day.amount;
        QCOMPARE(sum, totals.amount);

        std::unique_ptr<QChart> chart(BusinessCharts::dailyTakings(daily, Week));
        QBarSeries* bars = OnlySeries<QBarSeries>(chart.get());
        QVERIFY(bars);
        QCOMPARE(BarValues(bars->barSets().first()), amounts);
        QLineSeries* line = OnlySeries<QLineSeries>(chart.get());
        QVERIFY(line);
        QCOMPARE(line->count(), 7);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(line->at(i), QPointF(i, daily.sevenDayAverage[i]));
        QVERIFY(chart->title().contains(u"合计 363.00元, 5张单据"_s));
    }

    // A receipt that names no method (one kept before methods were recorded) is grouped by its
    // paytype: "普通" (an empty one too) and every member card as "会员卡"; a receipt that names
    // its method is counted under it.
    void paymentMethodsGroupTheReceipts()
    {
        TestEnvironment env;
        SettleReceipts(env);
        QList<Group> methods = paymentMethods(env.database, Week).value();
        QCOMPARE(methods, (QList<Group> { { u"普通"_s, Money::fromFen(30000), 3 }, { MemberCardLabel, Money::fromFen(6300), 2 } }));

        std::unique_ptr<QChart> chart(BusinessCharts::paymentMethods(methods, Week));
        QPieSeries* pie = OnlySeries<QPieSeries>(chart.get());
        QVERIFY(pie);
        QCOMPARE(pie->count(), 2);
        QCOMPARE(pie->slices().at(0)->value(), 300.0);
        QCOMPARE(pie->slices().at(1)->value(), 63.0);
        QVERIFY(pie->slices().at(1)->label().startsWith(u"会员卡 63.00元 2张"_s));

        env.sql(u"UPDATE Receiptform SET %1='微信' WHERE alljine='200.00' OR alljine='abc'"_s.arg(PaymentMethodColumn));
        env.sql(u"UPDATE Receiptform SET %1='会员卡' WHERE paytype='VIP0001'"_s.arg(PaymentMethodColumn));
        methods = paymentMethods(env.database, Week).value();
        QCOMPARE(
            methods, (QList<Group> { { u"微信"_s, Money::fromFen(20000), 2 }, { u"普通"_s, Money::fromFen(10000), 1 }, { MemberCardLabel, Money::fromFen(6300), 2 } }));
    }

    void hoursOfDayCoverTheWholeDay()
    {
        TestEnvironment env;
        SettleReceipts(env);
        const QList<Group> hours = hoursOfDay(env.database, Week).value();
        QCOMPARE(hours.size(), 24);
        QCOMPARE(hours[0], (Group { u"0时"_s, Money::fromFen(10000), 1 }));
        QCOMPARE(hours[9], (Group { u"9时"_s, Money::fromFen(0), 1 }));
        QCOMPARE(hours[14], (Group { u"14时"_s, Money::fromFen(25050), 2 }));
        QCOMPARE(hours[21], (Group { u"21时"_s, Money::fromFen(1250), 1 }));
        QCOMPARE(hours[23], (Group { u"23时"_s, Money::fromFen(0), 0 }));

        std::unique_ptr<QChart> chart(BusinessCharts::hoursOfDay(hours, Week));
        QList<qreal> expected;
        for (const Group& hour : hours)
            expected << ChartValue(hour.amount);
        QCOMPARE(BarValues(OnlySeries<QBarSeries>(chart.get())->barSets().first()), expected);
    }

    // Clocks are the massage and foot-wash clocks together; the ranking shows the first at the
    // top (the bar series lists it last).
    void techniciansAreRanked()
    {
        TestEnvironment env;
        AddServices(env);
        const QList<Technician> found = technicians(env.database, Week).value();
        QCOMPARE(found, (QList<Technician> { { u"07"_s, u"小王"_s, 4, Money::fromFen(4500) }, { u"09"_s, u"小李"_s, 5, Money::fromFen(3000) } }));

        std::unique_ptr<QChart> byClocks(
            BusinessCharts::technicians(BusinessCharts::Kind::TechniciansByClocks, found, Week));
        QCOMPARE(
            BarValues(OnlySeries<QHorizontalBarSeries>(byClocks.get())->barSets().first()), (QList<qreal> { 4, 5 }));
        QCOMPARE(CategoryLabels(byClocks.get(), Qt::AlignLeft), (QStringList { u"07 小王  4钟"_s, u"09 小李  5钟"_s }));

        std::unique_ptr<QChart> byCommission(
            BusinessCharts::technicians(BusinessCharts::Kind::TechniciansByCommission, found, Week));
        QCOMPARE(BarValues(OnlySeries<QHorizontalBarSeries>(byCommission.get())->barSets().first()),
            (QList<qreal> { 30, 45 }));
        QVERIFY(byCommission->title().contains(u"共2名技师, 合计9钟, 提成75.00元"_s));
    }

    void goodsAreRanked()
    {
        TestEnvironment env;
        AddGoods(env);
        const QList<Goods> found = goods(env.database, Week).value();
        QCOMPARE(found, (QList<Goods> { { u"可乐"_s, 6, Money::fromFen(1800) }, { u"啤酒"_s, 5, Money::fromFen(2750) } }));
        QCOMPARE(ranked(found, GoodsMeasure::Amount, 1), (QList<Goods> { { u"啤酒"_s, 5, Money::fromFen(2750) } }));

        std::unique_ptr<QChart> byAmount(BusinessCharts::goods(BusinessCharts::Kind::GoodsByAmount, found, Week));
        QCOMPARE(BarValues(OnlySeries<QHorizontalBarSeries>(byAmount.get())->barSets().first()),
            (QList<qreal> { 18.0, 27.5 }));
        std::unique_ptr<QChart> byQuantity(BusinessCharts::goods(BusinessCharts::Kind::GoodsByQuantity, found, Week));
        QCOMPARE(
            BarValues(OnlySeries<QHorizontalBarSeries>(byQuantity.get())->barSets().first()), (QList<qreal> { 5, 6 }));
    }

    // --- the window -------------------------------------------------------------------------------

    // The window opens on the last 30 days, draws every chart chosen from the list, and a
    // period given in the date boxes; a period that ends before it starts is refused.
    void theWindowDrawsEachChart()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        SettleReceipts(env);
        AddServices(env);
        AddGoods(env);
        BusinessChartsWindow window(env.services);
        window.resize(1366, 768);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.period().first, QDate(2026, 11, 8));
        QCOMPARE(window.period().last, QDate(2026, 12, 7));

        Child<QDateEdit>(&window, u"firstDateEdit"_s)->setDate(Week.first);
        Child<QDateEdit>(&window, u"lastDateEdit"_s)->setDate(Week.last);
        QCOMPARE(Child<QComboBox>(&window, u"presetBox"_s)->currentText(), u"自定义"_s);
        Click(&window, u"showButton"_s);
        QBarSeries* bars = OnlySeries<QBarSeries>(window.chart());
        QVERIFY(bars);
        QCOMPARE(bars->barSets().first()->count(), 7);
        window.grab().save(TestOutputPath(u"charts-daily-1366x768.png"_s));

        auto* list = Child<QListWidget>(&window, u"chartList"_s);
        const QStringList names = { u"daily"_s, u"methods"_s, u"hours"_s, u"technicians-clocks"_s,
            u"technicians-commission"_s, u"goods-quantity"_s, u"goods-amount"_s };
        for (int row = 0; row < list->count(); ++row) {
            ClickLine(list, row);
            QCOMPARE(int(window.kind()), row);
            QVERIFY(window.chart()->title().contains(BusinessCharts::title(window.kind())));
            window.picture({ 1366, 768 }).save(TestOutputPath(u"chart-%1.png"_s.arg(names[row])));
        }
        window.resize(1024, 768);
        window.grab().save(TestOutputPath(u"charts-goods-1024x768.png"_s));
        QVERIFY(env.messages.shown().isEmpty());

        Child<QDateEdit>(&window, u"firstDateEdit"_s)->setDate(QDate(2026, 12, 8));
        Click(&window, u"showButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"开始日期不能晚于结束日期!"_s });
    }

    // A year: a bar a day, the first of each month named under them.
    void aYearIsLabelledByMonths()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        env.sql(u"BEGIN"_s);
        for (int day = 0; day < 400; ++day)
            env.sql(u"INSERT INTO Receiptform (id, housnum, alljine, paytype, cashier, time) "
                    "VALUES (?, '101', ?, '普通', 'c1', ?)"_s,
                { day + 1, Money::fromYuan(1000 + 500 * (day % 7 == 5) + day).text(), DateTimeText(Evening.addDays(-day)) });
        env.sql(u"COMMIT"_s);
        BusinessChartsWindow window(env.services);
        window.resize(1366, 768);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Choose(Child<QComboBox>(&window, u"presetBox"_s), u"最近一年"_s);
        QCOMPARE(OnlySeries<QBarSeries>(window.chart())->barSets().first()->count(), 365);
        auto* dates = qobject_cast<QCategoryAxis*>(window.chart()->axes(Qt::Horizontal).first());
        QVERIFY(dates);
        QCOMPARE(dates->categoriesLabels().first(), u"2026-01"_s);
        QCOMPARE(dates->categoriesLabels().size(), 12);
        window.grab().save(TestOutputPath(u"charts-year-1366x768.png"_s));
    }

    // The dates under the daily chart can be read on the screen at 1366 and 1024 wide: no label
    // the chart draws is cut short, for a week, the default 30 days and a quarter.
    void theDailyDatesCanBeReadOnScreen_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("width");
        for (const int width : { 1366, 1024 }) {
            for (const QString& preset : { u"一周"_s, u"最近30天"_s, u"最近90天"_s })
                QTest::addRow("%s %d", qPrintable(preset), width) << preset << width;
        }
    }

    void theDailyDatesCanBeReadOnScreen()
    {
        QFETCH(QString, preset);
        QFETCH(int, width);
        TestEnvironment env;
        env.clock.set(Evening);
        SettleReceipts(env);
        BusinessChartsWindow window(env.services);
        window.resize(width, 768);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (preset == u"一周"_s) {
            Child<QDateEdit>(&window, u"firstDateEdit"_s)->setDate(Week.first);
            Child<QDateEdit>(&window, u"lastDateEdit"_s)->setDate(Week.last);
            Click(&window, u"showButton"_s);
        } else if (preset == u"最近90天"_s) {
            Child<QDateEdit>(&window, u"firstDateEdit"_s)->setDate(Evening.date().addDays(-89));
            Click(&window, u"showButton"_s);
        }
        QApplication::processEvents();
        auto* view = Child<QChartView>(&window, u"chartView"_s);
        view->viewport()->repaint();
        auto* dates = qobject_cast<QCategoryAxis*>(window.chart()->axes(Qt::Horizontal).first());
        QVERIFY(dates);
        const QStringList labels = dates->categoriesLabels();
        QVERIFY(labels.size() >= 4);
        QStringList drawn;
        for (const QGraphicsItem* item : view->scene()->items()) {
            if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item); text && text->isVisible())
                drawn << text->toPlainText();
        }
        for (const QString& label : labels)
            QVERIFY2(drawn.contains(label), qPrintable(label + u" not in: "_s + drawn.join(u'|')));
        window.grab().save(TestOutputPath(u"charts-daily-%1-%2.png"_s.arg(labels.size()).arg(width)));
    }

    // The two rankings share their figures while the period stays; "显示" reads them afresh.
    void theRankingsShareTheirFigures()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        AddServices(env);
        BusinessChartsWindow window(env.services);
        window.setPeriod(Week);
        window.showChart(BusinessCharts::Kind::TechniciansByClocks);
        env.sql(u"UPDATE salaryform SET salary='100.00' WHERE num='09'"_s);
        window.showChart(BusinessCharts::Kind::TechniciansByCommission);
        QCOMPARE(
            BarValues(OnlySeries<QHorizontalBarSeries>(window.chart())->barSets().first()), (QList<qreal> { 30, 45 }));
        Click(&window, u"showButton"_s);
        QCOMPARE(
            BarValues(OnlySeries<QHorizontalBarSeries>(window.chart())->barSets().first()), (QList<qreal> { 45, 100 }));
    }

    void tabGoesFromThePeriodToTheButtons()
    {
        TestEnvironment env;
        BusinessChartsWindow window(env.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(TabOrder(Child<QComboBox>(&window, u"presetBox"_s), 1), QStringList { u"firstDateEdit"_s });
        // (Tab steps through the year, month and day of a date box, as in every date box of the desk.)
        QCOMPARE(TabOrder(Child<QPushButton>(&window, u"showButton"_s), 5),
            (QStringList { u"chartList"_s, u"printButton"_s, u"saveButton"_s, u"closeButton"_s, u"presetBox"_s }));
    }

    void thePresetsAreWholeMonthsAndYears()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        BusinessChartsWindow window(env.services);
        Choose(Child<QComboBox>(&window, u"presetBox"_s), u"上月"_s);
        QCOMPARE(window.period().first, QDate(2026, 11, 1));
        QCOMPARE(window.period().last, QDate(2026, 11, 30));
        Choose(Child<QComboBox>(&window, u"presetBox"_s), u"本年"_s);
        QCOMPARE(window.period().first, QDate(2026, 1, 1));
        QCOMPARE(window.period().last, QDate(2026, 12, 7));
        QCOMPARE(Child<QComboBox>(&window, u"presetBox"_s)->currentText(), u"本年"_s);
    }

    // "保存图片" writes a PNG of the chart at a size of its own; "打印" one landscape page.
    void aChartIsSavedAndPrinted()
    {
        TestEnvironment env;
        env.clock.set(Evening);
        SettleReceipts(env);
        BusinessChartsWindow window(env.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setPeriod(Week);

        const QString path = env.filePath(u"chart.png"_s);
        env.files.queuePath(path);
        Click(&window, u"saveButton"_s);
        QVERIFY(env.files.suggestions.last().endsWith(u"营业图表-每日营业额-20261207-2130.png"_s));
        QCOMPARE(env.messages.texts(), QStringList { u"图表已保存到:\n%1"_s.arg(QDir::toNativeSeparators(path)) });
        const QImage saved(path);
        QCOMPARE(saved.size(), QSize(1600, 900));

        Click(&window, u"printButton"_s);
        QCOMPARE(env.printers.chosenCount(), 1);
        QVERIFY(QFileInfo(env.printers.lastFile()).size() > 0);
        QFile::copy(env.printers.lastFile(), TestOutputPath(u"chart-printed.pdf"_s));
    }
};

QTEST_MAIN(ChartsTest)
#include "tst_charts.moc"
