#pragma once

#include "printing/PageDrawing.h"
#include "shift/HandOver.h"

#include <QString>

// What a hand-over slip shows above its figures.
struct HandOverSlipHeading
{
    QString companyName;
    QString printedAt; // "yyyy-MM-dd HH:mm:ss"
    bool reprint = false; // a slip printed again later is marked "重打"
};

// The hand-over slip ("交班对账单"), one drawing for the screen and the printer: the shift, its
// receipts and total, the takings per payment method, the expected and the counted cash, the
// difference and its reason, and lines for the two signatures, in 1/96-inch units on a strip
// as wide as a receipt.
class HandOverSlip
{
public:
    static constexpr int Width = 400;

    HandOverSlip(const HandOverSlipHeading& heading, const HandOver& handOver);

    const PageDrawing& drawing() const { return m_drawing; }
    int height() const { return m_height; }

    // "短款" for a drawer short of cash, "长款" for one over, "相符" when it matches.
    static QString differenceWord(const QString& difference);

private:
    PageDrawing m_drawing;
    int m_height = 0;
};

class ThermalSlip;

// The same hand-over slip for the thermal printer's roll of `columns` (32 or 48).
ThermalSlip HandOverThermalSlip(const HandOverSlipHeading& heading, const HandOver& handOver, int columns);
