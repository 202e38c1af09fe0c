#pragma once

struct CommandContext;

// The main window's commands of payroll.

void OpenCommissionFormula(const CommandContext& context); // "提成公式设置(&T)"
