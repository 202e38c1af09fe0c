#include "service/ServiceCommands.h"

#include "desk/CommandContext.h"
#include "service/RoomServiceDialog.h"
#include "service/ServicePricesDialog.h"

void OpenServicePrices(const CommandContext& context)
{
    ServicePricesDialog prices(context.services, context.window);
    prices.exec();
}

RoomServiceOpener RoomServiceOpenerFor(const CommandContext& context)
{
    return [context](const RoomServiceRequest& request) {
        RoomServiceDialog dialog(context.services, request, context.window);
        dialog.exec();
        return dialog.outcome();
    };
}
