#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/TextFormat.h"
#include "reports/BusinessCharts.h"
#include "reports/BusinessChartsWindow.h"
#include "reports/BusinessFigures.h"
#include "reports/PdfRaster.h"
#include "reports/QueryWindow.h"
#include "reports/ServiceFigures.h"
#include "reports/ServiceSummaryWindow.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QDateTimeEdit>
#include <QFile>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 7), QTime(21, 30));
const QDateTime PeriodStart(QDate(2026, 12, 1), QTime(11, 0));

QString Stamp(int day, int hour, int minute = 0)
{
    return DateTimeText(QDateTime(QDate(2026, 12, day), QTime(hour, minute)));
}

void AddMenuItem(TestEnvironment& env, int id, const QString& name, const QString& unit)
{
    env.sql(u"INSERT INTO service_item (id, name, unit, price_fen, commission_kind_rotation, "
            "commission_kind_requested) VALUES (?, ?, ?, 9800, '金额', '金额')"_s,
        { id, name, unit });
}

void AddItemLine(TestEnvironment& env, int item, const QString& name, const QString& technician, bool requested,
    int count, qint64 amountFen, qint64 commissionFen, const QString& time)
{
    env.sql(u"INSERT INTO receipt_item (id, line, item, name, technician, requested, count, unit_price_fen, "
            "amount_fen, commission_fen, time, cashier) VALUES (1, 0, ?, ?, ?, ?, ?, 0, ?, ?, ?, 'c1')"_s,
        { item, name, technician, requested ? 1 : 0, count, amountFen, commissionFen, time });
}

void AddService(TestEnvironment& env, const QString& number, const QString& name, int massage, const QString& salary,
    const QString& time, bool requested, qint64 supplementFen)
{
    env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (1, ?, ?, ?, '', ?, ?, 'c1')"_s,
        { number, name, QString::number(massage), salary, time });
    env.sql(u"INSERT INTO receipt_technician (id, line, technician, requested, clocks, supplement_fen, time) "
            "VALUES (1, 0, ?, ?, ?, ?, ?)"_s,
        { number, requested ? 1 : 0, massage, supplementFen, time });
}

// A menu of 中式按摩 (by the clock) and 采耳 (by the time); lines inside the period and on
// both sides of it, on partial and whole days; 07 小王 and 09 小李 with services and 点钟.
void AddHouse(TestEnvironment& env)
{
    env.clock.set(Now);
    env.addStaff(u"07"_s, u"小王"_s);
    env.addStaff(u"09"_s, u"小李"_s);
    AddMenuItem(env, 1, u"中式按摩"_s, u"钟"_s);
    AddMenuItem(env, 2, u"采耳"_s, u"次"_s);
    env.sql(u"BEGIN"_s);
    AddItemLine(env, 1, u"中式按摩"_s, u"07"_s, true, 2, 19600, 4000, Stamp(1, 12)); // first partial day
    AddItemLine(env, 1, u"中式按摩"_s, u"09"_s, false, 1, 9800, 2000, Stamp(3, 15));
    AddItemLine(env, 2, u"采耳"_s, u"09"_s, true, 1, 6800, 1500, Stamp(7, 21, 15)); // last partial day
    AddItemLine(env, 2, u"采耳"_s, u"07"_s, false, 1, 6800, 1500, Stamp(1, 10)); // before the start
    AddItemLine(env, 1, u"中式按摩"_s, u"07"_s, true, 3, 29400, 6000, Stamp(7, 22)); // after the end
    // 小王: 3 + 2 clocks of the three services, 2 of them 点钟; 小李: one 轮钟 clock.
    AddService(env, u"07"_s, u"小王"_s, 3, u"45.00"_s, Stamp(2, 14), false, 0);
    AddService(env, u"07"_s, u"小王"_s, 2, u"30.00"_s, Stamp(4, 16), true, 400);
    AddService(env, u"09"_s, u"小李"_s, 1, u"10.00"_s, Stamp(5, 16), false, 0);
    env.sql(u"COMMIT"_s);
}

struct Summary
{
    Summary(TestEnvironment& env, ServiceSummaryWindow::Kind kind)
        : window(kind, env.services)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.startEdit()->setDateTime(PeriodStart);
        window.endEdit()->setDateTime(Now);
        Click(&window, u"queryButton"_s);
    }
    QStringList row(int r) const { return window.list().rows().row(r); }
    QString totalsText() const { return Child<QLabel>(&window, u"totalsLabel"_s)->text(); }

    ServiceSummaryWindow window;
};

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// "服务项目汇总", the technicians' 点钟 sums, and the charts of the items and of the 点钟.
class ItemSummaryTest : public QObject
{
    Q_OBJECT

private slots:
    void theRateIsTenthsOfAPercent()
    {
        QCOMPARE(ServiceFigures::RequestRateText(0, 0), u"—"_s);
        QCOMPARE(ServiceFigures::RequestRateText(7, 20), u"35.0%"_s);
        QCOMPARE(ServiceFigures::RequestRateText(1, 3), u"33.3%"_s);
        QCOMPARE(ServiceFigures::RequestRateText(2, 3), u"66.7%"_s);
        QCOMPARE(ServiceFigures::RequestRateText(4, 4), u"100.0%"_s);
        QCOMPARE(ServiceFigures::RequestRateText(0, 9), u"0.0%"_s);
    }

    void itemsAreSummedOverWholeAndPartialDays()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddHouse(env);
        Summary summary(env, ServiceSummaryWindow::Kind::Items);
        QCOMPARE(summary.window.windowTitle(), u"服务项目汇总"_s);
        QCOMPARE(summary.window.list().rows().headers(),
            (QStringList { u"编号"_s, u"项目名称"_s, u"数量"_s, u"金额"_s, u"提成"_s }));
        QCOMPARE(summary.window.list().rowCount(), 2);
        QCOMPARE(summary.row(0), (QStringList { u"1"_s, u"中式按摩"_s, u"3"_s, u"294.00"_s, u"60.00"_s }));
        QCOMPARE(summary.row(1), (QStringList { u"2"_s, u"采耳"_s, u"1"_s, u"68.00"_s, u"15.00"_s }));
        QCOMPARE(summary.totalsText(), u"合计: 2个项目  数量 4  金额 362.00元  提成 75.00元"_s);
        QCOMPARE(summary.window.totals(), (QStringList { u"合计"_s, u"2个项目"_s, u"4"_s, u"362.00"_s, u"75.00"_s }));
        QVERIFY(env.messages.shown().isEmpty());

        // Everything: the lines outside the period count too.
        summary.window.startEdit()->setDateTime(QDateTime(QDate(2026, 11, 1), QTime(0, 0)));
        summary.window.endEdit()->setDateTime(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
        Click(&summary.window, u"queryButton"_s);
        QCOMPARE(summary.row(0), (QStringList { u"1"_s, u"中式按摩"_s, u"6"_s, u"588.00"_s, u"120.00"_s }));
        QCOMPARE(summary.row(1), (QStringList { u"2"_s, u"采耳"_s, u"2"_s, u"136.00"_s, u"30.00"_s }));
    }

    void anEmptyPeriodHasNoItems()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddHouse(env);
        Summary summary(env, ServiceSummaryWindow::Kind::Items);
        summary.window.startEdit()->setDateTime(QDateTime(QDate(2026, 11, 1), QTime(0, 0)));
        summary.window.endEdit()->setDateTime(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
        Click(&summary.window, u"queryButton"_s);
        QCOMPARE(summary.window.list().rowCount(), 0);
        QCOMPARE(summary.totalsText(), u"合计: 0个项目  数量 0  金额 0.00元  提成 0.00元"_s);
        Click(&summary.window, u"exportButton"_s);
        Click(&summary.window, u"printButton"_s);
        QCOMPARE(env.messages.texts(), (QStringList { u"列表中没有导出数据!"_s, u"列表中没有打印数据!"_s }));

        // A start after the end is said so.
        summary.window.startEdit()->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        Click(&summary.window, u"queryButton"_s);
        QCOMPARE(env.messages.texts().last(), u"开始时间不能晚于结束时间!"_s);
    }

    void itemsArePrintedAndExported()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        AddHouse(env);
        Summary summary(env, ServiceSummaryWindow::Kind::Items);
        const QString path = env.filePath(u"items.csv"_s);
        env.files.queuePath(path);
        Click(&summary.window, u"exportButton"_s);
        const QString csv = ReadText(path);
        QVERIFY2(csv.contains(u"编号,项目名称,数量,金额,提成"_s), qPrintable(csv));
        QVERIFY2(csv.contains(u"1,中式按摩,3,294.00,60.00"_s), qPrintable(csv));
        QVERIFY2(csv.contains(u"合计,2个项目,4,362.00,75.00"_s), qPrintable(csv));

        Click(&summary.window, u"printButton"_s);
        const QString printed = PrintedText(env.filePath(u"print-1.pdf"_s));
        for (const QString& text : { u"服务项目汇总"_s, u"中式按摩"_s, u"294.00"_s, u"362.00元"_s })
            QVERIFY2(printed.contains(text), qPrintable(printed));
        QVERIFY(
            !RasterisePdf(env.filePath(u"print-1.pdf"_s), 110, TestOutputPath(u"item-summary-print.png"_s)).isNull());
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            summary.window.resize(size);
            QTest::qWait(50);
            QVERIFY(summary.window.grab().save(TestOutputPath(u"item-summary-%1.png"_s.arg(size.width()))));
        }
        QCOMPARE(TabOrder(Child<QPushButton>(&summary.window, u"exportButton"_s), 2),
            (QStringList { u"printButton"_s, u"okButton"_s }));
    }

    void techniciansShowTheirRequestedClocks()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        AddHouse(env);
        // The technicians' query window opens the sums per technician.
        QueryWindow query(RecordKind::TechnicianServices, QueryWindow::Mode::Normal, env.services);
        query.show();
        QVERIFY(QTest::qWaitForWindowExposed(&query));
        QStringList rows;
        QString totals;
        WhenDialogOpens<ServiceSummaryWindow>([&rows, &totals](ServiceSummaryWindow* summary) {
            summary->startEdit()->setDateTime(PeriodStart);
            summary->endEdit()->setDateTime(Now);
            Click(summary, u"queryButton"_s);
            for (int r = 0; r < summary->list().rowCount(); ++r)
                rows << summary->list().rows().row(r).join(u'|');
            totals = Child<QLabel>(summary, u"totalsLabel"_s)->text();
            for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
                summary->resize(size);
                QTest::qWait(50);
                summary->grab().save(TestOutputPath(u"technician-calls-%1.png"_s.arg(size.width())));
            }
            summary->accept();
        });
        Click(&query, u"technicianCallsButton"_s);
        // 小王: 5 clocks of the services and 2 of 中式按摩, 2 + 2 of them 点钟; commissions 75 + 40
        // + a supplement of 4. 小李: 1 + 1 clocks, none 点钟 (采耳 is not by the clock), 10 + 20 + 15.
        QCOMPARE(rows, (QStringList { u"07|小王|7|4|57.1%|119.00"_s, u"09|小李|2|0|0.0%|45.00"_s }));
        QCOMPARE(totals, u"合计: 2人  钟数 9  点钟数 4  点钟率 44.4%  提成 164.00元"_s);
        QVERIFY(env.messages.shown().isEmpty());

        // Directly, and over a period without clocks.
        Summary summary(env, ServiceSummaryWindow::Kind::TechnicianCalls);
        QCOMPARE(summary.window.list().rows().headers(),
            (QStringList { u"编号"_s, u"姓名"_s, u"钟数"_s, u"点钟数"_s, u"点钟率"_s, u"提成"_s }));
        summary.window.startEdit()->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
        Click(&summary.window, u"queryButton"_s);
        // 采耳 at 21:15 is 小李's only line: no clocks, so no rate.
        QCOMPARE(summary.row(0), (QStringList { u"09"_s, u""_s, u"0"_s, u"0"_s, u"—"_s, u"15.00"_s }));

        summary.window.startEdit()->setDateTime(PeriodStart);
        Click(&summary.window, u"queryButton"_s);
        Click(&summary.window, u"printButton"_s);
        const QString printed = PrintedText(env.filePath(u"print-1.pdf"_s));
        for (const QString& text : { u"点钟率"_s, u"57.1%"_s, u"164.00元"_s })
            QVERIFY2(printed.contains(text), qPrintable(printed));
        QVERIFY(!RasterisePdf(env.filePath(u"print-1.pdf"_s), 110, TestOutputPath(u"technician-calls-print.png"_s))
                     .isNull());
    }

    void theChartsRankItemsAndRequestedClocks()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddHouse(env);
        const BusinessFigures::Period week { QDate(2026, 12, 1), QDate(2026, 12, 7) };
        const QList<BusinessFigures::Technician> technicians = BusinessFigures::technicians(env.database, week).value();
        QCOMPARE(technicians.size(), 2);
        // Whole days: 小王's 2 clocks of 中式按摩 on the 1st at noon count, the 3 at 22:00 on the
        // 7th too.
        QCOMPARE(technicians[0].clocks, 10);
        QCOMPARE(technicians[0].requestedClocks, 7);
        QCOMPARE(technicians[1].clocks, 2);
        QCOMPARE(technicians[1].requestedClocks, 0);

        BusinessChartsWindow window(env.services);
        window.resize(1366, 768);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.showsServiceCharts());
        auto* list = Child<QListWidget>(&window, u"chartList"_s);
        QCOMPARE(list->count(), BusinessCharts::KindCount);
        window.setPeriod(week);
        ClickLine(list, int(BusinessCharts::Kind::TechniciansByRequested));
        QVERIFY(window.chart()->title().contains(u"技师点钟排行"_s));
        QVERIFY2(window.chart()->title().contains(u"点钟7钟, 点钟率58.3%"_s), qPrintable(window.chart()->title()));
        auto labels = [&window] {
            for (QAbstractAxis* axis : window.chart()->axes(Qt::Vertical)) {
                if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis))
                    return categories->categories();
            }
            return QStringList();
        };
        QCOMPARE(labels(), (QStringList { u"09 小李  0钟 0.0%"_s, u"07 小王  7钟 70.0%"_s }));
        window.picture({ 1366, 768 }).save(TestOutputPath(u"chart-technicians-requested.png"_s));

        ClickLine(list, int(BusinessCharts::Kind::ItemsByAmount));
        QVERIFY(window.chart()->title().contains(u"服务项目排行"_s));
        QCOMPARE(labels(), (QStringList { u"2 采耳  136.00元"_s, u"1 中式按摩  588.00元"_s }));
        window.picture({ 1366, 768 }).save(TestOutputPath(u"chart-items.png"_s));
        window.grab().save(TestOutputPath(u"charts-items-1366x768.png"_s));
        window.resize(1024, 768);
        QTest::qWait(50);
        window.grab().save(TestOutputPath(u"charts-items-1024x768.png"_s));
        QVERIFY(env.messages.shown().isEmpty());
    }

    void aHouseWithoutMenuOrRequestsKeepsTheSevenCharts()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.clock.set(Now);
        BusinessChartsWindow window(env.services);
        QVERIFY(!window.showsServiceCharts());
        QCOMPARE(Child<QListWidget>(&window, u"chartList"_s)->count(), BusinessCharts::FirstKindCount);
    }
};

QTEST_MAIN(ItemSummaryTest)
#include "tst_itemsummary.moc"
