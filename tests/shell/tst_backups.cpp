#include "app/BackupRotation.h"
#include "app/Backups.h"
#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "rooms/RoomState.h"
#include "service/CheckoutDialog.h"
#include "service/ServiceTestData.h"
#include "shell/BackupDialog.h"
#include "shell/DeskApplication.h"
#include "shell/DeskBackups.h"
#include "shell/MainWindow.h"
#include "shell/RestoreDialog.h"
#include "support/DeskFixture.h"
#include "users/Roles.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSqlRecord>
#include <QtTest>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString Room = u"102"_s;
const QDateTime Today(QDate(2026, 12, 7), QTime(12, 0));

QDateTime At(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), u"yyyy-MM-dd HH:mm"_s);
}

// The rows of `table` in a database file, each as its cells joined, in the order of `order`.
QStringList Rows(const QString& databasePath, const QString& table, const QString& order = u"rowid"_s)
{
    Database database;
    if (!database.open(databasePath))
        qFatal("cannot open %s: %s", qPrintable(databasePath), qPrintable(database.lastError()));
    QStringList rows;
    const SqlResult result = database.exec(u"SELECT * FROM %1 ORDER BY %2"_s.arg(table, order));
    for (const QSqlRecord& row : result.rows) {
        QStringList cells;
        for (int i = 0; i < row.count(); ++i)
            cells << row.value(i).toString();
        rows << cells.join(u'|');
    }
    return rows;
}

int Count(Database& database, const QString& table)
{
    return database.scalar(u"SELECT count(*) FROM %1"_s.arg(table)).toInt();
}

void AddReceipt(Database& database, qint64 id, const QDateTime& time, const QString& total)
{
    const SqlResult added
        = database.exec(u"INSERT INTO Receiptform (id, housnum, alljine, paytype, cashier, time, paymethod) "
                        "VALUES (?, '101', ?, '普通', 'c1', ?, '现金')"_s,
            { id, total, DateTimeText(time) });
    if (!added.ok())
        qFatal("cannot add receipt %lld: %s", id, qPrintable(added.error));
}

// Answers the next restore dialog: chooses the backup on `row` and presses "恢复", the
// question answered with `confirm`; `shown` gets what the dialog said of the backup.
void RestoreWhenAsked(ScriptedMessageService& messages, int row, QString* shown)
{
    WhenDialogOpens<RestoreDialog>([&messages, row, shown](RestoreDialog* dialog) {
        Child<QListWidget>(dialog, u"backupList"_s)->setCurrentRow(row);
        *shown = Child<QLabel>(dialog, u"contentsLabel"_s)->text();
        messages.queueAnswer(true);
        Click(dialog, u"restoreButton"_s);
        if (dialog->isVisible())
            Click(dialog, u"cancelButton"_s);
    });
}

} // namespace

// The backups: taken consistently while the desk writes, rotated to the last 30 and one a month
// for a year, and put back by "数据恢复" with the desk's own data kept first.
class BackupsTest : public QObject
{
    Q_OBJECT

private slots:
    void rotationKeepsThirtyAndOneAMonth_data()
    {
        QTest::addColumn<QList<QDateTime>>("taken");
        QTest::addColumn<QList<QDateTime>>("removed");

        QList<QDateTime> daily;
        for (int day = 89; day >= 0; --day)
            daily << Today.addDays(-day);
        // The 30 newest are Nov 8 to Dec 7; of October and September the last day stays.
        QList<QDateTime> dailyRemoved;
        for (const QDateTime& taken : std::as_const(daily)) {
            if (taken < At("2026-11-08 12:00") && taken != At("2026-10-31 12:00") && taken != At("2026-09-30 12:00"))
                dailyRemoved << taken;
        }
        QTest::newRow("daily for 90 days") << daily << dailyRemoved;

        QList<QDateTime> hourly;
        for (int hour = 0; hour < 40; ++hour)
            hourly << Today.addSecs(-3600 * hour);
        QTest::newRow("hourly, one month") << hourly << hourly.mid(30);

        // Beyond the newest 30: January is within the year and stays, last December does not.
        QList<QDateTime> old;
        for (int hour = 0; hour < 30; ++hour)
            old << Today.addSecs(-3600 * hour);
        old << At("2026-01-15 10:00") << At("2026-01-02 10:00") << At("2025-12-20 10:00") << At("2025-06-01 10:00");
        QTest::newRow("a year back") << old
                                     << QList<QDateTime> { At("2026-01-02 10:00"), At("2025-12-20 10:00"),
                                            At("2025-06-01 10:00") };
        QTest::newRow("thirty or fewer") << daily.mid(60) << QList<QDateTime>();
    }

    void rotationKeepsThirtyAndOneAMonth()
    {
        QFETCH(QList<QDateTime>, taken);
        QFETCH(QList<QDateTime>, removed);
        QList<QDateTime> shuffled = taken; // the order of the folder listing does not matter
        std::reverse(shuffled.begin(), shuffled.end());
        QList<QDateTime> actual;
        for (qsizetype index : BackupRotation::toRemove(shuffled, Today))
            actual << shuffled[index];
        std::sort(actual.begin(), actual.end());
        std::sort(removed.begin(), removed.end());
        QCOMPARE(actual, removed);
    }

    // The folders themselves: old regular backups go, a backup made before a restore and
    // anything that is no backup stay.
    void rotationRemovesOnlyOldBackups()
    {
        QTemporaryDir folder;
        const auto makeBackup = [&folder](const QString& name) {
            QVERIFY(QDir(folder.path()).mkpath(name));
            QFile file(folder.filePath(name + u"/data.db"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
        };
        for (int hour = 0; hour < 33; ++hour)
            makeBackup(u"tavrel-"_s + Today.addSecs(-3600 * hour).toString(u"yyyyMMdd-HHmmss"_s));
        makeBackup(u"tavrel-20261201-080000-before-restore"_s);
        QVERIFY(QDir(folder.path()).mkpath(u"my-notes"_s));
        QStringList removed;
        QVERIFY(Backups::rotate(folder.path(), Today, &removed).isEmpty());
        QCOMPARE(removed.size(), 3);
        const QList<Backups::Entry> left = Backups::list(folder.path());
        QCOMPARE(left.size(), 31);
        QCOMPARE(left.first().taken, Today);
        QCOMPARE(left.last().kind, Backups::Kind::BeforeRestore);
        QVERIFY(QDir(folder.filePath(u"my-notes"_s)).exists());
    }

    // A backup taken while a settlement is being written holds what was committed before it:
    // the bill is in it whole or not at all, and every page of it checks out.
    void aBackupDuringASettlementHoldsTheBillWholeOrNotAtAll()
    {
        TestEnvironment env;
        PrepareHouse(env);
        OpenRoom(env, Room, { u"02"_s, u"01"_s }, 2, 1, 0, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
        const QString backups = env.filePath(u"backup"_s);
        std::optional<Backups::Entry> during;
        {
            SqlTransaction writing(env.database);
            QVERIFY(writing.isActive());
            CheckoutDialog checkout(env.services, Room);
            Click(&checkout, u"buttonSettle"_s);
            QVERIFY(checkout.isSettled());
            QCOMPARE(Count(env.database, u"Receiptform"_s), 1); // written, not committed yet
            const Outcome<Backups::Entry> made
                = Backups::make(env.database.filePath(), env.folder(), backups, env.clock.now());
            QVERIFY2(made, qPrintable(made.text()));
            during = made.value();
            QVERIFY(writing.commit());
        }
        env.clock.advanceSeconds(1);
        const Outcome<Backups::Entry> after
            = Backups::make(env.database.filePath(), env.folder(), backups, env.clock.now());
        QVERIFY(after);

        for (const Backups::Entry& entry : { *during, after.value() }) {
            QVERIFY(Backups::problems(entry.databasePath()).isEmpty());
            QVERIFY(QFile::exists(QDir(entry.path).filePath(ServiceSettings::FileName.toString())));
        }
        Database before;
        QVERIFY(before.open(during->databasePath()));
        QCOMPARE(Count(before, u"Receiptform"_s), 0);
        QCOMPARE(Count(before, u"salaryform"_s), 0);
        QCOMPARE(Count(before, u"spsalay"_s), 0);
        QCOMPARE(Count(before, u"operator_log"_s), 0);
        QCOMPARE(Count(before, u"desk_bill"_s), 1);
        QCOMPARE(before.scalar(u"SELECT str6 FROM kucheninfo WHERE str2='啤酒'"_s).toString(), u"15"_s);
        Database settled;
        QVERIFY(settled.open(after.value().databasePath()));
        QCOMPARE(Count(settled, u"Receiptform"_s), 1);
        QCOMPARE(Count(settled, u"salaryform"_s), 2);
        QCOMPARE(Count(settled, u"spsalay"_s), 1);
        QCOMPARE(Count(settled, u"operator_log"_s), 1);
        QCOMPARE(Count(settled, u"desk_bill"_s), 0);
        QCOMPARE(settled.scalar(u"SELECT str6 FROM kucheninfo WHERE str2='啤酒'"_s).toString(), u"12"_s);
    }

    // A backup that cannot be written leaves nothing that looks like one.
    void aFailedBackupLeavesNoBackup()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString backups = env.filePath(u"backup"_s);
        const Outcome<Backups::Entry> made
            = Backups::make(env.filePath(u"missing.db"_s), env.folder(), backups, env.clock.now());
        QVERIFY(!made);
        QVERIFY(Backups::list(backups).isEmpty());
        QVERIFY(QDir(backups).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }

    // "数据恢复" of yesterday's backup brings back exactly yesterday's rows; today's data is kept
    // as a backup first, and the desk goes on, on the restored data.
    void aRestoreBringsBackYesterday()
    {
        DeskFixture desk(At("2026-12-06 23:00"));
        QVERIFY(desk.start());
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        AddReceipt(desk.database(), 1, At("2026-12-06 10:00"), u"100.00"_s);
        AddReceipt(desk.database(), 2, At("2026-12-06 20:00"), u"80.00"_s);
        DeskBackups& backups = desk.application().backups();
        const Outcome<Backups::Entry> yesterday = backups.backUpNow(backups.folder());
        QVERIFY2(yesterday, qPrintable(yesterday.text()));
        const QStringList yesterdaysReceipts = Rows(yesterday.value().databasePath(), u"Receiptform"_s);
        QCOMPARE(yesterdaysReceipts.size(), 2);
        const QStringList tables { u"salaryform"_s, u"spsalay"_s, u"kucheninfo"_s, u"worksinfo"_s, u"handover"_s,
            u"desk_room"_s, u"desk_bill"_s };
        QList<QStringList> yesterdaysRows;
        for (const QString& table : tables)
            yesterdaysRows << Rows(yesterday.value().databasePath(), table);

        desk.clock.set(At("2026-12-07 15:00"));
        AddReceipt(desk.database(), 3, At("2026-12-07 11:00"), u"60.00"_s);
        AddReceipt(desk.database(), 4, At("2026-12-07 14:00"), u"40.00"_s);
        QVERIFY(desk.session().markGuestIn(u"105"_s).ok());
        QVERIFY(desk.database().exec(u"INSERT INTO worksinfo (str1, str2) VALUES ('09', '今天来的')"_s).ok());
        MainWindow* before = &desk.window();

        QString shown;
        RestoreWhenAsked(desk.messages, 0, &shown);
        before->action(MainWindow::Command::Restore)->trigger();
        QTRY_VERIFY(&desk.window() != before);
        QCOMPARE(
            shown, u"备份时间: 2026-12-06 23:00:00\n单据: 2张\n最后一张单据: NO:002  2026-12-06 20:00:00  80.00元"_s);
        QVERIFY2(desk.messages.lastText().startsWith(u"数据已恢复到 2026-12-06 23:00:00 的备份。"_s),
            qPrintable(desk.messages.lastText()));

        const QString databasePath = desk.database().filePath();
        QCOMPARE(Rows(databasePath, u"Receiptform"_s), yesterdaysReceipts);
        for (qsizetype i = 0; i < tables.size(); ++i)
            QCOMPARE(Rows(databasePath, tables[i]), yesterdaysRows[i]);
        QCOMPARE(desk.session().roomState(u"105"_s), RoomState::Idle); // the live state came back too
        QCOMPARE(desk.session().userSession().role, int(GeneralManager));
        QCOMPARE(desk.database()
                     .scalar(u"SELECT count(*) FROM operator_log WHERE kind='数据恢复' AND login='admin'"_s)
                     .toInt(),
            1);

        // Today's data was backed up first, whole.
        const QList<Backups::Entry> all = Backups::list(backups.folder());
        QCOMPARE(all.size(), 2);
        QCOMPARE(all.first().kind, Backups::Kind::BeforeRestore);
        QCOMPARE(Rows(all.first().databasePath(), u"Receiptform"_s).size(), 4);

        // The restored desk takes bills again, after yesterday's last number.
        AddReceipt(desk.database(), 3, At("2026-12-07 15:30"), u"10.00"_s);
        QCOMPARE(Count(desk.database(), u"Receiptform"_s), 3);
    }

    void aCorruptBackupIsRefused_data()
    {
        QTest::addColumn<bool>("header"); // the file's start overwritten, or pages in its middle
        QTest::newRow("not a database") << true;
        QTest::newRow("damaged pages") << false;
    }

    void aCorruptBackupIsRefused()
    {
        QFETCH(bool, header);
        DeskFixture desk(At("2026-12-06 23:00"));
        QVERIFY(desk.start());
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        for (int id = 1; id <= 400; ++id)
            AddReceipt(desk.database(), id, At("2026-12-06 10:00"), u"100.00"_s);
        DeskBackups& backups = desk.application().backups();
        const Outcome<Backups::Entry> made = backups.backUpNow(backups.folder());
        QVERIFY(made);
        {
            QFile file(made.value().databasePath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.size() > 16 * 4096);
            file.seek(header ? 0 : 8 * 4096);
            file.write(QByteArray(header ? 100 : 4 * 4096, 'Z'));
        }
        desk.clock.set(At("2026-12-07 15:00"));
        AddReceipt(desk.database(), 401, At("2026-12-07 11:00"), u"60.00"_s);
        const QStringList todays = Rows(desk.database().filePath(), u"Receiptform"_s);
        MainWindow* window = &desk.window();

        QString shown;
        RestoreWhenAsked(desk.messages, 0, &shown);
        window->action(MainWindow::Command::Restore)->trigger();
        QTRY_VERIFY(desk.messages.texts().size() >= 1);
        QTest::qWait(50);
        QVERIFY2(desk.messages.lastText().startsWith(u"这个备份已损坏,不能用来恢复数据。"_s),
            qPrintable(desk.messages.lastText()));
        QCOMPARE(&desk.window(), window); // the desk goes on as it was
        QCOMPARE(Rows(desk.database().filePath(), u"Receiptform"_s), todays);
        QCOMPARE(Backups::list(backups.folder()).size(), 1); // no backup before a restore that did not happen
    }

    // Only the general manager backs up and restores.
    void onlyTheGeneralManager()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.window().takeLogin(Manager, u"经理"_s, u"g1"_s);
        desk.window().action(MainWindow::Command::Backup)->trigger();
        desk.window().action(MainWindow::Command::Restore)->trigger();
        QCOMPARE(desk.messages.texts(),
            (QStringList { u"只有总经理帐户登录才能备份数据!"_s, u"只有总经理帐户登录才能恢复数据!"_s }));
    }

    // "立即备份" into another folder, and the windows to look at.
    // The start's backup follows the thorough check of the file, and only a file found sound
    // is backed up.
    void theStartIsBackedUpOnceTheFileIsFoundSound()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        const QString folder = desk.application().backups().folder();
        QVERIFY(Backups::list(folder).isEmpty());
        desk.application().showBoard(); // the check starts once the board is painted
        QTRY_VERIFY_WITH_TIMEOUT(Backups::list(folder).size() == 1, 60000);
        QVERIFY(!desk.application().isCheckingDatabase());
        QVERIFY(desk.messages.shown().isEmpty());
    }

    void backingUpNow()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        QTemporaryDir stick;
        BackupDialog dialog(desk.application().services(), desk.application().backups());
        QVERIFY(ShowOnScreen(dialog));
        TypeInto(Child<QLineEdit>(&dialog, u"folderEdit"_s), stick.path());
        Click(&dialog, u"backUpButton"_s);
        QCOMPARE(Backups::list(stick.path()).size(), 1);
        QVERIFY(desk.messages.lastText().startsWith(u"备份完成"_s));
        QCOMPARE(desk.database().scalar(u"SELECT count(*) FROM operator_log WHERE kind='数据备份'"_s).toInt(), 1);
        TypeInto(Child<QLineEdit>(&dialog, u"folderEdit"_s), desk.application().backups().folder());
        Click(&dialog, u"backUpButton"_s);
        QCOMPARE(Child<QListWidget>(&dialog, u"backupList"_s)->count(), 1);
        for (const int width : { 1366, 1024 }) {
            dialog.resize(std::min(width - 200, 760), 460);
            QVERIFY(dialog.grab().save(TestOutputPath(u"backup-dialog-%1.png"_s.arg(width))));
        }
        RestoreDialog restore(desk.application().services(), desk.application().backups().folder());
        QVERIFY(ShowOnScreen(restore));
        Child<QListWidget>(&restore, u"backupList"_s)->setCurrentRow(0);
        for (const int width : { 1366, 1024 }) {
            restore.resize(std::min(width - 200, 760), 460);
            QVERIFY(restore.grab().save(TestOutputPath(u"restore-dialog-%1.png"_s.arg(width))));
        }
    }

    // A desk killed in the middle of a backup leaves only whole backups behind: what it was
    // writing is no backup, and the next backup clears it away.
    void aKilledBackupLeavesOnlyWholeBackups()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"BEGIN"_s);
        for (int id = 1; id <= 20000; ++id)
            AddReceipt(env.database, id, Today, u"%1.00"_s.arg(id));
        env.sql(u"COMMIT"_s);
        const QString folder = env.filePath(u"backup"_s);

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
            { u"--backup-child"_s, env.database.filePath(), env.folder(), folder });
        QVERIFY(child.waitForStarted());
        QByteArray output;
        while (!output.contains("backing up") && child.waitForReadyRead(60000))
            output += child.readAllStandardOutput();
        QTest::qWait(150);
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QList<Backups::Entry> left = Backups::list(folder);
        for (const Backups::Entry& entry : left) {
            QVERIFY2(Backups::problems(entry.databasePath()).isEmpty(), qPrintable(entry.path));
            QCOMPARE(Backups::inspect(entry.databasePath()).value().receiptCount, 20000);
        }
        QVERIFY(Backups::make(env.database.filePath(), env.folder(), folder, Today.addDays(1)));
        QCOMPARE(Backups::list(folder).size(), left.size() + 1);
        QCOMPARE(QDir(folder).entryList({ u".partial-*"_s }, QDir::Dirs | QDir::Hidden).size(), 0);
    }
};

// The child of aKilledBackupLeavesOnlyWholeBackups: backs the database up again and again
// until it is killed.
int runBackupChild(const QString& databasePath, const QString& dataFolder, const QString& folder)
{
    std::printf("backing up\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        if (!Backups::make(databasePath, dataFolder, folder, Today.addSecs(n)))
            return 1;
    }
}

int main(int argc, char* argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--backup-child") == 0) {
        QCoreApplication application(argc, argv);
        return runBackupChild(
            QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    QApplication application(argc, argv);
    BackupsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_backups.moc"
