#pragma once

#include "users/Permissions.h"

#include <QString>

class Database;

// The outcome of saving a role's authority row.
struct PermissionSave
{
    bool saved = false;
    // When not saved: the refusal or the database error text; empty when the role has no row.
    QString message;
};

// The general manager keeps "允许用户帐号管理" (str3) and "允许权限设置" (str4): without them
// nobody could ever manage accounts or permissions again. Returns the refusal, empty when the
// flags may be saved.
QString PermissionRefusal(int role, const PermissionFlags& allowed);

// Writes the flags of `role` into its authority row in the stored senses. A missing row is
// not created: nothing is written then.
PermissionSave SaveAuthorityRow(Database& database, int role, const PermissionFlags& allowed);
