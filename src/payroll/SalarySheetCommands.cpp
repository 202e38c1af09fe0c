#include "payroll/SalarySheetCommands.h"

#include "desk/CommandContext.h"
#include "payroll/SalarySheetDialog.h"

void OpenSalarySheet(const CommandContext& context)
{
    SalarySheetDialog sheet(context.services, context.window);
    sheet.exec();
}
