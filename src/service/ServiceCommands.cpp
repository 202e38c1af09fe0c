#include "service/ServiceCommands.h"

#include "desk/CommandContext.h"
#include "service/RoomServiceDialog.h"
#include "service/ServiceItemsDialog.h"
#include "service/ServicePricesDialog.h"

void OpenServicePrices(const CommandContext& context)
{
    ServicePricesDialog prices(context.services, context.window);
    prices.exec();
}

void OpenServiceItems(const CommandContext& context)
{
    ServiceItemsDialog items(context.services, context.window);
    items.exec();
}

RoomServiceOpener RoomServiceOpenerFor(const CommandContext& context)
{
    return [context](const RoomServiceRequest& request) {
        RoomServiceDialog dialog(context.services, request, context.window);
        dialog.exec();
        return dialog.outcome();
    };
}
