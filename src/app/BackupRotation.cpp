#include "app/BackupRotation.h"

#include <QSet>

#include <algorithm>
#include <numeric>

namespace BackupRotation {

namespace {

int monthNumber(const QDate& day)
{
    return day.year() * 12 + day.month() - 1;
}

} // namespace

QList<qsizetype> toRemove(const QList<QDateTime>& taken, const QDateTime& now)
{
    QList<qsizetype> newestFirst(taken.size());
    std::iota(newestFirst.begin(), newestFirst.end(), 0);
    std::stable_sort(
        newestFirst.begin(), newestFirst.end(), [&taken](qsizetype a, qsizetype b) { return taken[a] > taken[b]; });

    const int thisMonth = monthNumber(now.date());
    QSet<int> monthsKept;
    QList<qsizetype> removed;
    for (qsizetype rank = 0; rank < newestFirst.size(); ++rank) {
        const qsizetype index = newestFirst[rank];
        // The newest backup of each of the kept months is the first one met in that month.
        const int month = monthNumber(taken[index].date());
        const bool monthly = month > thisMonth - KeptMonths && month <= thisMonth && !monthsKept.contains(month);
        if (monthly)
            monthsKept.insert(month);
        if (rank >= KeptNewest && !monthly)
            removed.append(index);
    }
    return removed;
}

} // namespace BackupRotation
