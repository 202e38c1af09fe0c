#pragma once

struct CommandContext;

// The main window's commands of technician scheduling.

void OpenRota(const CommandContext& context); // "排钟"
void OpenTechnicianStatus(const CommandContext& context); // "技师状态"
// "员工上班时间安排(&T)"; its random plans are seeded from the clock.
void OpenShiftPlanner(const CommandContext& context);
