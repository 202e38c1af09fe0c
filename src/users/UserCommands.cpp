#include "users/UserCommands.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "users/AccountDialog.h"
#include "users/LoginDialog.h"
#include "users/OperatorLogWindow.h"
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
    return LoginChoice { dialog.role(), dialog.displayName(), dialog.account() };
}

void RecordLogin(const CommandContext& context)
{
    AppServices& services = context.services;
    const UserSession& user = services.session.userSession();
    const LogEntry entry { .kind = LogKind::Login,
        .description = QStringLiteral("%1%2登录").arg(RoleName(user.role), user.displayName) };
    if (const QString error = OperatorLog(services.database, services.session).write(entry); !error.isEmpty())
        services.messages.inform(error, {}, MessageService::Icon::Warning);
}

void OpenOperatorLog(const CommandContext& context)
{
    if (!generalManagerOnly(context, QStringLiteral("只有总经理帐户登录才能查看操作日志!")))
        return;
    OperatorLogWindow log(context.services, context.window);
    log.exec();
}
