#include "desk/DailyCheck.h"

#include "app/DurableFile.h"
#include "desk/BusinessDay.h"

#include <QFile>

namespace DailyCheck {

namespace {

constexpr QStringView DayFormat = u"yyyy-MM-dd";

// The mark: "yyyy-MM-dd thorough yyyy-MM-dd", the business days of the last sound check and of
// the last sound integrity check.
struct Mark
{
    QDate checked;
    QDate thorough;
};

std::optional<Mark> readMark(const QString& databasePath)
{
    const std::optional<QByteArray> bytes = DurableFile::readRegular(markPath(databasePath), 128);
    if (!bytes)
        return std::nullopt;
    const QStringList words = QString::fromLatin1(bytes->trimmed()).split(u' ');
    if (words.size() != 3 || words[1] != u"thorough")
        return std::nullopt;
    Mark mark { QDate::fromString(words[0], DayFormat), QDate::fromString(words[2], DayFormat) };
    if (!mark.checked.isValid() || !mark.thorough.isValid())
        return std::nullopt;
    return mark;
}

} // namespace

std::optional<DatabaseCheck::Depth> due(const QString& databasePath, const QDateTime& now, bool afterCrash)
{
    const std::optional<Mark> mark = readMark(databasePath);
    const QDate today = BusinessDayOf(now);
    // A day to come (the clock was set back) holds nothing.
    if (afterCrash || !mark || mark->thorough > today
        || today.toJulianDay() - mark->thorough.toJulianDay() >= DaysBetweenThoroughChecks)
        return DatabaseCheck::Depth::Thorough;
    if (mark->checked != today)
        return DatabaseCheck::Depth::Quick;
    return std::nullopt;
}

std::optional<QDate> lastSound(const QString& databasePath)
{
    const std::optional<Mark> mark = readMark(databasePath);
    if (!mark)
        return std::nullopt;
    return mark->checked;
}

bool markSound(const QString& databasePath, const QDateTime& now, DatabaseCheck::Depth depth)
{
    const QDate today = BusinessDayOf(now);
    QDate thorough = today;
    if (depth != DatabaseCheck::Depth::Thorough) {
        const std::optional<Mark> mark = readMark(databasePath);
        if (!mark)
            return false;
        thorough = mark->thorough;
    }
    const QString text = today.toString(DayFormat) + u" thorough " + thorough.toString(DayFormat) + u'\n';
    return DurableFile::replace(markPath(databasePath), text.toLatin1());
}

void forget(const QString& databasePath)
{
    QFile::remove(markPath(databasePath));
}

} // namespace DailyCheck
