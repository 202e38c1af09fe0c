#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/DeskApplication.h"
#include "app/MainWindow.h"
#include "app/Schema.h"
#include "app/SettingFile.h"
#include "app/SqlTransaction.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

// The installation: the first start, later starts, and files that are not databases.
class DatabaseTest : public QObject
{
    Q_OBJECT

private:
    struct Desk
    {
        ScriptedMessageService messages;
        ManualClock clock;
        PdfPrinterChooser printers { QDir::temp().filePath(QStringLiteral("tavrel-db-test")) };
        RecordingDesktopLauncher launcher;
        DeskApplication application { { messages, clock, printers, launcher } };
    };

    static QStringList columnsOf(Database& database, const QString& table)
    {
        QStringList columns;
        const SqlResult info = database.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
        for (const QSqlRecord& row : info.rows)
            columns << row.value(QStringLiteral("name")).toString();
        return columns;
    }

private slots:
    void firstStartCreatesTheDeliveredInstallation()
    {
        QTemporaryDir folder;
        Desk desk;
        QVERIFY(desk.application.start(folder.filePath(QStringLiteral("house"))));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        Database& db = desk.application.database();

        const QMap<QString, QStringList> expected = {
            { QStringLiteral("worksinfo"),
                { "str1", "str2", "str3", "str4", "str5", "str6", "str7", "str8", "str9", "restday", "workstatus" } },
            { QStringLiteral("kucheninfo"),
                { "str1", "str2", "str3", "str4", "str5", "str6", "str7", "str8", "str9" } },
            { QStringLiteral("huiyeninfo"),
                { "str1", "str2", "str3", "str4", "str5", "str6", "str7", "str8", "str9" } },
            { QStringLiteral("Receiptform"),
                { "id", "housnum", "bytime", "massagetime", "washfoottime", "trimfoot", "spjine", "dazhe",
                    "dazheperson", "alljine", "paytype", "cashier", "time" } },
            { QStringLiteral("salaryform"),
                { "id", "num", "name", "massagetime", "washfoottime", "salary", "time", "cashier" } },
            { QStringLiteral("spsalay"), { "id", "name", "danwe", "danjia", "counter", "jine", "time", "cashier" } },
            { QStringLiteral("company"),
                { "id", "name", "area", "address", "postnum", "person", "tel", "email", "smail", "homepage",
                    "about" } },
            { QStringLiteral("jstichen"),
                { "id", "massage1", "massage2", "massage3", "massageall", "wash", "avertime" } },
            { QStringLiteral("adm"), { "logoid", "password", "name" } },
            { QStringLiteral("manager"), { "logoid", "password", "name" } },
            { QStringLiteral("minister"), { "logoid", "password", "name" } },
            { QStringLiteral("cashier"), { "logoid", "password", "name" } },
            { QStringLiteral("wtimechgcondition"), { "id", "spaceday", "time" } },
        };
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(columnsOf(db, it.key()), it.value());
        QStringList authority { QStringLiteral("id") };
        for (int i = 1; i <= 18; ++i)
            authority << QStringLiteral("str%1").arg(i);
        QCOMPARE(columnsOf(db, QStringLiteral("authority")), authority);

        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM company WHERE id=2004")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM jstichen WHERE id=2003")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM wtimechgcondition WHERE id=1")).toInt(), 1);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT group_concat(id) FROM (SELECT id FROM authority ORDER BY id)")).toString(),
            QStringLiteral("0,1,2,3"));
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT count(*) FROM adm WHERE logoid=?"), { Schema::DeliveredLogin.toString() })
                .toInt(),
            1);
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), Database::SchemaVersion);
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));

        // The general manager's delivered row allows everything.
        QCOMPARE(db.scalar(QStringLiteral("SELECT str1+str2+str3+str4+str16 FROM authority WHERE id=3")).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT str17+str18 FROM authority WHERE id=3")).toInt(), 2);

        // Setting files beside the database.
        ScriptedMessageService quiet;
        QCOMPARE(ReadSettingInt(folder.filePath(QStringLiteral("house/HouNum.daf")), quiet), 1);
        const auto rooms = RoomNumbers::read(folder.filePath(QStringLiteral("house/pagesel0.dat")), quiet);
        QVERIFY(rooms);
        QCOMPARE(rooms->numbers.first(), 101);
        QCOMPARE(rooms->numbers.last(), 140);
        QVERIFY(rooms->seats.first() > 0);
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("house/pagesel0.dat"))).size(), 320);
        const auto prices = ServiceSettings::read(folder.filePath(QStringLiteral("house/sys.nnf")), quiet);
        QVERIFY(prices);
        QVERIFY(prices->massagePrice > 0);
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("house/sys.nnf"))).size(), 40);
        QVERIFY(quiet.shown().isEmpty());

        // The folder became the current directory.
        QCOMPARE(QDir::current().absolutePath(), QDir(folder.filePath(QStringLiteral("house"))).absolutePath());
    }

    void secondStartKeepsTheData()
    {
        QTemporaryDir folder;
        {
            Desk desk;
            QVERIFY(desk.application.start(folder.path()));
            desk.application.database().exec(
                QStringLiteral("INSERT INTO kucheninfo (str1, str2) VALUES ('K1', '啤酒')"));
            desk.application.database().exec(QStringLiteral("UPDATE company SET name='老店' WHERE id=2004"));
        }
        Desk desk;
        QVERIFY(desk.application.start(folder.path()));
        QVERIFY(desk.messages.shown().isEmpty());
        QCOMPARE(desk.application.database()
                     .scalar(QStringLiteral("SELECT str2 FROM kucheninfo WHERE str1='K1'"))
                     .toString(),
            QStringLiteral("啤酒"));
        QCOMPARE(desk.application.desk().companyName, QStringLiteral("老店"));
        QCOMPARE(desk.application.database().scalar(QStringLiteral("SELECT count(*) FROM authority")).toInt(), 4);
    }

    void aFileThatIsNotADatabaseIsShownAndLeftAlone()
    {
        QTemporaryDir folder;
        const QByteArray content("This is a letter, not a database.\n");
        {
            QFile file(folder.filePath(QStringLiteral("data.db")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content.repeated(200));
        }
        Desk desk;
        QVERIFY(!desk.application.start(folder.path()));
        QCOMPARE(desk.messages.shown().size(), 1);
        QVERIFY2(
            desk.messages.lastText().contains(QStringLiteral("not a database")), qPrintable(desk.messages.lastText()));
        QFile file(folder.filePath(QStringLiteral("data.db")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content.repeated(200));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("data.db-wal"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("HouNum.daf"))));
    }

    void aLockedDatabaseIsReported()
    {
        QTemporaryDir folder;
        {
            Desk desk;
            QVERIFY(desk.application.start(folder.path()));
        }
        Database other;
        QVERIFY(other.open(folder.filePath(QStringLiteral("data.db"))));
        QVERIFY(other.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")).ok());
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")).ok());
        Desk desk;
        QVERIFY(!desk.application.start(folder.path()));
        QVERIFY2(desk.messages.lastText().contains(QStringLiteral("locked")), qPrintable(desk.messages.lastText()));
        other.exec(QStringLiteral("ROLLBACK"));
    }

    void aFolderThatCannotBeMadeFailsRegistration()
    {
        QTemporaryDir folder;
        QFile plainFile(folder.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        plainFile.close();
        Desk desk;
        QVERIFY(!desk.application.start(folder.filePath(QStringLiteral("not-a-folder/house"))));
        QCOMPARE(desk.messages.texts(), QStringList { QStringLiteral("数据库注册失败!") });
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("not-a-folder/house/data.db"))));
    }

    void typedTextIsBoundNeverSpliced()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString tricky = QStringLiteral("O'Brien'); DROP TABLE worksinfo; --");
        QVERIFY(
            env.database.exec(QStringLiteral("INSERT INTO worksinfo (str1, str2) VALUES (?, ?)"), { tricky, QString() })
                .ok());
        const SqlResult found
            = env.database.exec(QStringLiteral("SELECT str2 FROM worksinfo WHERE str1=?"), { tricky });
        QVERIFY(found.ok());
        QCOMPARE(found.rows.size(), 1);
        // An empty text is stored as empty text, not as NULL.
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT typeof(str2) FROM worksinfo WHERE str1=?"), { tricky })
                     .toString(),
            QStringLiteral("text"));
    }

    void aFailedStatementReportsItsText()
    {
        TestEnvironment env;
        const SqlResult result = env.database.exec(QStringLiteral("SELECT * FROM nosuchtable"));
        QVERIFY(!result.ok());
        QVERIFY(result.error.contains(QStringLiteral("nosuchtable")));
    }

    void aTransactionIsAllOrNothing()
    {
        TestEnvironment env;
        {
            SqlTransaction transaction(env.database);
            QVERIFY(transaction.isActive());
            QVERIFY(env.database.exec(QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (1, 'a', '')")).ok());
            QVERIFY(!env.database.exec(QStringLiteral("INSERT INTO spsalay (nosuch) VALUES (1)")).ok());
            // Leaving the scope without commit rolls back.
        }
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT count(*) FROM spsalay")).toInt(), 0);
        {
            SqlTransaction transaction(env.database);
            QVERIFY(env.database.exec(QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (1, 'a', '')")).ok());
            QVERIFY(transaction.commit());
        }
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT count(*) FROM spsalay")).toInt(), 1);
    }

    void anEmptyDatabaseFileIsCompletedNotReplaced()
    {
        QTemporaryDir folder;
        {
            QFile file(folder.filePath(QStringLiteral("data.db")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Desk desk;
        QVERIFY(desk.application.start(folder.path()));
        QCOMPARE(desk.application.database().scalar(QStringLiteral("SELECT count(*) FROM authority")).toInt(), 4);
    }
};

QTEST_MAIN(DatabaseTest)
#include "tst_database.moc"
