#pragma once

#include "printing/TableExport.h"
#include "reports/QueryTotals.h"
#include "reports/RecordKind.h"

class Database;
class QueryCondition;

// The rows of a query list as an export: every row that meets the condition (not only those
// on the screen), in the list's order, newest first, read from the database one at a time as
// the file is written; the captions and widths of the list; the condition in the title; and
// the list's totals in the last row ("合计 N条", the amount and the sums under their columns).
//
// The columns keep the database's texts; an id, a count and an amount are written as numbers
// and the bill time as a date and time (see ExportCellType).
ExportTable QueryExportTable(Database& database, RecordKind kind, const QueryCondition& condition,
    const QueryTotals& totals, const QString& heading = {});

// How a column of the record tables is written, by its name.
ExportCellType QueryColumnType(const QString& column);

// The statement that reads the rows, with a ? for each of the condition's values.
QString QueryExportStatement(const SqlDialect& dialect, RecordKind kind, const QueryCondition& condition);
