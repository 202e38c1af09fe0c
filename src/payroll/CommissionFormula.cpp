#include "payroll/CommissionFormula.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"

double CommissionFormula::commission(int massageClocks, int footWashClocks) const
{
    const int m = massageClocks;
    const double laterClock = LeadingReal(massageall); // from the 4th clock on, and every free clock
    double massage = 0.0;
    if (m >= 1)
        massage += LeadingReal(massage1);
    if (m >= 2)
        massage += LeadingReal(massage2);
    if (m >= 3)
        massage += LeadingReal(massage3);
    if (m >= 4)
        massage += (m - 3) * laterClock;

    // One free clock for every full `avertime` clocks; a formula without a positive count
    // gives none rather than dividing by it.
    const int perFreeClock = LeadingInt(avertime);
    if (perFreeClock > 0 && m >= perFreeClock)
        massage += (m / perFreeClock) * laterClock;

    return massage + footWashClocks * LeadingReal(wash);
}

QString CommissionFormula::commissionText(int massageClocks, int footWashClocks) const
{
    return AmountText(commission(massageClocks, footWashClocks));
}
