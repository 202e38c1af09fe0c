#pragma once

struct CommandContext;

// The main window's commands of the interface skin.

void OpenAbout(const CommandContext& context); // "关于我们(&W)"
void OpenCalendar(const CommandContext& context); // "当前日期(&T)": today from the desk's clock
