#pragma once

#include "app/DatabaseCheck.h"

#include <QDateTime>
#include <QString>

#include <optional>

// How thoroughly the start checks the database file. A file found sound holds for the rest of
// its business day: the first start of a business day reads every page (quick check) and walks
// the chains and the ledger of the days since the last sound check; a start after a desk that
// did not close, the first start after a week without one, and a start with no sound check on
// record also compare every index with its table (integrity check) and walk every row; the
// other starts of the day check nothing more than what every open checks. The days of the last
// sound checks are kept beside the database (MarkSuffix), so that they are per desk and go
// with the file.
namespace DailyCheck {

inline constexpr QStringView MarkSuffix = u"-checked";
inline constexpr int DaysBetweenThoroughChecks = 7;

inline QString markPath(const QString& databasePath)
{
    return databasePath + MarkSuffix;
}

// The check due at a start at `now`; nothing when the file was found sound earlier in this
// business day. `afterCrash`: the desk before this one did not close (Database::logFoundAtOpen).
std::optional<DatabaseCheck::Depth> due(const QString& databasePath, const QDateTime& now, bool afterCrash);

// The business day of the last check that found the file sound, if one is on record: the
// daily check walks what was written since that day's start, the thorough one everything.
std::optional<QDate> lastSound(const QString& databasePath);

// Notes that a check of `depth` found the file sound at `now`. False when the note could not be
// written (the next start then checks again).
bool markSound(const QString& databasePath, const QDateTime& now, DatabaseCheck::Depth depth);

// Forgets the last sound check, so that the next start checks again (a damaged file, or a file
// put in place of the one that was checked).
void forget(const QString& databasePath);

} // namespace DailyCheck
