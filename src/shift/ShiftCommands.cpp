#include "shift/ShiftCommands.h"

#include "desk/CommandContext.h"
#include "reports/QueryWindow.h"
#include "shift/HandOverHistoryWindow.h"
#include "shift/HandOverListing.h"

void OpenHandOverPrint(const CommandContext& context)
{
    HandOverListing shift(context.services);
    QueryWindow query(RecordKind::Receipts, QueryWindow::Mode::HandOver, context.services, context.window, &shift);
    query.exec();
}

void OpenHandOverHistory(const CommandContext& context)
{
    HandOverHistoryWindow history(context.services, context.window);
    history.exec();
}
