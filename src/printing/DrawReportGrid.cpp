#include "printing/DrawReportGrid.h"

#include "printing/PageDrawing.h"

void DrawReportGrid(PageDrawing& page, int top, int bottom, ReportKind kind)
{
    page.addLine(30, top, 745, top);
    for (const int x : ReportKindLayout::of(kind).gridLines)
        page.addLine(x, top, x, bottom);
}
