#include "users/UserCommands.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "desk/DeskSession.h"
#include "users/AccountDialog.h"
#include "users/LoginDialog.h"
#include "users/PermissionDialog.h"
#include "users/Roles.h"

namespace {

bool generalManagerOnly(const CommandContext& context, const QString& refusal)
{
    if (context.services.session.userSession().role == GeneralManager)
        return true;
    context.services.messages.inform(refusal);
    return false;
}

} // namespace

void OpenAccounts(const CommandContext& context)
{
    if (!generalManagerOnly(context, QStringLiteral("只有总经理帐户登录才能设置帐户!")))
        return;
    AccountDialog accounts(context.services, context.window);
    accounts.exec();
}

void OpenPermissions(const CommandContext& context)
{
    if (!generalManagerOnly(context, QStringLiteral("只有总经理帐户登录才能设置权限!")))
        return;
    PermissionDialog permissions(context.services, context.window);
    permissions.exec();
}

std::optional<LoginChoice> AskLogin(const CommandContext& context)
{
    LoginDialog dialog(context.services, context.window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return LoginChoice { dialog.role(), dialog.displayName() };
}
