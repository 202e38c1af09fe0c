#pragma once

#include "printing/PageDrawing.h"
#include "printing/ReportKind.h"

#include <QDateTime>
#include <QString>

class QAbstractItemModel;

// What every page of one list report carries at its head.
struct ReportHeading
{
    QString companyName;
    QString title;
    ReportKind kind = ReportKind::Receipts;
};

// One page of a list report and the total printed under its rows.
struct ReportPage
{
    PageDrawing drawing;
    double total = 0.0;
    int rowCount = 0;
};

// Lays out one page of a list report in 1/96-inch units: the company name, the title, the
// moment of printing, the header band, up to 35 rows as the list shows them, the double closing
// line and the page's own total.
class ReportPrinter
{
public:
    static constexpr int RowsPerPage = 35;

    explicit ReportPrinter(ReportHeading heading);

    // The rows first .. first + count - 1 of `rows`, read through their display texts: the
    // report prints what the list shows. Only those rows are read.
    ReportPage layOutPage(const QAbstractItemModel& rows, int first, int count, const QDateTime& printedAt) const;

    static QFont companyFont(); // 宋体 25, widened as the house's heading
    static QFont titleFont(); // 18
    static QFont bodyFont(); // 13: date, header, rows, total
    static QFont smallFont(); // 9: the small texts of receipt rows

    static constexpr int FirstRowY = 126;
    static constexpr int RowHeight = 25;

private:
    ReportHeading m_heading;
};
