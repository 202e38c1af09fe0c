#pragma once

#include "app/Outcome.h"
#include "desk/PaymentMethod.h"

class Database;
class QueryCondition;

// The takings per payment method of the receipts that meet `condition`, from one aggregate
// statement over the same condition as the list, not by walking the rows. Amounts are the
// receipts' totals (alljine) read by the leading-number rule, each rounded to the fen.
Outcome<PaymentTotals> ReadPaymentTotals(Database& database, const QueryCondition& condition);

// The cash a shift's drawer should hold: what its receipts took in cash.
Money ExpectedCash(const PaymentTotals& totals);
