#pragma once

#include "app/Money.h"

#include <QString>

// A technician's commission on one bill, kept as the texts of row 2003 of jstichen: an amount
// for his 1st, 2nd and 3rd massage clock and for every clock from the 4th on, a free clock
// paid at that last rate for every `avertime` clocks, and an amount per foot-wash clock. The
// texts are stored as typed; the amounts are read by the leading-number rule, so a text that
// is not a number counts 0.
struct CommissionFormula
{
    QString massage1;
    QString massage2;
    QString massage3;
    QString massageall;
    QString wash;
    QString avertime;

    // The commission for `massageClocks` massage and `footWashClocks` foot-wash clocks.
    Money commission(int massageClocks, int footWashClocks) const;
    // As stored in salaryform.salary: "%.2f".
    QString commissionText(int massageClocks, int footWashClocks) const;

    friend bool operator==(const CommissionFormula&, const CommissionFormula&) = default;
};

// The six entries of the formula dialog, read strictly as typed: the five amounts in yuan to
// the fen, up to the sane limit of a price per clock, and the free-clock count as a whole
// count; full-width digits count as digits and an empty entry counts 0, as before.
struct TypedFormulaReading
{
    CommissionFormula formula; // the texts to store, in plain digits ("１５．５" as "15.5")
    int refusedEntry = -1; // the first refused entry in the order of the fields; -1 for none
    QString refusal; // why, as the dialog says it: "第2钟的提成不是一个数字,请重新输入!"

    bool ok() const { return refusedEntry < 0; }
};
TypedFormulaReading ReadTypedFormula(const CommissionFormula& typed);
