#include "schedule/ScheduleCommands.h"

#include "app/Clock.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "schedule/RandomSource.h"
#include "schedule/RotaDialog.h"
#include "schedule/ShiftPlannerDialog.h"
#include "schedule/TechnicianStatusDialog.h"

void OpenRota(const CommandContext& context)
{
    RotaDialog rota(context.services, context.window);
    rota.exec();
}

void OpenTechnicianStatus(const CommandContext& context)
{
    TechnicianStatusDialog board(context.services, context.window);
    board.exec();
}

void OpenShiftPlanner(const CommandContext& context)
{
    SeededRandomSource random(static_cast<quint32>(context.services.clock.now().toSecsSinceEpoch()));
    ShiftPlannerDialog planner(context.services, random, context.window);
    planner.exec();
}
