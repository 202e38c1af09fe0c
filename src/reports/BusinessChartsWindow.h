#pragma once

#include "reports/BusinessCharts.h"
#include "reports/BusinessFigures.h"

#include <QDialog>
#include <QImage>

#include <optional>

struct AppServices;
class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QListWidget;

// "营业图表": the house's business in pictures over a chosen period of days: the takings per day
// with their seven-day average, per payment method and per hour of the day, the technicians
// ranked by clocks and by commission, the goods by quantity and by amount. The period is two
// dates, or one of the usual ones from the box; the chart is chosen from the list on the left.
// Each chart is drawn from the aggregate figures of its period, read when it is shown. "打印"
// prints it on one landscape page, "保存图片" saves it as a PNG picture. A house with a menu of
// items or with 点钟 also finds the technicians ranked by 点钟数 and the items by amount.
class BusinessChartsWindow : public QDialog
{
    Q_OBJECT

public:
    using Kind = BusinessCharts::Kind;

    // The usual periods of the box, as of today.
    enum class Preset { Last30Days, ThisMonth, LastMonth, ThisYear, Last365Days };
    // The box's last entry, "自定义": the dates as typed.
    static constexpr int CustomPreset = 5;

    explicit BusinessChartsWindow(AppServices& services, QWidget* parent = nullptr);
    ~BusinessChartsWindow() override;

    BusinessFigures::Period period() const;
    Kind kind() const { return m_kind; }
    QChart* chart() const;
    QChartView& view() const { return *m_view; }

    void setPeriod(const BusinessFigures::Period& period);
    void choosePreset(Preset preset);
    void showChart(Kind kind);
    // Whether the list offers the charts of the items and of the 点钟.
    bool showsServiceCharts() const { return m_chartCount > BusinessCharts::FirstKindCount; }

    // The chart as it is saved and printed: drawn afresh at `size`, not scaled from the screen.
    QImage picture(const QSize& size = { 1600, 900 }) const;
    void print();
    void savePicture();

private:
    // Reads the figures of the chart and period shown and draws the chart; false when the
    // read failed (it has been reported).
    bool draw();
    QChart* newChart(const BusinessFigures::Period& period);

    // The figures of the last period read, kept while the period stays: the two rankings of the
    // technicians (and of the goods) come from the same figures, so switching between them reads
    // nothing again. "显示" reads afresh.
    template <typename Row> struct Kept
    {
        BusinessFigures::Period period;
        QList<Row> rows;
    };
    std::optional<Kept<BusinessFigures::Technician>> m_technicians;
    std::optional<Kept<BusinessFigures::Goods>> m_goods;
    std::optional<Kept<ServiceFigures::Item>> m_items;

    AppServices& m_services;
    Kind m_kind = Kind::DailyTakings;
    QComboBox* m_presets;
    QDateEdit* m_first;
    QDateEdit* m_last;
    QListWidget* m_charts;
    int m_chartCount = BusinessCharts::FirstKindCount;
    QChartView* m_view;
};
