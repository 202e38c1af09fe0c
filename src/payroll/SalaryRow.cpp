#include "payroll/SalaryRow.h"

#include "app/Money.h"

QString NetPayText(const QStringList& cells)
{
    // Each entry to the fen as it shows, so that the net pay is what the entries add up to.
    const auto amount = [&cells](int column) { return Money::fromText(cells.value(column)); };
    return (amount(SalaryColumn::Wage) + amount(SalaryColumn::Allowance) - amount(SalaryColumn::IncomeTax)
        - amount(SalaryColumn::Fine) - amount(SalaryColumn::WorkClothes) - amount(SalaryColumn::Advance))
        .text();
}

QString SalarySheetTitle(QDate periodStart)
{
    return QStringLiteral("%1 月 份 工 资").arg(periodStart.month());
}
