// How long the shift planner's "确定" takes for a house of 200 staff: one transaction of 401
// updates (a rest day and a shift for everyone, and the rotation rule).
//
//     build/bench/bench_shiftplan [rounds]

#include "app/DataFolder.h"
#include "app/Database.h"
#include "schedule/ShiftPlanStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    constexpr int StaffCount = 200;

    QTemporaryDir folder;
    Database database;
    if (!folder.isValid() || !database.create(DataFolder::databasePath(folder.path()))) {
        QTextStream(stderr) << "cannot create the database: " << database.lastError() << '\n';
        return 1;
    }
    ShiftPlan plan;
    for (int i = 0; i < StaffCount; ++i) {
        const QString number = QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        database.exec(QStringLiteral("INSERT INTO worksinfo (str1, str2, str9) VALUES (?, ?, ?)"),
            { number, QStringLiteral("技师%1").arg(i + 1), QStringLiteral("技师") });
        plan.restDays[static_cast<size_t>(i % 7)].append(number);
        (i % 2 == 0 ? plan.early : plan.late).append(number);
    }
    plan.rotation = 1;

    ShiftPlanStore store(database);
    store.save(plan); // warm the file and the caches
    QList<qint64> times;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const QString error = store.save(plan);
        times.append(timer.nsecsElapsed());
        if (!error.isEmpty()) {
            QTextStream(stderr) << "save failed: " << error << '\n';
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    QTextStream(stdout) << "shift plan of " << StaffCount << " staff (" << 2 * StaffCount + 1 << " updates), " << rounds
                        << " rounds: median " << QString::number(times[times.size() / 2] / 1e6, 'f', 2) << " ms, best "
                        << QString::number(times.first() / 1e6, 'f', 2) << " ms\n";
    return 0;
}
