#pragma once

#include "app/Outcome.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"

#include <QString>

class QWidget;

// What the query window lists in its hand-over mode, and what follows once that list has been
// printed whole: the receipts of the cashier's shift running now, and handing the shift over.
// The shift's own folder provides it; the query window only lists and prints.
class ShiftListing
{
public:
    // The receipts of the shift running now, and the line that says which they are.
    struct Shift
    {
        QueryCondition condition;
        QString label;
    };

    virtual ~ShiftListing() = default;

    virtual Outcome<Shift> current() = 0;
    // Offered once the shift's list of `totals` was printed, or was meant to be and was not
    // printed whole (`listUnprinted`: no paper, a cancelled print); true when the shift was
    // handed over, after which the window lists the next one.
    virtual bool handOver(const QueryTotals& totals, bool listUnprinted, QWidget* parent) = 0;
};
