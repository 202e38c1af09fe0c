#include "skin/SkinCommands.h"

#include "app/Clock.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "skin/AboutDialog.h"
#include "skin/CalendarDialog.h"

void OpenAbout(const CommandContext& context)
{
    AboutDialog about(context.window);
    about.exec();
}

void OpenCalendar(const CommandContext& context)
{
    CalendarDialog calendar(context.services.clock.now().date(), context.window);
    calendar.exec();
}
