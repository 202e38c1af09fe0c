#pragma once

#include <QString>
#include <QStringList>

// The four roles; the level is also the id of the role's authority row.
enum RoleLevel { Cashier = 0, Minister = 1, Manager = 2, GeneralManager = 3 };

// "收银员", "部长", "经理", "总经理".
QString RoleName(int level);
// The account table of the role: cashier, minister, manager, adm.
QString RoleAccountTable(int level);
// The level of a role name; -1 for any other text.
int RoleFromName(const QString& name);
// The role list of the login, account and permission dialogs: 总经理, 经理, 部长, 收银员.
QStringList RoleChoices();
