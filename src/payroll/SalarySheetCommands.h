#pragma once

struct CommandContext;

void OpenSalarySheet(const CommandContext& context); // "打印工资表(&G)"
