#include "rooms/RoomCommands.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "rooms/GroupCountDialog.h"

void OpenGroupCount(const CommandContext& context)
{
    GroupCountDialog dialog(context.services, context.window);
    if (dialog.exec() == QDialog::Accepted)
        context.services.messages.inform(QStringLiteral("使设置有效，必须重新启动软件"));
}
