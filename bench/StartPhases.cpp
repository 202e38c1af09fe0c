// Times the parts of the start's work in the background on a house's folder, one after the
// other on this thread, in CPU seconds and wall time: the quick check of every page, the walk of
// the chains since a day, the ledger and the member cards' balances, and the backup.
//
//     StartPhases --folder DIR [--since yyyy-MM-dd] [--target DIR] [--incremental] [--restore]
//
// With --incremental the backup holds only the pages changed since the newest whole copy in
// the target folder (when there is one). With --restore the backup is then prepared for a
// restore as the desk prepares one (decompressed, put together with its whole copy, every page
// compared, opened and checked), beside the database, and removed.
#include "app/Backups.h"
#include "app/CardBalanceProof.h"
#include "app/DatabaseCheck.h"
#include "app/RecordChain.h"
#include "app/TakingsLedger.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

namespace {

double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void timed(const char* what, const std::function<QString()>& work)
{
    QElapsedTimer wall;
    wall.start();
    const double cpu = cpuSeconds();
    const QString note = work();
    std::printf("%-40s %8lld ms %6.2f CPU-s %s\n", what, static_cast<long long>(wall.elapsed()), cpuSeconds() - cpu,
        qPrintable(note));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption folderOption(QStringLiteral("folder"), QStringLiteral("the house"), QStringLiteral("DIR"));
    const QCommandLineOption sinceOption(QStringLiteral("since"), QStringLiteral("day"), QStringLiteral("DAY"));
    const QCommandLineOption targetOption(QStringLiteral("target"), QStringLiteral("backups"), QStringLiteral("DIR"));
    const QCommandLineOption incrementalOption(QStringLiteral("incremental"), QStringLiteral("incremental backup"));
    const QCommandLineOption restoreOption(QStringLiteral("restore"), QStringLiteral("prepare the backup's restore"));
    parser.addOptions({ folderOption, sinceOption, targetOption, incrementalOption, restoreOption });
    parser.process(application);
    const QString folder = parser.value(folderOption);
    const QString path = QDir(folder).filePath(QStringLiteral("data.db"));
    const QDate since = parser.isSet(sinceOption) ? QDate::fromString(parser.value(sinceOption), Qt::ISODate)
                                                  : QDate::currentDate().addDays(-2);
    const QString sinceDay = since.toString(Qt::ISODate);
    const QString target
        = parser.isSet(targetOption) ? parser.value(targetOption) : QDir(folder).filePath(QStringLiteral("backup"));

    timed("quick_check", [&] {
        const auto verdict = DatabaseCheck::run(path, {}, DatabaseCheck::Depth::Quick, DatabaseCheck::Scope::Pages);
        return verdict.sound() ? QStringLiteral("sound") : verdict.problems.join(u';') + verdict.error;
    });
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("phases"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        timed("chains since", [&] {
            const RecordChain::Verdict chains = RecordChain::verify(db, sinceDay);
            return QStringLiteral("%1 log rows, %2 receipts %3")
                .arg(chains.logRows)
                .arg(chains.receipts)
                .arg(chains.error);
        });
        timed("ledger since", [&] {
            QString error;
            const QStringList differences = TakingsLedger::Differences(db, &error, sinceDay);
            return QStringLiteral("%1 differences %2").arg(differences.size()).arg(error);
        });
        timed("member card balances", [&] {
            QString error;
            const QStringList differences = CardBalanceDifferences(db, &error);
            return QStringLiteral("%1 differences %2").arg(differences.size()).arg(error);
        });
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("phases"));
    timed("whole daily check", [&] {
        const auto verdict
            = DatabaseCheck::run(path, {}, DatabaseCheck::Depth::Quick, DatabaseCheck::Scope::Whole, since);
        return verdict.sound() ? QStringLiteral("sound") : verdict.problems.join(u';') + verdict.error;
    });
    std::optional<Backups::Entry> backup;
    timed("backup", [&] {
        Backups::Options options;
        options.incremental = parser.isSet(incrementalOption);
        const Outcome<Backups::Entry> made = Backups::make(path, folder, target, QDateTime::currentDateTime(), options);
        if (!made)
            return made.text();
        backup = made.value();
        return QStringLiteral("%1 %2 %3 MB")
            .arg(made.value().path, made.value().incremental ? QStringLiteral("incremental") : QStringLiteral("whole"))
            .arg(double(Backups::sizeOf(made.value())) / 1e6, 0, 'f', 1);
    });
    if (backup && parser.isSet(restoreOption)) {
        timed("restore prepared", [&] {
            const QString candidate = path + QStringLiteral(".restore-check");
            const Backups::RestoreProblem problem = Backups::prepareRestore(backup->databasePath(), candidate);
            QFile::remove(candidate);
            return problem.error.isEmpty() ? QStringLiteral("sound") : problem.error;
        });
    }
    return 0;
}
