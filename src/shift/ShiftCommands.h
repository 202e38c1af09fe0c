#pragma once

struct CommandContext;

// The main window's commands of the cashier's shift.

// "交班入帐情况打印(&D)  Ctrl+D" and the button "交班打印": the receipts of the shift, printed,
// then handed over with a counted drawer.
void OpenHandOverPrint(const CommandContext& context);
// "交班记录查询(&H)": the shifts handed over, their slips viewed and printed again.
void OpenHandOverHistory(const CommandContext& context);
