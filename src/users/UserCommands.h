#pragma once

#include <QString>

#include <optional>

struct CommandContext;

// The main window's commands of users and permissions.

// "用户帐号管理(&Y)" and "权限设置(&Q)": for the general manager only; any other role is told
// so and nothing opens.
void OpenAccounts(const CommandContext& context);
void OpenPermissions(const CommandContext& context);

// Who logged in through the login dialog.
struct LoginChoice
{
    int role = 0;
    QString displayName;
    QString login;
};

// Runs the login dialog; nothing when it was cancelled. The main window takes the login into
// the session and applies the role's permissions.
std::optional<LoginChoice> AskLogin(const CommandContext& context);
// Adds the login taken into the session to the operator log; a failed write is shown.
void RecordLogin(const CommandContext& context);

// "操作日志": the operator log, for the general manager only.
void OpenOperatorLog(const CommandContext& context);
