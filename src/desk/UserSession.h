#pragma once

#include <QString>

// Who is logged in: the role (0 cashier, 1 minister, 2 manager, 3 general manager), the
// display name shown in the status bar and the account (login id) the operator log names.
// Before the first login: role 0, "未登录", no account.
struct UserSession
{
    int role = 0;
    QString displayName = QStringLiteral("未登录");
    QString login;

    friend bool operator==(const UserSession&, const UserSession&) = default;
};
