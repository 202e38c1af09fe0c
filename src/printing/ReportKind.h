#pragma once

#include <QList>
#include <QString>

// The layouts of the printed list reports.
enum class ReportKind {
    Receipts = 0, // the receipts list of the query window
    TechnicianServices = 1, // the technician services list of the query window
    SalarySheet = 2, // the salary sheet
    SplitSalarySheet = 3, // the salary sheet with the split of the commissions
    ItemSummary = 4, // the items of the menu summed over a period
    TechnicianCallSummary = 5, // the technicians' clocks and 点钟 summed over a period
};

// Where one list cell is printed on a report row: at x, `dy` below the row's y, in the body
// font or the small one. A receipt's service period ("start—end") prints on two small lines, the
// part before the first "—" above the part after it.
struct ReportCell
{
    enum class Part { Whole, BeforeDash, AfterDash };
    enum class Size { Body, Small };

    int column = 0;
    int x = 0;
    int dy = 0;
    Size size = Size::Body;
    Part part = Part::Whole;
};

// What sets one kind of report apart: the header text (its runs of blanks place the words over
// the columns), the x of the grid's vertical lines, the cells of a row and the list column
// that the page total adds.
struct ReportKindLayout
{
    QString headerText;
    QList<int> gridLines;
    QList<ReportCell> cells;
    int totalColumn = 1;

    static const ReportKindLayout& of(ReportKind kind);
};

// The text of a cell for its part: the whole text, or the text before or after the first "—"
// (both empty when there is no dash).
QString ReportCellText(const QString& text, ReportCell::Part part);
