#pragma once

#include <QDateTime>
#include <QList>

// Which backups the desk keeps: the 30 newest, and the newest of each of the twelve months up
// to this one, so that a year can be gone back month by month. Given the moments of the
// backups there are (in any order), returns the indexes of those to remove, in no particular
// order.
namespace BackupRotation {

inline constexpr int KeptNewest = 30;
inline constexpr int KeptMonths = 12;

QList<qsizetype> toRemove(const QList<QDateTime>& taken, const QDateTime& now);

} // namespace BackupRotation
