#include "payroll/SalaryRow.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"

QString NetPayText(const QStringList& cells)
{
    const auto amount = [&cells](int column) { return LeadingReal(cells.value(column)); };
    return AmountText(amount(SalaryColumn::Wage) + amount(SalaryColumn::Allowance) - amount(SalaryColumn::IncomeTax)
        - amount(SalaryColumn::Fine) - amount(SalaryColumn::WorkClothes) - amount(SalaryColumn::Advance));
}

QString SalarySheetTitle(QDate periodStart)
{
    return QStringLiteral("%1 月 份 工 资").arg(periodStart.month());
}
