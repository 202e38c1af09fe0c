#include "payroll/CommissionFormula.h"

#include "app/LeadingNumber.h"

Money CommissionFormula::commission(int massageClocks, int footWashClocks) const
{
    // Each per-clock amount is read as it prints, to the fen; counts multiply it exactly.
    const int m = massageClocks;
    const Money laterClock = Money::fromText(massageall); // from the 4th clock on, and every free clock
    Money massage;
    if (m >= 1)
        massage += Money::fromText(massage1);
    if (m >= 2)
        massage += Money::fromText(massage2);
    if (m >= 3)
        massage += Money::fromText(massage3);
    if (m >= 4)
        massage += (m - 3) * laterClock;

    // One free clock for every full `avertime` clocks; a formula without a positive count
    // gives none rather than dividing by it.
    const int perFreeClock = LeadingInt(avertime);
    if (perFreeClock > 0 && m >= perFreeClock)
        massage += (m / perFreeClock) * laterClock;

    return massage + footWashClocks * Money::fromText(wash);
}

QString CommissionFormula::commissionText(int massageClocks, int footWashClocks) const
{
    return commission(massageClocks, footWashClocks).text();
}
