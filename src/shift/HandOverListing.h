#pragma once

#include "reports/ShiftListing.h"
#include "shift/ShiftHandOver.h"

#include <optional>

struct AppServices;

// The cashier's shift as the query window's hand-over mode lists it: the receipts after the
// last hand-over, and, once they were printed whole, the question whether to hand the shift
// over, the counted drawer (HandOverDialog) and "交班完毕!".
class HandOverListing : public ShiftListing
{
public:
    static const QString HandOverDoneText; // "交班完毕!"
    // Put before the hand-over question when the shift's list was not printed in full.
    static const QString UnprintedListNote;

    explicit HandOverListing(AppServices& services);

    // The question asked after a hand-over list was printed.
    static QString handOverQuestion(const QueryTotals& totals);

    Outcome<Shift> current() override;
    bool handOver(const QueryTotals& totals, bool listUnprinted, QWidget* parent) override;

private:
    AppServices& m_services;
    std::optional<ShiftReceipts> m_receipts; // what current() listed last
};
