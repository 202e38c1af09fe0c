#pragma once

#include "app/Money.h"
#include "app/Outcome.h"
#include "app/TakingsLedger.h"
#include "reports/RecordKind.h"

#include <array>

class Database;
class QueryCondition;

// The totals under a query list: how many rows, their amount (list column 1 read as money,
// each row rounded to the fen as it prints) and the sums of columns 4, 5 and 6 read as whole numbers (massage clocks,
// foot-wash clocks, pedicures; for goods the quantity), each text read by its leading number.
struct QueryTotals
{
    qint64 count = 0;
    Money amount; // the sum of the amounts as each row prints it
    std::array<qint64, 3> sums {};

    friend bool operator==(const QueryTotals&, const QueryTotals&) = default;
};

// The totals of the rows of `kind` that meet `condition`, from one aggregate statement. A
// condition by time alone (every row, today, a period) is added up from the daily ledger, the
// days it covers whole from their ledger rows and a day it covers in part from its rows; any
// other condition from the rows it lists. Amounts are added in fen.
Outcome<QueryTotals> ReadQueryTotals(Database& database, RecordKind kind, const QueryCondition& condition);
// That statement, with its values.
TakingsLedger::Source QueryTotalsQuery(const SqlDialect& dialect, RecordKind kind, const QueryCondition& condition);
// The ledger rows of `table` for `condition`: from the ledger for a condition by time alone,
// else made of the rows that meet it.
TakingsLedger::Source TakingsSource(const TakingsLedger::Table& table, const QueryCondition& condition);
