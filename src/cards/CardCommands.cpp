#include "cards/CardCommands.h"

#include "app/MessageService.h"
#include "cards/CardManagementDialog.h"
#include "cards/CardReportDialog.h"
#include "cards/CardTopUpDialog.h"
#include "cards/TopUpRulesDialog.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "desk/DeskSession.h"

void OpenCardTopUp(const CommandContext& context, const QString& card)
{
    CardTopUpDialog dialog(context.services, card, context.window);
    dialog.exec();
}

void OpenCardTopUpCommand(const CommandContext& context)
{
    OpenCardTopUp(context);
}

void OpenCardManagement(const CommandContext& context)
{
    CardManagementDialog dialog(context.services, {}, context.window);
    dialog.exec();
}

void OpenTopUpRules(const CommandContext& context)
{
    if (context.services.session.userSession().role < 2) {
        context.services.messages.inform(QStringLiteral("充值规则只有经理或总经理可以设置,请用经理帐户登录!"));
        return;
    }
    TopUpRulesDialog dialog(context.services, context.window);
    dialog.exec();
}

void OpenCardReport(const CommandContext& context)
{
    CardReportDialog dialog(context.services, context.window);
    dialog.exec();
}
