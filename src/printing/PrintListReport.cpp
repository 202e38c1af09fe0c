#include "printing/PrintListReport.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "printing/PrintProgress.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>

namespace {

// report.pdf for the first job, report-2.pdf for the second, and so on.
QString jobFileName(const QString& firstFile, int job)
{
    if (job == 1)
        return firstFile;
    const QFileInfo info(firstFile);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return info.dir().filePath(info.completeBaseName() + u'-' + QString::number(job) + suffix);
}

// Makes sure the model holds the rows up to `end` (exclusive), fetching them if it reads in
// steps; returns how many of them it holds.
int fetchRows(QAbstractItemModel& rows, int end)
{
    while (rows.rowCount() < end && rows.canFetchMore({}))
        rows.fetchMore({});
    return qMin(rows.rowCount(), end);
}

} // namespace

ListReportPrint PrintListReport(
    QAbstractItemModel& rows, const ReportHeading& heading, const ReportPrintSeams& seams, int rowCount)
{
    ListReportPrint print;
    const int total = rowCount < 0 ? rows.rowCount() : rowCount;
    if (total <= 0) {
        seams.messages.inform(QStringLiteral("列表中没有打印数据!"));
        return print;
    }

    const int pageCount = (total + ReportPrinter::RowsPerPage - 1) / ReportPrinter::RowsPerPage;
    if (pageCount > PagesPrintedWithoutAsking
        && !seams.messages.ask(QStringLiteral("共有%1页要打印,确实要打印吗?").arg(pageCount))) {
        print.result = ListReportPrint::Result::NotConfirmed;
        return print;
    }

    const std::unique_ptr<QPrinter> printer = seams.printers.choosePrinter(seams.parent);
    if (!printer) {
        print.result = ListReportPrint::Result::NoPrinter;
        return print;
    }

    const ReportPrinter pages(heading);
    const QString firstFile = printer->outputFileName();
    print.result = ListReportPrint::Result::Printed;
    if (pageCount > 1)
        seams.progress.start(pageCount);
    for (int page = 0; page < pageCount; ++page) {
        const int first = page * ReportPrinter::RowsPerPage;
        const int end = fetchRows(rows, qMin(first + ReportPrinter::RowsPerPage, total));
        if (end <= first)
            break; // the model holds fewer rows than it was said to

        const ReportPage layout = pages.layOutPage(rows, first, end - first, seams.clock.now());
        printer->setDocName(QGuiApplication::applicationDisplayName());
        if (!firstFile.isEmpty())
            printer->setOutputFileName(jobFileName(firstFile, page + 1));
        if (layout.drawing.render(*printer) && printer->printerState() != QPrinter::Error)
            ++print.jobsPrinted;
        else
            ++print.jobsFailed;

        if (pageCount > 1 && page + 1 < pageCount && !seams.progress.pagePrinted(page + 1)) {
            print.result = ListReportPrint::Result::Stopped;
            break;
        }
    }
    if (pageCount > 1)
        seams.progress.finish();

    if (print.jobsFailed > 0)
        seams.messages.inform(QStringLiteral("有%1页没有打印出来,请检查打印机!").arg(print.jobsFailed), {},
            MessageService::Icon::Warning);
    return print;
}
