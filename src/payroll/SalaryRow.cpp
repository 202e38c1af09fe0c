#include "payroll/SalaryRow.h"

#include "app/Money.h"

QString NetPayText(const QStringList& cells)
{
    // Each entry to the fen as it shows, so that the net pay is what the entries add up to.
    const auto amount = [&cells](int column) { return Money::fromText(cells.value(column)); };
    const int earned
        = cells.size() > SalaryColumn::CommissionTotal ? int(SalaryColumn::CommissionTotal) : int(SalaryColumn::Wage);
    return (amount(earned) + amount(SalaryColumn::Allowance) - amount(SalaryColumn::IncomeTax)
        - amount(SalaryColumn::Fine) - amount(SalaryColumn::WorkClothes) - amount(SalaryColumn::Advance))
        .text();
}

QString SalarySheetTitle(QDate periodStart)
{
    return QStringLiteral("%1 月 份 工 资").arg(periodStart.month());
}
