#pragma once

#include "printing/ReportPrinter.h"

class Clock;
class MessageService;
class PrintProgress;
class PrinterChooser;
class QAbstractItemModel;
class QWidget;

// The seams a list report prints through.
struct ReportPrintSeams
{
    PrinterChooser& printers;
    MessageService& messages;
    const Clock& clock; // the moment printed on each page
    PrintProgress& progress;
    QWidget* parent = nullptr;
};

// What became of a list report print.
struct ListReportPrint
{
    enum class Result {
        Printed, // every page was sent (see jobsFailed)
        NothingToPrint, // the list was empty: "列表中没有打印数据!"
        NotConfirmed, // the desk declined a print of many pages
        NoPrinter, // the print dialog was cancelled
        Stopped, // cancelled between pages
    };
    Result result = Result::NothingToPrint;
    int jobsPrinted = 0;
    int jobsFailed = 0;
};

// Prints a list as the house's list report: one print job of one page for every 35 rows, each
// page with its own heading and its own total. Rows are read from the model only as their
// page is printed; a model that fetches in steps (canFetchMore) is asked for more as the pages
// reach its end. `rowCount` is the number of rows to print; -1 takes the model's rowCount()
// (give the known count for a model that does not yet hold every row).
// Before more than 20 pages the desk is told how many and asked; a print of several pages shows
// its progress and can be stopped between pages. A printer that writes files gets one file per
// job (report.pdf, report-2.pdf, ...), so that no job overwrites another; jobs the printer
// refused are reported after the last one.
ListReportPrint PrintListReport(
    QAbstractItemModel& rows, const ReportHeading& heading, const ReportPrintSeams& seams, int rowCount = -1);

inline constexpr int PagesPrintedWithoutAsking = 20;
