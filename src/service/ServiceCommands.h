#pragma once

#include "rooms/RoomServiceExchange.h"

struct CommandContext;

// The main window's commands of service and checkout.

// "价格设置(&J)": the service prices and the member discount.
void OpenServicePrices(const CommandContext& context);

// "服务项目设置(&X)": the menu of service items, their prices, minutes and commissions.
void OpenServiceItems(const CommandContext& context);

// What a click on a room's lamp opens: the room service dialog, run over the context's
// window, returning how it ended.
RoomServiceOpener RoomServiceOpenerFor(const CommandContext& context);
