#include "app/Backups.h"
#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/DatabaseProblem.h"
#include "shell/DeskApplication.h"
#include "shell/DeskBackups.h"
#include "support/DeskFixture.h"
#include "support/ReadOnlyPath.h"
#include "support/ScratchDisk.h"
#include "support/TestEnvironment.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

// data.db as the desk meets it at start and after: read-only, of unknown shape, on a full disk,
// damaged in a way only the thorough check finds, or restored beside a log of other data.
// The desk refuses what it cannot use before any window opens, says in Chinese what is wrong
// and what to do, and leaves the file byte for byte.
class DatabaseFileTest : public QObject
{
    Q_OBJECT

private:
    // A connection of the test's own, outside the database layer, to change a file the way
    // another program or a hand would.
    class RawConnection
    {
    public:
        explicit RawConnection(const QString& path)
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, Name);
            db.setDatabaseName(path);
            if (!db.open())
                qFatal("cannot open %s", qPrintable(path));
        }
        ~RawConnection()
        {
            QSqlDatabase::database(Name).close();
            QSqlDatabase::removeDatabase(Name);
        }
        QVariant run(const QString& sql)
        {
            QSqlQuery query(QSqlDatabase::database(Name));
            if (!query.exec(sql))
                qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            return query.next() ? query.value(0) : QVariant();
        }

    private:
        static constexpr QLatin1StringView Name { "raw" };
    };

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QString databaseOf(const DeskFixture& desk) { return QDir(desk.folder()).filePath(u"data.db"_s); }

    // An installation with goods, left closed.
    static void installWithGoods(DeskFixture& desk, int goods)
    {
        QVERIFY(desk.start([goods](Database& db) {
            for (int i = 0; i < goods; ++i)
                db.exec(u"INSERT INTO kucheninfo (str1, str2, str5, str6) VALUES (?, ?, '8.00', '100')"_s,
                    { u"K%1"_s.arg(i), u"商品%1"_s.arg(i) });
        }));
        desk.kill();
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }

private slots:
    void aReadOnlyDatabaseIsRefusedBeforeAnyWindow()
    {
        DeskFixture desk;
        installWithGoods(desk, 1);
        const QByteArray before = bytesOf(databaseOf(desk));
        {
            ReadOnlyPath readOnly(databaseOf(desk));
            if (!readOnly.isReadOnly())
                QSKIP(qPrintable(u"cannot make data.db read-only: "_s + readOnly.whyNot()));
            QVERIFY(!desk.start());
            QCOMPARE(desk.messages.shown().size(), 1);
            const QString text = desk.messages.lastText();
            QVERIFY2(text.startsWith(u"数据库文件 %1 是只读的"_s.arg(databaseOf(desk))), qPrintable(text));
            QVERIFY2(text.contains(u"readonly"_s), qPrintable(text)); // the database's own words
            QVERIFY(QDir::setCurrent(QDir::tempPath()));
        }
        QCOMPARE(bytesOf(databaseOf(desk)), before);
        QVERIFY(desk.start());
    }

    void aFileOfUnknownShapeIsLeftByteForByte_data()
    {
        QTest::addColumn<int>("version"); // 0: another program's file
        QTest::addColumn<QString>("change");
        QTest::newRow("another program's database") << 0 << u"CREATE TABLE customers (id INTEGER, name TEXT)"_s;
        QTest::newRow("version 1, a column missing") << 1 << u"ALTER TABLE worksinfo DROP COLUMN str9"_s;
        QTest::newRow("version 2, a column missing") << 2 << u"ALTER TABLE desk_bill DROP COLUMN pedicure_count"_s;
        QTest::newRow("a column of another kind") << 2 << u"ALTER TABLE huiyeninfo ADD COLUMN points INTEGER"_s;
        QTest::newRow("a table of another program beside ours") << 2 << u"CREATE TABLE notes (x)"_s;
        QTest::newRow("an index missing") << 2 << u"DROP INDEX kucheninfo_name"_s;
        QTest::newRow("an index on other columns") << 2 << u"CREATE INDEX extra_index ON worksinfo(str2)"_s;
    }

    void aFileOfUnknownShapeIsLeftByteForByte()
    {
        QFETCH(int, version);
        QFETCH(QString, change);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        if (version > 0) {
            Database made;
            QVERIFY(made.create(path, version));
        }
        {
            RawConnection raw(path);
            raw.run(change);
            if (version == 0)
                raw.run(u"INSERT INTO customers (id, name) VALUES (1, 'Ann')"_s);
        }
        const QByteArray before = bytesOf(path);
        QVERIFY(!before.isEmpty());

        DeskFixture desk;
        QVERIFY(!desk.startIn(folder.path()));
        QCOMPARE(desk.messages.shown().size(), 1);
        const QString text = desk.messages.lastText();
        QVERIFY2(text.contains(u"不是本程序的数据库"_s) && text.contains(path), qPrintable(text));
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        QCOMPARE(bytesOf(path), before); // journal mode and version included
        QVERIFY(!QFile::exists(path + u"-wal"_s));
        QVERIFY(!QFile::exists(folder.filePath(u"HouNum.daf"_s)));
    }

    // A migration that cannot complete (here the disk is full) leaves the file as it was, in
    // its old journal mode, and says why.
    void aFailedMigrationLeavesTheFileAsItWas()
    {
        ScratchDisk disk(u"4m"_s);
        if (!disk.isMounted())
            QSKIP(qPrintable(u"no scratch disk: "_s + disk.whyNot()));
        const QString path = disk.filePath(u"data.db"_s);
        {
            QFile empty(path);
            QVERIFY(empty.open(QIODevice::WriteOnly)); // a file to be completed: version 0
        }
        disk.fill(8192);
        DeskFixture desk;
        QVERIFY(!desk.startIn(disk.path()));
        QVERIFY2(desk.messages.lastText().startsWith(u"磁盘已满"_s), qPrintable(desk.messages.lastText()));
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        QCOMPARE(QFileInfo(path).size(), 0);
        QVERIFY(!QFile::exists(path + u"-wal"_s));
        QVERIFY(!QFile::exists(path + u"-journal"_s));

        disk.unfill();
        QVERIFY2(desk.startIn(disk.path()), qPrintable(desk.messages.texts().join(u'|')));
        QCOMPARE(desk.database().schemaVersion(nullptr), Database::SchemaVersion);
        desk.kill();
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }

    // An index that no longer matches its table passes the cheap checks at start; the thorough
    // check after the board is shown finds it, and the desk says so in a few lines, with the
    // whole check in a file beside the database.
    void theThoroughCheckFindsAnIndexThatNoLongerMatchesItsTable()
    {
        DeskFixture desk;
        installWithGoods(desk, 50);
        // Two goods under one code, behind the index's back: the index is taken out of the
        // schema, the table changed, and the index put back as it was.
        QString sql;
        int root = 0;
        {
            RawConnection raw(databaseOf(desk));
            sql = raw.run(u"SELECT sql FROM sqlite_master WHERE name='kucheninfo_code'"_s).toString();
            root = raw.run(u"SELECT rootpage FROM sqlite_master WHERE name='kucheninfo_code'"_s).toInt();
            raw.run(u"PRAGMA writable_schema=ON"_s);
            raw.run(u"DELETE FROM sqlite_master WHERE name='kucheninfo_code'"_s);
        }
        {
            RawConnection raw(databaseOf(desk));
            raw.run(u"UPDATE kucheninfo SET str1='K1' WHERE str1 IN ('K2', 'K3', 'K4', 'K5', 'K6', 'K7', 'K8')"_s);
            raw.run(u"PRAGMA writable_schema=ON"_s);
            raw.run(u"INSERT INTO sqlite_master (type, name, tbl_name, rootpage, sql) "
                    "VALUES ('index', 'kucheninfo_code', 'kucheninfo', %1, '%2')"_s.arg(root)
                        .arg(sql));
        }

        QVERIFY2(desk.start(), qPrintable(desk.messages.texts().join(u'|')));
        QVERIFY(desk.messages.shown().isEmpty());
        desk.application().showBoard(); // the check starts once the board is painted
        QTRY_VERIFY_WITH_TIMEOUT(desk.messages.shown().size() == 1, 60000);
        QVERIFY(!desk.application().isCheckingDatabase());
        const QString text = desk.messages.lastText();
        QVERIFY2(text.startsWith(u"数据库文件 %1 的完整检查发现它已损坏"_s.arg(databaseOf(desk))), qPrintable(text));
        QVERIFY2(text.contains(u"kucheninfo_code"_s), qPrintable(text));
        QVERIFY2(text.count(u'\n') <= DamageLinesShown + 8, qPrintable(text));
        const QString report = DatabaseCheck::reportPath(databaseOf(desk));
        QVERIFY2(text.contains(report), qPrintable(text));
        const QString whole = QString::fromUtf8(bytesOf(report));
        QVERIFY(whole.count(u"kucheninfo_code"_s) >= 7);
        QVERIFY(!text.contains(u"-wal"_s)); // no log lay beside the file
        // A damaged file is not backed up: its copy would rotate a sound backup away.
        QVERIFY(!desk.application().backups().isRunning());
        QVERIFY(Backups::list(desk.application().backups().folder()).isEmpty());
    }

    // A backup put back beside the log of the data it replaced: the log is replayed onto the
    // wrong file. The message is short, names the log as the likely cause, and says what to do.
    void aStaleLogBesideARestoredFileIsNamed()
    {
        DeskFixture desk;
        installWithGoods(desk, 10);
        const QString path = databaseOf(desk);
        const QByteArray backup = bytesOf(path);
        QByteArray staleLog;
        {
            RawConnection raw(path);
            raw.run(u"PRAGMA journal_mode=WAL"_s);
            for (int i = 0; i < 400; ++i)
                raw.run(u"INSERT INTO huiyeninfo (str1, str2, str8) VALUES ('M%1', '会员', '%2')"_s.arg(i).arg(
                    QString(300, u'x')));
            raw.run(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
            raw.run(u"PRAGMA wal_autocheckpoint=0"_s);
            for (int i = 400; i < 800; ++i)
                raw.run(u"INSERT INTO huiyeninfo (str1, str2, str8) VALUES ('M%1', '会员', '%2')"_s.arg(i).arg(
                    QString(300, u'y')));
            raw.run(u"DELETE FROM huiyeninfo WHERE str1 < 'M3'"_s);
            staleLog = bytesOf(path + u"-wal"_s);
        }
        QVERIFY(staleLog.size() > 4096);
        {
            QFile restored(path);
            QVERIFY(restored.open(QIODevice::WriteOnly));
            restored.write(backup);
            QFile log(path + u"-wal"_s);
            QVERIFY(log.open(QIODevice::WriteOnly));
            log.write(staleLog);
        }
        QFile::remove(path + u"-shm"_s);

        if (desk.start()) {
            desk.application().checkDatabase();
            QTRY_VERIFY_WITH_TIMEOUT(!desk.application().isCheckingDatabase(), 60000);
        }
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        QCOMPARE(desk.messages.shown().size(), 1);
        const QString text = desk.messages.lastText();
        QVERIFY2(text.contains(path + u"-wal"_s), qPrintable(text));
        QVERIFY2(text.count(u'\n') <= DamageLinesShown + 8, qPrintable(text));

        // As the message box shows it: its OK button stays on a 1024x768 screen.
        QMessageBox box(QMessageBox::Critical, u"Tavrel"_s, text, QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(u"确定"_s);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.grab().save(TestOutputPath(u"damaged-database-message.png"_s));
        QVERIFY2(box.height() <= 768 && box.width() <= 1024, qPrintable(u"%1x%2"_s.arg(box.width()).arg(box.height())));
    }
};

QTEST_MAIN(DatabaseFileTest)
#include "tst_databasefile.moc"
