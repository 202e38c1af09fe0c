#include "payroll/SalaryRow.h"
#include "printing/DialogPrintProgress.h"
#include "printing/DrawReportGrid.h"
#include "printing/PrintListReport.h"
#include "printing/PrintProgress.h"
#include "printing/ReportPrinter.h"
#include "reports/PdfRaster.h"
#include "support/ManualClock.h"
#include "support/PdfPrinterChooser.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEnvironment.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime PrintedAt(QDate(2026, 12, 7), QTime(22, 15, 0));

// A receipts list of `count` rows; row r has the number r + 1 and the total (r + 1).25.
std::unique_ptr<QStandardItemModel> Receipts(int count)
{
    auto model = std::make_unique<QStandardItemModel>(count, 13);
    for (int r = 0; r < count; ++r) {
        const QStringList cells { QString::number(r + 1), QStringLiteral("%1.25").arg(r + 1), QStringLiteral("101"),
            QStringLiteral("2026-12-07 09:00:00—2026-12-07 10:30:00"), QStringLiteral("2"), QStringLiteral("1"),
            QStringLiteral("1"), QStringLiteral("16.50"), QStringLiteral("0.80"), QStringLiteral("张经理"),
            QStringLiteral("普通"), QStringLiteral("2026-12-07 10:30:00"), QStringLiteral("cashier1") };
        for (int c = 0; c < cells.size(); ++c)
            model->setItem(r, c, new QStandardItem(cells[c]));
    }
    return model;
}

// A technician services list: number, commission (r + 1).00, name, technician, clocks, time, cashier.
std::unique_ptr<QStandardItemModel> Services(int count)
{
    auto model = std::make_unique<QStandardItemModel>(count, 8);
    for (int r = 0; r < count; ++r) {
        const QStringList cells { QString::number(r + 1), QStringLiteral("%1.00").arg(r + 1), QStringLiteral("小王"),
            QStringLiteral("7"), QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2026-12-07 10:30:00"),
            QStringLiteral("cashier1") };
        for (int c = 0; c < cells.size(); ++c)
            model->setItem(r, c, new QStandardItem(cells[c]));
    }
    return model;
}

std::unique_ptr<QStandardItemModel> SalarySheet()
{
    auto model = std::make_unique<QStandardItemModel>(0, SalaryColumn::Count);
    const QList<QStringList> rows {
        { QStringLiteral("7"), QStringLiteral("小王"), QStringLiteral("300.50"), QStringLiteral("10"),
            QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("20"),
            QStringLiteral("280.50") },
        { QStringLiteral("9"), QStringLiteral("小李"), QStringLiteral("120.00"), QString(), QString(),
            QStringLiteral("5a"), QString(), QString(), QStringLiteral("115.00") },
    };
    for (const QStringList& cells : rows) {
        QList<QStandardItem*> items;
        for (const QString& cell : cells)
            items.append(new QStandardItem(cell));
        model->appendRow(items);
    }
    return model;
}

// A list that reads its rows in steps of ten, as a query model does, and notes the furthest
// row anyone read.
class SteppingModel : public QAbstractTableModel
{
public:
    explicit SteppingModel(int total)
        : m_total(total)
    { }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_fetched; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 13; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        m_furthestRead = qMax(m_furthestRead, index.row());
        return index.column() == 1 ? QStringLiteral("1") : QString::number(index.row());
    }
    bool canFetchMore(const QModelIndex& parent) const override { return !parent.isValid() && m_fetched < m_total; }
    void fetchMore(const QModelIndex& parent) override
    {
        if (parent.isValid())
            return;
        const int more = qMin(10, m_total - m_fetched);
        beginInsertRows({}, m_fetched, m_fetched + more - 1);
        m_fetched += more;
        endInsertRows();
    }

    int fetched() const { return m_fetched; }
    int furthestRead() const { return m_furthestRead; }

private:
    int m_total;
    int m_fetched = 0;
    mutable int m_furthestRead = -1;
};

// Progress driven by the test: it stops the print after `stopAfter` pages (never when 0).
class ScriptedProgress : public PrintProgress
{
public:
    void start(int pageCount) override { started = pageCount; }
    bool pagePrinted(int pagesDone) override
    {
        reported.append(pagesDone);
        return stopAfter == 0 || pagesDone < stopAfter;
    }
    void finish() override { finished = true; }

    int stopAfter = 0;
    int started = 0;
    QList<int> reported;
    bool finished = false;
};

struct Printing
{
    QTemporaryDir folder;
    PdfPrinterChooser printers { folder.filePath(QStringLiteral("report")) };
    ScriptedMessageService messages;
    ManualClock clock { PrintedAt };
    ScriptedProgress progress;

    ReportPrintSeams seams() { return { printers, messages, clock, progress, nullptr }; }
    QStringList files() const
    {
        return QDir(folder.path()).entryList({ QStringLiteral("*.pdf") }, QDir::Files, QDir::Name);
    }
};

ReportHeading Heading(ReportKind kind, const QString& title = QStringLiteral("经营单据"))
{
    return { QStringLiteral("Tavrel 桑拿足浴中心"), title, kind };
}

ReportPage Page(const QAbstractItemModel& rows, ReportKind kind, int first, int count)
{
    return ReportPrinter(Heading(kind)).layOutPage(rows, first, count, PrintedAt);
}

QString TotalText(const ReportPage& page)
{
    const QList<PageText>& texts = page.drawing.texts();
    return texts.last().text;
}

QString PdfText(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void heading()
    {
        const auto rows = Receipts(3);
        const ReportPage page = Page(*rows, ReportKind::Receipts, 0, 3);
        const PageText* company = page.drawing.findText(QStringLiteral("Tavrel 桑拿足浴中心"));
        QCOMPARE(company->topLeft, QPointF(250, 30));
        QCOMPARE(company->font.pixelSize(), 25);
        QCOMPARE(page.drawing.findText(QStringLiteral("经营单据"))->topLeft, QPointF(350, 70));
        QCOMPARE(page.drawing.findText(QStringLiteral("经营单据"))->font.pixelSize(), 18);
        QCOMPARE(page.drawing.findText(QStringLiteral("2026-12-07 22:15:00"))->topLeft, QPointF(550, 76));
        QVERIFY(page.drawing.lines().contains(QLineF(30, 92, 745, 92)));
    }

    void headerBands_data()
    {
        QTest::addColumn<ReportKind>("kind");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QList<int>>("verticals");

        QTest::newRow("receipts") << ReportKind::Receipts
                                  << QStringLiteral("单号    房号        时   间       按摩(钟)  洗脚(钟)  修脚(次) "
                                                    "商品销售额  打 折    签 名    总 额   收银员")
                                  << QList<int> { 30, 31, 80, 125, 245, 308, 375, 436, 510, 560, 620, 675, 744, 745 };
        QTest::newRow("technician services") << ReportKind::TechnicianServices
                                             << QStringLiteral("单号    编号        姓   名       按摩(钟)  洗脚(钟)  "
                                                               "总   额              下 单 时 间               收银员")
                                             << QList<int> { 30, 31, 80, 125, 245, 308, 375, 510, 675, 744, 745 };
        QTest::newRow("salary sheet") << ReportKind::SalarySheet
                                      << QStringLiteral("编号    姓名        工   资       补  贴    所得税    罚  款  "
                                                        " 工   衣     借款     实发工资 签    名")
                                      << QList<int> { 30, 31, 80, 125, 245, 308, 375, 510, 744, 745 };
    }

    void headerBands()
    {
        QFETCH(ReportKind, kind);
        QFETCH(QString, header);
        QFETCH(QList<int>, verticals);

        const auto rows = Receipts(1);
        const ReportPage page = Page(*rows, kind, 0, 1);
        const PageText* text = page.drawing.findText(header);
        QVERIFY(text);
        QCOMPARE(text->topLeft, QPointF(40, 100));
        QCOMPARE(text->font.pixelSize(), 13);
        QVERIFY(text->onCharacterGrid);

        PageDrawing band;
        DrawReportGrid(band, 93, 120, kind);
        QCOMPARE(band.lines().first(), QLineF(30, 93, 745, 93));
        QList<int> xs;
        for (const QLineF& line : band.lines().mid(1)) {
            QCOMPARE(line.y1(), 93.0);
            QCOMPARE(line.y2(), 120.0);
            xs.append(qRound(line.x1()));
        }
        QCOMPARE(xs, verticals);
        for (const QLineF& line : band.lines())
            QVERIFY(page.drawing.lines().contains(line));
    }

    void rowsAndClosing()
    {
        const auto rows = Services(3);
        const ReportPage page = Page(*rows, ReportKind::TechnicianServices, 0, 3);
        // Rows 25 apart from 126; each band starts 6 above its row and ends 25 below.
        for (int r = 0; r < 3; ++r) {
            const int y = 126 + 25 * r;
            QVERIFY(page.drawing.lines().contains(QLineF(30, y - 6, 745, y - 6)));
            QVERIFY(page.drawing.lines().contains(QLineF(745, y - 6, 745, y + 25)));
            QCOMPARE(page.drawing.textsAt(y).first(), QString::number(r + 1));
        }
        QVERIFY(page.drawing.lines().contains(QLineF(30, 201, 745, 201)));
        QVERIFY(page.drawing.lines().contains(QLineF(30, 202, 745, 202)));
        QCOMPARE(page.drawing.findText(QStringLiteral("总金额:"))->topLeft, QPointF(30, 211));
        QCOMPARE(page.drawing.findText(QStringLiteral("6.00元"))->topLeft, QPointF(95, 211));
    }

    void technicianServiceCells()
    {
        const auto rows = Services(1);
        const ReportPage page = Page(*rows, ReportKind::TechnicianServices, 0, 1);
        // The technician (column 3) at 86, the name (column 2) at 131, the total (column 1) at
        // 381, all in the 13 font.
        QCOMPARE(page.drawing.textsAt(126),
            (QStringList { QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("小王"), QStringLiteral("1.00"),
                QStringLiteral("2026-12-07 10:30:00"), QStringLiteral("cashier1"), QStringLiteral("3"),
                QStringLiteral("1") }));
        QCOMPARE(page.drawing.findText(QStringLiteral("7"))->topLeft, QPointF(86, 126));
        QCOMPARE(page.drawing.findText(QStringLiteral("小王"))->topLeft, QPointF(131, 126));
        QCOMPARE(page.drawing.findText(QStringLiteral("1.00"))->topLeft, QPointF(381, 126));
        QCOMPARE(page.drawing.findText(QStringLiteral("cashier1"))->font.pixelSize(), 13);
    }

    void receiptRowSplitsItsPeriod()
    {
        const auto rows = Receipts(1);
        const ReportPage page = Page(*rows, ReportKind::Receipts, 0, 1);
        const PageText* start = page.drawing.findText(QStringLiteral("2026-12-07 09:00:00"));
        const PageText* end = page.drawing.findText(QStringLiteral("2026-12-07 10:30:00"));
        QVERIFY(start && end);
        QCOMPARE(start->topLeft, QPointF(140, 121));
        QCOMPARE(end->topLeft, QPointF(140, 131));
        QCOMPARE(start->font.pixelSize(), 9);
        QCOMPARE(page.drawing.findText(QStringLiteral("1.25"))->topLeft, QPointF(626, 126));
        QCOMPARE(page.drawing.findText(QStringLiteral("1.25"))->font.pixelSize(), 9);
        QCOMPARE(page.drawing.findText(QStringLiteral("101"))->font.pixelSize(), 13);

        // Split at the first dash only; a text without one prints two empty lines.
        QCOMPARE(ReportCellText(QStringLiteral("a—b—c"), ReportCell::Part::BeforeDash), QStringLiteral("a"));
        QCOMPARE(ReportCellText(QStringLiteral("a—b—c"), ReportCell::Part::AfterDash), QStringLiteral("b—c"));
        QCOMPARE(ReportCellText(QStringLiteral("2026-12-07"), ReportCell::Part::BeforeDash), QString());
        QCOMPARE(ReportCellText(QStringLiteral("2026-12-07"), ReportCell::Part::AfterDash), QString());
    }

    void pageTotals_data()
    {
        QTest::addColumn<QStringList>("totals");
        QTest::addColumn<QString>("pageTotal");

        QTest::newRow("sum") << QStringList { QStringLiteral("130.50"), QStringLiteral("69.50") }
                             << QStringLiteral("200.00元");
        QTest::newRow("non-numeric adds 0")
            << QStringList { QStringLiteral("abc"), QStringLiteral("12.5x"), QString() } << QStringLiteral("12.50元");
        QTest::newRow("no rows") << QStringList {} << QStringLiteral("0.00元");
    }

    void pageTotals()
    {
        QFETCH(QStringList, totals);
        QFETCH(QString, pageTotal);
        QStandardItemModel rows(int(totals.size()), 13);
        for (int r = 0; r < totals.size(); ++r)
            rows.setItem(r, 1, new QStandardItem(totals[r]));
        QCOMPARE(TotalText(Page(rows, ReportKind::Receipts, 0, int(totals.size()))), pageTotal);
    }

    void salaryPageTotalIsTheNetPay()
    {
        const auto sheet = SalarySheet();
        const ReportPage page = Page(*sheet, ReportKind::SalarySheet, 0, 2);
        QCOMPARE(TotalText(page), QStringLiteral("395.50元"));
        QCOMPARE(page.drawing.textsAt(126),
            (QStringList { QStringLiteral("7"), QStringLiteral("小王"), QStringLiteral("300.50"), QStringLiteral("10"),
                QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("20"),
                QStringLiteral("280.50") }));
        QCOMPARE(page.drawing.findText(QStringLiteral("280.50"))->topLeft, QPointF(566, 126));
        QCOMPARE(page.drawing.findText(QStringLiteral("5a"))->topLeft, QPointF(381, 151));
    }

    void jobsOfThirtyFiveRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("jobs");
        QTest::newRow("1 row") << 1 << 1;
        QTest::newRow("35 rows") << 35 << 1;
        QTest::newRow("36 rows") << 36 << 2;
        QTest::newRow("70 rows") << 70 << 2;
        QTest::newRow("71 rows") << 71 << 3;
    }

    void jobsOfThirtyFiveRows()
    {
        QFETCH(int, rows);
        QFETCH(int, jobs);
        Printing printing;
        const auto list = Receipts(rows);
        const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
        QCOMPARE(print.result, ListReportPrint::Result::Printed);
        QCOMPARE(print.jobsPrinted, jobs);
        QCOMPARE(print.jobsFailed, 0);
        QCOMPARE(printing.files().size(), jobs);
        QCOMPARE(printing.printers.chosenCount(), 1);
        QCOMPARE(printing.progress.started, jobs > 1 ? jobs : 0);
        QVERIFY(printing.messages.shown().isEmpty());
    }

    void secondJobTotalsItsOneRow()
    {
        Printing printing;
        const auto list = Receipts(36);
        QCOMPARE(PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams()).jobsPrinted, 2);
        QCOMPARE(printing.files(), (QStringList { QStringLiteral("report-1-2.pdf"), QStringLiteral("report-1.pdf") }));

        // The 36th row alone: number 36, total 36.25.
        const ReportPage second = Page(*list, ReportKind::Receipts, 35, 1);
        QCOMPARE(second.rowCount, 1);
        QCOMPARE(TotalText(second), QStringLiteral("36.25元"));
        const QString printed = PdfText(printing.folder.filePath(QStringLiteral("report-1-2.pdf")));
        QVERIFY2(printed.contains(QStringLiteral("36.25元")), qPrintable(printed));
        QVERIFY(!printed.contains(QStringLiteral("35.25")));
    }

    void emptyListPrintsNothing()
    {
        Printing printing;
        const auto list = Receipts(0);
        const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
        QCOMPARE(print.result, ListReportPrint::Result::NothingToPrint);
        QCOMPARE(printing.messages.texts(), QStringList { QStringLiteral("列表中没有打印数据!") });
        QCOMPARE(printing.printers.chosenCount(), 0);
    }

    void printDialogCancelled()
    {
        Printing printing;
        printing.printers.setCancelled(true);
        const auto list = Receipts(3);
        const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
        QCOMPARE(print.result, ListReportPrint::Result::NoPrinter);
        QCOMPARE(print.jobsPrinted, 0);
        QVERIFY(printing.files().isEmpty());
        QVERIFY(printing.messages.shown().isEmpty());
    }

    void cancelBetweenPagesStops()
    {
        Printing printing;
        printing.progress.stopAfter = 1;
        const auto list = Receipts(100);
        const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
        QCOMPARE(print.result, ListReportPrint::Result::Stopped);
        QCOMPARE(print.jobsPrinted, 1);
        QCOMPARE(printing.files().size(), 1);
        QCOMPARE(printing.progress.started, 3);
        QCOMPARE(printing.progress.reported, QList<int> { 1 });
        QVERIFY(printing.progress.finished);
    }

    void manyPagesAskFirst()
    {
        // 700 rows are 20 pages: printed without a question (stopped after one to stay quick).
        {
            Printing printing;
            printing.progress.stopAfter = 1;
            const auto list = Receipts(700);
            PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
            QVERIFY(printing.messages.shown().isEmpty());
            QCOMPARE(printing.progress.started, 20);
        }
        // 701 rows are 21 pages: the desk is told and may decline before choosing a printer.
        {
            Printing printing;
            printing.messages.queueAnswer(false);
            const auto list = Receipts(701);
            const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
            QCOMPARE(print.result, ListReportPrint::Result::NotConfirmed);
            QCOMPARE(printing.messages.shown().size(), 1);
            QVERIFY(printing.messages.shown().first().question);
            QCOMPARE(printing.messages.lastText(), QStringLiteral("共有21页要打印,确实要打印吗?"));
            QCOMPARE(printing.printers.chosenCount(), 0);
        }
        {
            Printing printing;
            printing.messages.queueAnswer(true);
            printing.progress.stopAfter = 2;
            const auto list = Receipts(701);
            const ListReportPrint print = PrintListReport(*list, Heading(ReportKind::Receipts), printing.seams());
            QCOMPARE(print.jobsPrinted, 2);
            QCOMPARE(printing.progress.started, 21);
        }
    }

    void rowsFetchedOnlyAsPagesNeedThem()
    {
        Printing printing;
        printing.progress.stopAfter = 1;
        SteppingModel list(1000);
        const ListReportPrint print
            = PrintListReport(list, Heading(ReportKind::TechnicianServices), printing.seams(), 1000);
        QCOMPARE(print.jobsPrinted, 1);
        QCOMPARE(printing.progress.started, 29);
        QCOMPARE(list.fetched(), 40);
        QCOMPARE(list.furthestRead(), 34);
    }

    void steppingModelPrintedToTheEnd()
    {
        Printing printing;
        SteppingModel list(71);
        const ListReportPrint print
            = PrintListReport(list, Heading(ReportKind::TechnicianServices), printing.seams(), 71);
        QCOMPARE(print.jobsPrinted, 3);
        QCOMPARE(list.furthestRead(), 70);
        QCOMPARE(TotalText(Page(list, ReportKind::TechnicianServices, 70, 1)), QStringLiteral("1.00元"));
    }

    void samePageOnA300AndA600DotPrinter()
    {
        const auto list = Receipts(35);
        const ReportPage page = Page(*list, ReportKind::Receipts, 0, 35);
        const QString low = TestOutputPath(QStringLiteral("report-receipts-300dpi.pdf"));
        const QString high = TestOutputPath(QStringLiteral("report-receipts-600dpi.pdf"));
        QVERIFY(page.drawing.render(*PdfPrinterAt(low, 300)));
        QVERIFY(page.drawing.render(*PdfPrinterAt(high, 600)));

        const QImage lowImage = RasterisePdf(low, 96, TestOutputPath(QStringLiteral("report-receipts-300dpi.png")));
        const QImage highImage = RasterisePdf(high, 96, TestOutputPath(QStringLiteral("report-receipts-600dpi.png")));
        QVERIFY(!lowImage.isNull());
        QCOMPARE(lowImage.size(), highImage.size());
        QVERIFY2(DifferentShare(lowImage, highImage) < 0.002, "the two pages differ");
    }

    void pagesToLookAt()
    {
        const auto receipts = Receipts(35);
        const QString receiptsPdf = TestOutputPath(QStringLiteral("report-receipts.pdf"));
        QVERIFY(Page(*receipts, ReportKind::Receipts, 0, 35).drawing.render(*PdfPrinterAt(receiptsPdf, 600)));
        QVERIFY(!RasterisePdf(receiptsPdf, 110, TestOutputPath(QStringLiteral("report-receipts.png"))).isNull());

        const auto sheet = SalarySheet();
        const QString salaryPdf = TestOutputPath(QStringLiteral("report-salary.pdf"));
        const ReportPage salary = ReportPrinter(Heading(ReportKind::SalarySheet, SalarySheetTitle(QDate(2026, 3, 1))))
                                      .layOutPage(*sheet, 0, 2, PrintedAt);
        QVERIFY(salary.drawing.render(*PdfPrinterAt(salaryPdf, 300)));
        QVERIFY(!RasterisePdf(salaryPdf, 110, TestOutputPath(QStringLiteral("report-salary.png"))).isNull());

        const auto services = Services(5);
        const QString servicesPdf = TestOutputPath(QStringLiteral("report-services.pdf"));
        QVERIFY(ReportPrinter(Heading(ReportKind::TechnicianServices, QStringLiteral("技师服务")))
                    .layOutPage(*services, 0, 5, PrintedAt)
                    .drawing.render(*PdfPrinterAt(servicesPdf, 300)));
        QVERIFY(!RasterisePdf(servicesPdf, 110, TestOutputPath(QStringLiteral("report-services.png"))).isNull());
    }

    void progressDialogCancelsBetweenPages()
    {
        QWidget window;
        window.show();
        DialogPrintProgress progress(&window);
        progress.start(3);
        QVERIFY(progress.dialog());
        QCOMPARE(progress.dialog()->maximum(), 3);
        QVERIFY(progress.pagePrinted(1));
        QCOMPARE(progress.dialog()->labelText(), QStringLiteral("正在打印第2页,共3页..."));
        QPushButton* cancel = progress.dialog()->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("取消"));
        cancel->click();
        QVERIFY(!progress.pagePrinted(2));
        progress.finish();
        QVERIFY(!progress.dialog());
    }
};

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
