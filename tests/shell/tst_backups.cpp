#include "app/BackupJob.h"
#include "app/BackupRotation.h"
#include "app/Backups.h"
#include "app/CompressedFile.h"
#include "app/Database.h"
#include "app/DurableFile.h"
#include "app/RecordChain.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DailyCheck.h"
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
#include "support/ManualClock.h"
#include "support/ScratchDisk.h"
#include "users/Roles.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QSpinBox>
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

// The database of a backup as a plain file in `scratch`, decompressed and checked.
QString PlainCopy(const Backups::Entry& entry, const QTemporaryDir& scratch)
{
    if (!entry.compressed)
        return entry.databasePath();
    static int copies = 0;
    const QString path = scratch.filePath(u"copy-%1.db"_s.arg(++copies));
    const CompressedFile::Result unpacked = CompressedFile::decompress(entry.databasePath(), path);
    if (!unpacked.ok())
        qFatal("cannot decompress %s: %s", qPrintable(entry.databasePath()), qPrintable(unpacked.error));
    return path;
}

// Turns a backup into one of the earlier kind: data.db as it is, no contents.txt.
void MakeUncompressed(const Backups::Entry& entry)
{
    const QDir folder(entry.path);
    const CompressedFile::Result unpacked
        = CompressedFile::decompress(entry.databasePath(), folder.filePath(u"data.db"_s));
    QVERIFY2(unpacked.ok(), qPrintable(unpacked.error));
    QVERIFY(QFile::remove(entry.databasePath()));
    QVERIFY(QFile::remove(folder.filePath(u"contents.txt"_s)));
}

// A folder that looks like a backup of `bytes` random bytes, taken at `taken`.
void MakeFakeBackup(const QString& folder, const QDateTime& taken, qint64 bytes, const QString& suffix = {})
{
    const QString path = folder + u"/tavrel-"_s + taken.toString(u"yyyyMMdd-HHmmss"_s) + suffix;
    QVERIFY(QDir().mkpath(path));
    QFile file(path + u"/data.db.zst"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray block(qMin<qint64>(bytes, 64 * 1024), Qt::Uninitialized);
    for (qint64 written = 0; written < bytes; written += block.size()) {
        for (char& byte : block)
            byte = char(QRandomGenerator::global()->generate());
        QVERIFY(file.write(block.left(qMin<qint64>(block.size(), bytes - written))) > 0);
    }
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
    // Linked as a settlement links it, so that a restore finds the chain whole.
    if (const QString error = RecordChain::link(database, RecordChain::Chain::Receipts, id); !error.isEmpty())
        qFatal("cannot link receipt %lld: %s", id, qPrintable(error));
}

// `count` receipts of today in one transaction.
void AddReceipts(TestEnvironment& env, int count)
{
    env.sql(u"BEGIN"_s);
    for (int id = 1; id <= count; ++id)
        AddReceipt(env.database, id, Today, u"%1.00"_s.arg(id));
    env.sql(u"COMMIT"_s);
}

// The rows of a test run on both kinds of backup.
void CompressedOrNot()
{
    QTest::addColumn<bool>("compressed");
    QTest::newRow("compressed backup") << true;
    QTest::newRow("uncompressed backup of an earlier version") << false;
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

        QTemporaryDir scratch;
        for (const Backups::Entry& entry : { *during, after.value() }) {
            QVERIFY(entry.compressed);
            QVERIFY(Backups::problems(PlainCopy(entry, scratch)).isEmpty());
            QVERIFY(QFile::exists(QDir(entry.path).filePath(ServiceSettings::FileName.toString())));
        }
        Database before;
        QVERIFY(before.open(PlainCopy(*during, scratch)));
        QCOMPARE(Count(before, u"Receiptform"_s), 0);
        QCOMPARE(Count(before, u"salaryform"_s), 0);
        QCOMPARE(Count(before, u"spsalay"_s), 0);
        QCOMPARE(Count(before, u"operator_log"_s), 0);
        QCOMPARE(Count(before, u"desk_bill"_s), 1);
        QCOMPARE(before.scalar(u"SELECT str6 FROM kucheninfo WHERE str2='啤酒'"_s).toString(), u"15"_s);
        Database settled;
        QVERIFY(settled.open(PlainCopy(after.value(), scratch)));
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

    void aRestoreBringsBackYesterday_data() { CompressedOrNot(); }

    // "数据恢复" of yesterday's backup brings back exactly yesterday's rows; today's data is kept
    // as a backup first, and the desk goes on, on the restored data.
    void aRestoreBringsBackYesterday()
    {
        QFETCH(bool, compressed);
        QTemporaryDir scratch;
        DeskFixture desk(At("2026-12-06 23:00"));
        QVERIFY(desk.start());
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        AddReceipt(desk.database(), 1, At("2026-12-06 10:00"), u"100.00"_s);
        AddReceipt(desk.database(), 2, At("2026-12-06 20:00"), u"80.00"_s);
        DeskBackups& backups = desk.application().backups();
        const Outcome<Backups::Entry> yesterday = backups.backUpNow(backups.folder());
        QVERIFY2(yesterday, qPrintable(yesterday.text()));
        const QString yesterdaysFile = PlainCopy(yesterday.value(), scratch);
        const QStringList yesterdaysReceipts = Rows(yesterdaysFile, u"Receiptform"_s);
        QCOMPARE(yesterdaysReceipts.size(), 2);
        const QStringList tables { u"salaryform"_s, u"spsalay"_s, u"kucheninfo"_s, u"worksinfo"_s, u"handover"_s,
            u"desk_room"_s, u"desk_bill"_s };
        QList<QStringList> yesterdaysRows;
        for (const QString& table : tables)
            yesterdaysRows << Rows(yesterdaysFile, table);
        if (!compressed)
            MakeUncompressed(yesterday.value());

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
        QCOMPARE(Rows(PlainCopy(all.first(), scratch), u"Receiptform"_s).size(), 4);

        // The restored desk takes bills again, after yesterday's last number.
        AddReceipt(desk.database(), 3, At("2026-12-07 15:30"), u"10.00"_s);
        QCOMPARE(Count(desk.database(), u"Receiptform"_s), 3);
    }

    void aCorruptBackupIsRefused_data()
    {
        QTest::addColumn<bool>("header"); // the file's start overwritten, or bytes in its middle
        QTest::addColumn<bool>("compressed");
        QTest::newRow("not a database") << true << false;
        QTest::newRow("damaged pages") << false << false;
        QTest::newRow("not compressed by us") << true << true;
        QTest::newRow("damaged compressed bytes") << false << true;
        QTest::newRow("compressed copy cut short") << false << true;
    }

    void aCorruptBackupIsRefused()
    {
        QFETCH(bool, header);
        QFETCH(bool, compressed);
        const bool cut = QByteArray(QTest::currentDataTag()).contains("cut short");
        DeskFixture desk(At("2026-12-06 23:00"));
        QVERIFY(desk.start());
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        for (int id = 1; id <= 400; ++id)
            AddReceipt(desk.database(), id, At("2026-12-06 10:00"), u"100.00"_s);
        DeskBackups& backups = desk.application().backups();
        const Outcome<Backups::Entry> made = backups.backUpNow(backups.folder());
        QVERIFY(made);
        if (!compressed)
            MakeUncompressed(made.value());
        {
            QFile file(QDir(made.value().path).filePath(compressed ? u"data.db.zst"_s : u"data.db"_s));
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (compressed) {
                QVERIFY(file.size() > 4096);
                if (cut)
                    QVERIFY(file.resize(file.size() - 100));
                file.seek(header ? 0 : file.size() / 2);
                file.write(QByteArray(header ? 100 : 64, 'Z'));
            } else {
                QVERIFY(file.size() > 16 * 4096);
                file.seek(header ? 0 : 8 * 4096);
                file.write(QByteArray(header ? 100 : 4 * 4096, 'Z'));
            }
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
        // The limit of the desk's backups, kept in the data folder.
        Child<QSpinBox>(&dialog, u"limitSpin"_s)->setValue(4096);
        Click(&dialog, u"limitButton"_s);
        QCOMPARE(Backups::limitSetting(desk.application().backups().dataFolder()), 4096);
        QVERIFY2(Child<QLabel>(&dialog, u"spaceLabel"_s)->text().endsWith(u"上限 4096 MB"_s),
            qPrintable(Child<QLabel>(&dialog, u"spaceLabel"_s)->text()));
        for (const int width : { 1366, 1024 }) {
            dialog.resize(std::min(width - 200, 760), 460);
            QVERIFY(dialog.grab().save(TestOutputPath(u"backup-dialog-%1.png"_s.arg(width))));
        }
        // The day's backup after it holds the pages changed since, and says so.
        Backups::Options incremental;
        incremental.incremental = true;
        const Outcome<Backups::Entry> increment = Backups::make(desk.database().filePath(),
            desk.application().backups().dataFolder(), desk.application().backups().folder(),
            desk.application().services().clock.now().addSecs(3600), incremental);
        QVERIFY2(increment && increment.value().incremental, qPrintable(increment.text()));
        RestoreDialog restore(desk.application().services(), desk.application().backups().folder());
        QVERIFY(ShowOnScreen(restore));
        QVERIFY(Child<QListWidget>(&restore, u"backupList"_s)->item(0)->text().endsWith(u"(增量备份)"_s));
        Child<QListWidget>(&restore, u"backupList"_s)->setCurrentRow(0);
        QVERIFY(Child<QLabel>(&restore, u"contentsLabel"_s)->text().contains(u"增量备份: 和 "_s));
        for (const int width : { 1366, 1024 }) {
            restore.resize(std::min(width - 200, 760), 460);
            QVERIFY(restore.grab().save(TestOutputPath(u"restore-dialog-%1.png"_s.arg(width))));
        }
    }

    // The database goes into a backup compressed, several times smaller, and what the backup
    // holds is read back from it whole.
    void aBackupIsCompressedAndReadBack()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"BEGIN"_s);
        for (int id = 1; id <= 20000; ++id)
            AddReceipt(env.database, id, Today.addSecs(-id * 60), u"%1.00"_s.arg(id % 300));
        env.sql(u"COMMIT"_s);
        const Outcome<Backups::Entry> made
            = Backups::make(env.database.filePath(), env.folder(), env.filePath(u"backup"_s), Today);
        QVERIFY2(made, qPrintable(made.text()));
        const Backups::Entry& entry = made.value();
        QVERIFY(entry.compressed);
        QVERIFY(entry.databasePath().endsWith(u"/data.db.zst"_s));
        // No scratch copy left, nor its log.
        QCOMPARE(QDir(entry.path).entryList({ u"data.db*"_s }, QDir::Files | QDir::Hidden),
            QStringList { u"data.db.zst"_s });
        QTemporaryDir scratch;
        const qint64 database = QFileInfo(PlainCopy(entry, scratch)).size();
        QVERIFY2(Backups::sizeOf(entry) * 3 < database,
            qPrintable(u"%1 bytes of backup for %2 of database"_s.arg(Backups::sizeOf(entry)).arg(database)));

        const Outcome<Backups::Contents> contents = Backups::inspect(entry.databasePath());
        QVERIFY2(contents, qPrintable(contents.text()));
        QCOMPARE(contents.value().receiptCount, 20000);
        QCOMPARE(contents.value().lastReceipt, 20000);
        QCOMPARE(contents.value().lastReceiptTime, Today.addSecs(-20000 * 60));
        QCOMPARE(contents.value().lastReceiptTotal, u"200.00"_s);
        QCOMPARE(contents.value().schemaVersion, Database::SchemaVersion);
        QCOMPARE(Rows(PlainCopy(entry, scratch), u"Receiptform"_s, u"id"_s),
            Rows(env.database.filePath(), u"Receiptform"_s, u"id"_s));
    }

    // A backup that does not fit on the disk says so in Chinese, leaves no partial copy, and
    // removes no backup that rotation keeps: only those it lets go anyway make room.
    void aBackupThatDoesNotFitRemovesNoKeptBackup()
    {
        ScratchDisk disk(u"12m"_s);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 20000);
        const QString folder = disk.filePath(u"backup"_s);
        // 31 hourly backups: rotation lets the oldest go and keeps 30.
        for (int hour = 1; hour <= 31; ++hour)
            MakeFakeBackup(folder, Today.addSecs(-3600 * hour), 16 * 1024);
        const QDateTime oldest = Today.addSecs(-3600 * 31);
        disk.fill(256 * 1024);

        BackupJob::Request request { env.database.filePath(), env.folder(), folder, Today, Backups::Kind::Regular, true,
            1024 * 1024 * 1024, std::nullopt };
        const BackupJob::Result result = BackupJob::run(request);
        QVERIFY(!result.entry);
        QVERIFY2(result.error.startsWith(u"磁盘空间不够,没有备份"_s), qPrintable(result.error));
        QVERIFY2(result.error.contains(u"已有的备份都还在"_s), qPrintable(result.error));
        const QList<Backups::Entry> left = Backups::list(folder);
        QCOMPARE(left.size(), 30);
        for (const Backups::Entry& entry : left)
            QVERIFY(entry.taken > oldest);
        QCOMPARE(QDir(folder).entryList({ u".partial-*"_s }, QDir::AllEntries | QDir::Hidden).size(), 0);

        // Room again: the backup is taken, the total kept under the limit.
        disk.unfill();
        const BackupJob::Result taken = BackupJob::run(request);
        QVERIFY2(taken.entry, qPrintable(taken.error));
        QCOMPARE(Backups::list(folder).size(), 30);
        QCOMPARE(Backups::list(folder).first().path, taken.entry->path);
    }

    // The backups together stay under the limit: the oldest regular ones go first, the newest
    // and those taken before a restore stay.
    void theBackupsStayUnderTheLimit()
    {
        QTemporaryDir folder;
        for (int day = 1; day <= 8; ++day)
            MakeFakeBackup(folder.path(), Today.addDays(-day), 100 * 1024);
        MakeFakeBackup(folder.path(), Today.addDays(-20), 100 * 1024, u"-before-restore"_s);
        QStringList removed;
        QVERIFY(Backups::rotate(folder.path(), Today, &removed, 450 * 1024).isEmpty());
        QCOMPARE(removed.size(), 5);
        const QList<Backups::Entry> left = Backups::list(folder.path());
        QCOMPARE(left.size(), 4);
        QCOMPARE(left[0].taken, Today.addDays(-1));
        QCOMPARE(left[2].taken, Today.addDays(-3));
        QCOMPARE(left[3].kind, Backups::Kind::BeforeRestore);
        // A limit below the newest backup keeps the newest all the same.
        QVERIFY(Backups::rotate(folder.path(), Today, &removed, 1).isEmpty());
        QCOMPARE(Backups::list(folder.path()).size(), 2);

        QCOMPARE(Backups::limitSetting(folder.path()), 0);
        QVERIFY(Backups::setLimitSetting(folder.path(), 2048));
        QCOMPARE(Backups::limitSetting(folder.path()), 2048);
        QCOMPARE(Backups::spaceOn(folder.path(), 2048).limit, 2048ll * 1024 * 1024);
        const Backups::Space space = Backups::spaceOn(folder.path());
        QCOMPARE(space.limit, space.disk / 10);
        QVERIFY(space.reserve > 0 && space.reserve <= space.disk / 20);
    }

    // Links in the backup folder lead elsewhere: rotation and the clean-up of partial copies
    // leave them and what they lead to alone, say so, and a restore never offers them.
    void linksInTheBackupFolderAreLeftAlone()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QTemporaryDir outside;
        QVERIFY(QDir(outside.path()).mkpath(u"precious"_s));
        QFile precious(outside.filePath(u"precious/data.db"_s));
        QVERIFY(precious.open(QIODevice::WriteOnly));
        QVERIFY(precious.write("not yours") > 0);
        precious.close();
        QVERIFY(QFile::copy(precious.fileName(), outside.filePath(u"precious/data.db.zst"_s)));

        const QString folder = env.filePath(u"backup"_s);
        for (int hour = 0; hour < 33; ++hour)
            MakeFakeBackup(folder, Today.addSecs(-3600 * (hour + 1)), 1024);
        // A link named as an old backup that rotation would let go, and one named as a
        // partial copy that the next backup would clear.
        const QString oldName = folder + u"/tavrel-20250101-100000"_s;
        const QString partialName = folder + u"/.partial-tavrel-20261207-110000"_s;
        QVERIFY(QFile::link(outside.filePath(u"precious"_s), oldName));
        QVERIFY(QFile::link(outside.filePath(u"precious"_s), partialName));
        for (const Backups::Entry& entry : Backups::list(folder))
            QVERIFY(!entry.path.endsWith(u"tavrel-20250101-100000"_s)); // never offered for a restore

        BackupJob::Request request { env.database.filePath(), env.folder(), folder, Today, Backups::Kind::Regular, true,
            0, std::nullopt };
        const BackupJob::Result result = BackupJob::run(request);
        QVERIFY2(result.entry, qPrintable(result.error));
        QCOMPARE(result.removed.size(), 4);
        QCOMPARE(Backups::list(folder).size(), 30);
        QVERIFY(QFileInfo(oldName).isSymLink());
        QVERIFY(QFileInfo(partialName).isSymLink());
        QCOMPARE(QDir(outside.filePath(u"precious"_s)).entryList(QDir::Files).size(), 2);
        QCOMPARE(FileBytes(outside.filePath(u"precious/data.db"_s)), QByteArray("not yours"));
        QCOMPARE(result.rotationFailures.size(), 2);
        for (const QString& note : result.rotationFailures)
            QVERIFY2(note.contains(u"是一个链接,程序没有动它"_s), qPrintable(note));
    }

    void aRestoreThatDoesNotFitSaysTheDiskIsFull_data() { CompressedOrNot(); }

    // A restore onto a disk without room for the file says the disk is full, not that the
    // backup is damaged, and leaves nothing behind.
    void aRestoreThatDoesNotFitSaysTheDiskIsFull()
    {
        QFETCH(bool, compressed);
        ScratchDisk disk(u"2m"_s);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 20000);
        const Outcome<Backups::Entry> made
            = Backups::make(env.database.filePath(), env.folder(), env.filePath(u"backup"_s), Today);
        QVERIFY2(made, qPrintable(made.text()));
        if (!compressed)
            MakeUncompressed(made.value());
        const Backups::Entry entry = Backups::list(env.filePath(u"backup"_s)).first();
        QVERIFY(QFileInfo(entry.databasePath()).size() > 1024 * 1024 || compressed);

        const QString candidate = disk.filePath(u"data.db.restore"_s);
        const Backups::RestoreProblem problem = Backups::prepareRestore(entry.databasePath(), candidate);
        QVERIFY(!problem.error.isEmpty());
        QVERIFY2(problem.diskFull, qPrintable(problem.error));
        QVERIFY(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        // The same backup restores where there is room.
        QTemporaryDir roomy;
        const Backups::RestoreProblem fits = Backups::prepareRestore(entry.databasePath(), roomy.filePath(u"x.db"_s));
        QVERIFY2(fits.error.isEmpty(), qPrintable(fits.error));
        QCOMPARE(Rows(roomy.filePath(u"x.db"_s), u"Receiptform"_s).size(), 20000);
    }

    // The file is checked once a business day: the first start of the day reads every page,
    // a start after a desk that did not close compares every index too, and the other starts
    // of the day go straight to their backup.
    void theFileIsCheckedOnceABusinessDay()
    {
        QTemporaryDir folder;
        const QString database = folder.filePath(u"data.db"_s);
        ManualClock clock(At("2026-12-07 09:00"));
        using Depth = DatabaseCheck::Depth;
        // Nothing on record: the whole check.
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Thorough));
        QVERIFY(!DailyCheck::markSound(database, clock.now(), Depth::Quick)); // a quick one does not do
        QVERIFY(DailyCheck::markSound(database, clock.now(), Depth::Thorough));
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::nullopt);
        clock.set(At("2026-12-08 05:59")); // still the business day of the 7th
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::nullopt);
        QCOMPARE(DailyCheck::due(database, clock.now(), true), std::optional(Depth::Thorough));
        clock.set(At("2026-12-08 06:00"));
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Quick));
        QCOMPARE(DailyCheck::lastSound(database), std::optional(QDate(2026, 12, 7)));
        QVERIFY(DailyCheck::markSound(database, clock.now(), Depth::Quick));
        QCOMPARE(DailyCheck::lastSound(database), std::optional(QDate(2026, 12, 8))); // walked from here next
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::nullopt);
        clock.set(At("2026-12-13 09:00")); // six days after the whole check
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Quick));
        clock.set(At("2026-12-14 09:00")); // a week after it
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Thorough));
        clock.set(At("2026-12-06 12:00")); // the clock set back
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Thorough));
        DailyCheck::forget(database);
        clock.set(At("2026-12-08 10:00"));
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Thorough));
        QFile::remove(DailyCheck::markPath(database));
        QVERIFY(QFile(DailyCheck::markPath(database)).open(QIODevice::WriteOnly)); // an empty mark
        QCOMPARE(DailyCheck::due(database, clock.now(), false), std::optional(Depth::Thorough));
        QCOMPARE(DailyCheck::lastSound(database), std::nullopt);

        // The desk itself: the first start of the day checks, the second goes straight on, the
        // first of the next day checks again; each backs up.
        DeskFixture desk(At("2026-12-07 09:00"));
        QVERIFY(desk.start());
        const QString backups = desk.application().backups().folder();
        const QString mark = DailyCheck::markPath(desk.database().filePath());
        desk.application().showBoard();
        QTRY_VERIFY_WITH_TIMEOUT(Backups::list(backups).size() == 1, 60000);
        QCOMPARE(FileBytes(mark), QByteArray("2026-12-07 thorough 2026-12-07\n"));
        // Seen by the mark: a check that runs rewrites it.
        QVERIFY(DurableFile::replace(mark, "2026-12-07 thorough 2026-12-05\n"));
        desk.clock.set(At("2026-12-07 18:00"));
        QVERIFY(desk.start());
        desk.application().showBoard();
        QTRY_VERIFY_WITH_TIMEOUT(Backups::list(backups).size() == 2, 60000);
        QCOMPARE(FileBytes(mark), QByteArray("2026-12-07 thorough 2026-12-05\n"));
        desk.clock.set(At("2026-12-08 07:00"));
        QVERIFY(desk.start());
        desk.application().showBoard();
        QTRY_VERIFY_WITH_TIMEOUT(Backups::list(backups).size() == 3, 60000);
        QCOMPARE(FileBytes(mark), QByteArray("2026-12-08 thorough 2026-12-05\n"));
        QVERIFY(desk.messages.shown().isEmpty());
    }

    // A desk killed in the middle of a backup leaves only whole backups behind: what it was
    // writing is no backup, and the next backup clears it away.
    void aKilledBackupLeavesOnlyWholeBackups()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddReceipts(env, 20000);
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
        QTemporaryDir scratch;
        for (const Backups::Entry& entry : left) {
            QVERIFY2(Backups::problems(PlainCopy(entry, scratch)).isEmpty(), qPrintable(entry.path));
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
