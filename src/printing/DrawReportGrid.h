#pragma once

#include "printing/ReportKind.h"

class PageDrawing;

// Rules one band of a report's table from `top` to `bottom`: a line across at the top and the
// kind's vertical lines (doubled at both edges). Row bands overlap, each starting where the
// row above still runs, so the verticals run through unbroken.
void DrawReportGrid(PageDrawing& page, int top, int bottom, ReportKind kind);
