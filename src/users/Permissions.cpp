#include "users/Permissions.h"

#include "app/Database.h"

PermissionFlags PermissionsFromRow(const AuthorityRow& stored)
{
    PermissionFlags allowed {};
    for (int i = 0; i < PermissionFlagCount; ++i)
        allowed[i] = i < MenuFlagCount ? stored[i] == 0 : stored[i] != 0;
    return allowed;
}

AuthorityRow RowFromPermissions(const PermissionFlags& allowed)
{
    AuthorityRow stored {};
    for (int i = 0; i < PermissionFlagCount; ++i)
        stored[i] = i < MenuFlagCount ? (allowed[i] ? 0 : 1) : (allowed[i] ? 1 : 0);
    return stored;
}

std::optional<AuthorityRow> LoadAuthorityRow(Database& database, int role, QString* error)
{
    const SqlResult result = database.exec(QStringLiteral("SELECT * FROM authority WHERE id=?"), { role });
    if (error)
        *error = result.error;
    if (!result.ok() || result.isEmpty())
        return std::nullopt;
    AuthorityRow row {};
    for (int i = 0; i < PermissionFlagCount; ++i)
        row[i] = static_cast<qint16>(result.first().value(QStringLiteral("str%1").arg(i + 1)).toInt());
    return row;
}
