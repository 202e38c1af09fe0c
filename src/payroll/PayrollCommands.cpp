#include "payroll/PayrollCommands.h"

#include "desk/CommandContext.h"
#include "payroll/CommissionFormulaDialog.h"

void OpenCommissionFormula(const CommandContext& context)
{
    CommissionFormulaDialog formula(context.services, context.window);
    formula.exec();
}
