#include "printing/ReportPrinter.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"
#include "printing/DrawReportGrid.h"

#include <QAbstractItemModel>

ReportPrinter::ReportPrinter(ReportHeading heading)
    : m_heading(std::move(heading))
{ }

ReportPage ReportPrinter::layOutPage(
    const QAbstractItemModel& rows, int first, int count, const QDateTime& printedAt) const
{
    const ReportKindLayout& layout = ReportKindLayout::of(m_heading.kind);
    const QFont body = bodyFont();
    const QFont small = smallFont();

    ReportPage page;
    PageDrawing& drawing = page.drawing;
    drawing.addText(250, 30, m_heading.companyName, companyFont());
    drawing.addText(350, 70, m_heading.title, titleFont());
    drawing.addText(550, 76, DateTimeText(printedAt), body);
    drawing.addLine(30, 92, 745, 92);
    DrawReportGrid(drawing, 93, 120, m_heading.kind);
    drawing.addGridText(40, 100, layout.headerText, body);

    int y = FirstRowY;
    for (int row = first; row < first + count; ++row) {
        DrawReportGrid(drawing, y - 6, y + RowHeight, m_heading.kind);
        for (const ReportCell& cell : layout.cells) {
            const QString text = rows.index(row, cell.column).data().toString();
            drawing.addText(cell.x, y + cell.dy, ReportCellText(text, cell.part),
                cell.size == ReportCell::Size::Small ? small : body);
        }
        page.total += LeadingReal(rows.index(row, layout.totalColumn).data().toString());
        ++page.rowCount;
        y += RowHeight;
    }

    drawing.addLine(30, y, 745, y);
    drawing.addLine(30, y + 1, 745, y + 1);
    drawing.addText(30, y + 10, QStringLiteral("总金额:"), body);
    drawing.addText(95, y + 10, AmountText(page.total) + u'元', body);
    return page;
}

QFont ReportPrinter::companyFont()
{
    // The house prints its name 20 units wide on a 25-unit face, well wider than the face.
    return PageDrawing::font(25, 160);
}

QFont ReportPrinter::titleFont()
{
    return PageDrawing::font(18);
}

QFont ReportPrinter::bodyFont()
{
    return PageDrawing::font(13);
}

QFont ReportPrinter::smallFont()
{
    return PageDrawing::font(9);
}
