#pragma once

#include <QString>

// The installation is one data folder: data.db and the binary setting files beside it. The
// program makes the folder its current directory, so setting files are named relative to it.
namespace DataFolder {

inline constexpr QStringView DatabaseFileName = u"data.db";

// The user's application data folder.
QString defaultPath();

// Creates the folder when needed, checks that files can be created in it and makes it the
// current directory. False when any of that fails.
bool prepare(const QString& path);

QString databasePath(const QString& folder);

} // namespace DataFolder
