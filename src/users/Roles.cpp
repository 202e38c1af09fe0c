#include "users/Roles.h"

namespace {

const QStringList Names
    = { QStringLiteral("收银员"), QStringLiteral("部长"), QStringLiteral("经理"), QStringLiteral("总经理") };
const QStringList Tables
    = { QStringLiteral("cashier"), QStringLiteral("minister"), QStringLiteral("manager"), QStringLiteral("adm") };

} // namespace

QString RoleName(int level)
{
    return level >= 0 && level < Names.size() ? Names[level] : QString();
}

QString RoleAccountTable(int level)
{
    return level >= 0 && level < Tables.size() ? Tables[level] : QString();
}

int RoleFromName(const QString& name)
{
    return static_cast<int>(Names.indexOf(name));
}

QStringList RoleChoices()
{
    return { Names[GeneralManager], Names[Manager], Names[Minister], Names[Cashier] };
}
