#pragma once

#include <QString>

#include <array>
#include <optional>

class Database;

// The twenty flags of an authority row. str1..str16 govern menu items and are stored as
// 0 = allowed, 1 = greyed; str17 (button 技师管理) and str18 (button 帐单查询) are stored the
// other way round: non-zero = allowed, 0 = disabled. str19 (menu item 服务项目设置), added
// later, is stored like the buttons, so that a row that never set it allows nothing; so is
// str20 (menu item 会员充值, the top-up of the member cards), added after it.
inline constexpr int PermissionFlagCount = 20;
inline constexpr int MenuFlagCount = 16;
inline constexpr int ServiceItemsFlag = 18; // str19
inline constexpr int CardTopUpFlag = 19; // str20

using AuthorityRow = std::array<int, PermissionFlagCount>; // stored values, str1..str20
using PermissionFlags = std::array<bool, PermissionFlagCount>; // allowed, str1..str20

PermissionFlags PermissionsFromRow(const AuthorityRow& stored);
AuthorityRow RowFromPermissions(const PermissionFlags& allowed);

// The authority row of `role`; nothing when the row is missing or the read failed (then
// `error` holds the database error text).
std::optional<AuthorityRow> LoadAuthorityRow(Database& database, int role, QString* error);
