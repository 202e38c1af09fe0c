#pragma once

#include <QString>

// The installation is one data folder: data.db and the binary setting files beside it. The
// program makes the folder its current directory, so setting files are named relative to it.
namespace DataFolder {

inline constexpr QStringView DatabaseFileName = u"data.db";
// Held by the running desk for its whole life (see DataFolderLock).
inline constexpr QStringView LockFileName = u".tavrel.lock";

// The user's application data folder.
QString defaultPath();

// Creates the folder when it does not exist yet. False when it cannot be made or the path
// names something else.
bool make(const QString& path);
// Checks that files can be created in the folder and makes it the current directory.
bool enter(const QString& path);
// Both of the above.
bool prepare(const QString& path);

QString databasePath(const QString& folder);

} // namespace DataFolder
