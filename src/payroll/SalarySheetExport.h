#pragma once

#include "printing/TableExport.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

// The salary sheet as an export: its nine columns, its rows as the sheet shows them (the
// amounts typed in, as typed), the period in the title, and the totals of every amount
// column in the last row, each cell read by the leading-number rule as the net pay is.
// With `split` the three columns of the split of the commissions follow the nine.
ExportTable SalarySheetExportTable(const QList<QStringList>& rows, const QDateTime& start, const QDateTime& end,
    const QString& heading = {}, bool split = false);
