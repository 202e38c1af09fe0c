#include "payroll/CommissionFormula.h"

#include "app/LeadingNumber.h"
#include "app/TypedNumber.h"

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

TypedFormulaReading ReadTypedFormula(const CommissionFormula& typed)
{
    const TypedRule perClock = TypedRule { 2, Decimal::whole(MaxUnitPriceYuan), true, true };
    const TypedRule count = TypedRule::count().orEmptyAsZero();
    TypedFormulaReading reading { typed, -1, {} };
    CommissionFormula& plain = reading.formula;
    const struct
    {
        QString* text;
        const char* field;
        const TypedRule& rule;
    } entries[] = {
        { &plain.massage1, "第1钟的提成", perClock },
        { &plain.massage2, "第2钟的提成", perClock },
        { &plain.massage3, "第3钟的提成", perClock },
        { &plain.massageall, "第4钟起的提成", perClock },
        { &plain.wash, "洗脚提成", perClock },
        { &plain.avertime, "送钟数", count },
    };
    for (int entry = 0; entry < int(std::size(entries)); ++entry) {
        const TypedReading read = ReadTyped(*entries[entry].text, entries[entry].rule);
        if (!read.ok()) {
            reading.refusedEntry = entry;
            reading.refusal
                = TypedRetypeText(read.problem, QString::fromUtf8(entries[entry].field), entries[entry].rule);
            return reading;
        }
        // The text as typed, only in plain digits: "10" stays "10", as the row always held it.
        *entries[entry].text = PlainTypedText(*entries[entry].text);
    }
    return reading;
}
