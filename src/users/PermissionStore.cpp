#include "users/PermissionStore.h"

#include "app/Database.h"
#include "users/Roles.h"

#include <QStringList>

namespace {

constexpr int AccountsFlag = 2; // str3
constexpr int PermissionsFlag = 3; // str4

} // namespace

QString PermissionRefusal(int role, const PermissionFlags& allowed)
{
    if (role == GeneralManager && !(allowed[AccountsFlag] && allowed[PermissionsFlag]))
        return QStringLiteral("总经理必须保留“允许用户帐号管理”和“允许权限设置”两项权限!");
    return {};
}

PermissionSave SaveAuthorityRow(Database& database, int role, const PermissionFlags& allowed)
{
    const QString refusal = PermissionRefusal(role, allowed);
    if (!refusal.isEmpty())
        return { false, refusal };
    const AuthorityRow stored = RowFromPermissions(allowed);
    QStringList assignments;
    QVariantList values;
    for (int i = 0; i < PermissionFlagCount; ++i) {
        assignments << QStringLiteral("str%1=?").arg(i + 1);
        values << stored[i];
    }
    values << role;
    const SqlResult updated = database.exec(
        QStringLiteral("UPDATE authority SET %1 WHERE id=?").arg(assignments.join(QStringLiteral(", "))), values);
    if (!updated.ok())
        return { false, updated.error };
    return { updated.rowsAffected > 0, {} };
}
