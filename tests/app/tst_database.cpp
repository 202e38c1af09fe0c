#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/Schema.h"
#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "app/SqlTransaction.h"
#include "desk/DeskSession.h"
#include "rooms/RoomNumbersFile.h"
#include "service/ServiceSettings.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "users/Permissions.h"

#include <QApplication>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace Qt::StringLiterals;

// The installation: the first start, later starts, and files that are not databases.
class DatabaseTest : public QObject
{
    Q_OBJECT

private:
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
        DeskFixture desk;
        QVERIFY(desk.startIn(folder.filePath(QStringLiteral("house"))));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));
        Database& db = desk.database();

        const QMap<QString, QStringList> expected = {
            { QStringLiteral("worksinfo"),
                { u"str1"_s, u"str2"_s, u"str3"_s, u"str4"_s, u"str5"_s, u"str6"_s, u"str7"_s, u"str8"_s, u"str9"_s,
                    u"restday"_s, u"workstatus"_s } },
            { QStringLiteral("kucheninfo"),
                { u"str1"_s, u"str2"_s, u"str3"_s, u"str4"_s, u"str5"_s, u"str6"_s, u"str7"_s, u"str8"_s, u"str9"_s } },
            { QStringLiteral("huiyeninfo"),
                { u"str1"_s, u"str2"_s, u"str3"_s, u"str4"_s, u"str5"_s, u"str6"_s, u"str7"_s, u"str8"_s, u"str9"_s } },
            { QStringLiteral("Receiptform"),
                { u"id"_s, u"housnum"_s, u"bytime"_s, u"massagetime"_s, u"washfoottime"_s, u"trimfoot"_s, u"spjine"_s,
                    u"dazhe"_s, u"dazheperson"_s, u"alljine"_s, u"paytype"_s, u"cashier"_s, u"time"_s,
                    // Added later: how the guest paid and the service lines as printed.
                    u"paymethod"_s, u"massageprice"_s, u"massagejine"_s, u"washfootprice"_s, u"washfootjine"_s,
                    u"trimfootprice"_s, u"trimfootjine"_s } },
            { QStringLiteral("salaryform"),
                { u"id"_s, u"num"_s, u"name"_s, u"massagetime"_s, u"washfoottime"_s, u"salary"_s, u"time"_s,
                    u"cashier"_s } },
            { QStringLiteral("spsalay"),
                { u"id"_s, u"name"_s, u"danwe"_s, u"danjia"_s, u"counter"_s, u"jine"_s, u"time"_s, u"cashier"_s } },
            { QStringLiteral("company"),
                { u"id"_s, u"name"_s, u"area"_s, u"address"_s, u"postnum"_s, u"person"_s, u"tel"_s, u"email"_s,
                    u"smail"_s, u"homepage"_s, u"about"_s } },
            { QStringLiteral("jstichen"),
                { u"id"_s, u"massage1"_s, u"massage2"_s, u"massage3"_s, u"massageall"_s, u"wash"_s, u"avertime"_s } },
            { QStringLiteral("adm"), { u"logoid"_s, u"password"_s, u"name"_s } },
            { QStringLiteral("manager"), { u"logoid"_s, u"password"_s, u"name"_s } },
            { QStringLiteral("minister"), { u"logoid"_s, u"password"_s, u"name"_s } },
            { QStringLiteral("cashier"), { u"logoid"_s, u"password"_s, u"name"_s } },
            { QStringLiteral("wtimechgcondition"), { u"id"_s, u"spaceday"_s, u"time"_s } },
        };
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(columnsOf(db, it.key()), it.value());
        QStringList authority { QStringLiteral("id") };
        for (int i = 1; i <= PermissionFlagCount; ++i)
            authority << QStringLiteral("str%1").arg(i);
        QCOMPARE(columnsOf(db, QStringLiteral("authority")), authority);

        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM company WHERE id=2004")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM jstichen WHERE id=2003")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM wtimechgcondition WHERE id=1")).toInt(), 1);
        QCOMPARE(JoinedRows(db, QStringLiteral("SELECT id FROM authority ORDER BY id")), QStringLiteral("0,1,2,3"));
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
        SettingFolder house(folder.filePath(QStringLiteral("house")));
        QCOMPARE(ReadSettingInt(house, GroupCountFile.toString(), quiet), 1);
        const auto rooms = RoomNumbers::read(house, RoomNumbers::fileName(0), quiet);
        QVERIFY(rooms);
        QCOMPARE(rooms->numbers.first(), 101);
        QCOMPARE(rooms->numbers.last(), 140);
        QVERIFY(rooms->seats.first() > 0);
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("house/pagesel0.dat"))).size(), 320);
        const auto prices = ServiceSettings::read(house, quiet);
        QVERIFY(prices);
        QVERIFY(prices->massagePrice > Decimal());
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("house/sys.nnf"))).size(), 40);
        QVERIFY(quiet.shown().isEmpty());

        // The folder became the current directory.
        QCOMPARE(QDir::current().absolutePath(), QDir(folder.filePath(QStringLiteral("house"))).absolutePath());
    }

    void secondStartKeepsTheData()
    {
        QTemporaryDir folder;
        {
            DeskFixture desk;
            QVERIFY(desk.startIn(folder.path()));
            desk.database().exec(QStringLiteral("INSERT INTO kucheninfo (str1, str2) VALUES ('K1', '啤酒')"));
            desk.database().exec(QStringLiteral("UPDATE company SET name='老店' WHERE id=2004"));
        }
        DeskFixture desk;
        QVERIFY(desk.startIn(folder.path()));
        QVERIFY(desk.messages.shown().isEmpty());
        QCOMPARE(desk.database().scalar(QStringLiteral("SELECT str2 FROM kucheninfo WHERE str1='K1'")).toString(),
            QStringLiteral("啤酒"));
        QCOMPARE(desk.session().companyName(), QStringLiteral("老店"));
        QCOMPARE(desk.database().scalar(QStringLiteral("SELECT count(*) FROM authority")).toInt(), 4);
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
        DeskFixture desk;
        QVERIFY(!desk.startIn(folder.path()));
        QCOMPARE(desk.messages.shown().size(), 1);
        // One Chinese sentence that says what is wrong and what to do, then the database's text.
        const QString text = desk.messages.lastText();
        QVERIFY2(
            text.startsWith(QStringLiteral("数据库文件 %1 已损坏,或者根本不是数据库:请关闭程序,用最近的备份替换它。")
                                .arg(folder.filePath(QStringLiteral("data.db")))),
            qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("\n数据库的提示: file is not a database")), qPrintable(text));
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
            DeskFixture desk;
            QVERIFY(desk.startIn(folder.path()));
        }
        Database other;
        QVERIFY(other.open(folder.filePath(QStringLiteral("data.db"))));
        QVERIFY(other.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")).ok());
        QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")).ok());
        DeskFixture desk;
        QVERIFY(!desk.startIn(folder.path()));
        const QString text = desk.messages.lastText();
        QVERIFY2(text.startsWith(QStringLiteral("数据库文件 %1 正被另一个程序使用:请关闭那个程序,然后再启动本程序。")
                                     .arg(folder.filePath(QStringLiteral("data.db")))),
            qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("\n数据库的提示: database is locked")), qPrintable(text));
        other.exec(QStringLiteral("ROLLBACK"));
    }

    void aFolderThatCannotBeMadeFailsRegistration()
    {
        QTemporaryDir folder;
        QFile plainFile(folder.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        plainFile.close();
        DeskFixture desk;
        QVERIFY(!desk.startIn(folder.filePath(QStringLiteral("not-a-folder/house"))));
        QCOMPARE(desk.messages.shown().size(), 1);
        QVERIFY(desk.messages.lastText().startsWith(QStringLiteral("数据库注册失败!\n")));
        QVERIFY(desk.messages.lastText().contains(folder.filePath(QStringLiteral("not-a-folder/house"))));
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
        QCOMPARE(
            env.database.scalar(u"SELECT %1 FROM worksinfo WHERE str1=?"_s.arg(StoredTypeOf(u"str2"_s)), { tricky })
                .toString(),
            QStringLiteral("text"));
    }

    // A worker opens a second connection to the place the desk's is open on (the file, or the
    // server with the desk's password): it reads what the desk committed and writes nothing.
    void aSecondConnectionReadsTheSamePlace()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(u"07"_s, u"技师07"_s);
        const Database::Place place = env.database.place();
        QCOMPARE(place.server.has_value(), env.server() != nullptr);
        QString read;
        QString written;
        QThread* worker = QThread::create([&place, &read, &written] {
            Database reader;
            if (!reader.openLike(place)) {
                read = reader.lastError();
                return;
            }
            read = reader.scalar(u"SELECT str2 FROM worksinfo WHERE str1=?"_s, { u"07"_s }).toString();
            written = reader.exec(u"UPDATE worksinfo SET str2='x' WHERE str1='07'"_s).error;
        });
        worker->start();
        QVERIFY(worker->wait(30000));
        delete worker;
        QCOMPARE(read, u"技师07"_s);
        QVERIFY(!written.isEmpty()); // refused: the connection only reads
        QCOMPARE(env.database.scalar(u"SELECT str2 FROM worksinfo WHERE str1='07'"_s).toString(), u"技师07"_s);

        Database closed;
        QVERIFY(!closed.openLike(closed)); // nowhere to go
        QVERIFY(!closed.lastError().isEmpty());
    }

    void aFailedStatementReportsItsText()
    {
        TestEnvironment env;
        const SqlResult result = env.database.exec(QStringLiteral("SELECT * FROM nosuchtable"));
        QVERIFY(!result.ok());
        QVERIFY(result.error.contains(QStringLiteral("nosuchtable")));
    }

    // An insert gives the new row's key, read by the statement itself: the key that later
    // finds, orders and deletes the row, also after rows before it were deleted.
    void anInsertGivesTheKeyOfItsRow()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString key = env.database.dialect().rowKey();
        const QString insert = QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (?, ?, '')");
        const Outcome<qint64> first = env.database.insert(insert, { 1, u"啤酒"_s });
        QVERIFY2(first.ok(), qPrintable(first.text()));
        const Outcome<qint64> second = env.database.insert(insert, { 1, u"花生"_s });
        QVERIFY(second.ok());
        QVERIFY(second.value() > first.value());
        QCOMPARE(env.database.scalar(u"SELECT name FROM spsalay WHERE %1=?"_s.arg(key), { second.value() }).toString(),
            u"花生"_s);
        QVERIFY(env.database.exec(u"DELETE FROM spsalay WHERE %1=?"_s.arg(key), { second.value() }).ok());
        const Outcome<qint64> third = env.database.insert(insert, { 2, u"瓜子"_s });
        QVERIFY(third.ok());
        QCOMPARE(env.database.scalar(u"SELECT name FROM spsalay WHERE %1=?"_s.arg(key), { third.value() }).toString(),
            u"瓜子"_s);
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM spsalay"_s).toInt(), 2);

        // A failed insert is a failure with the database's text, and writes nothing.
        const Outcome<qint64> failed = env.database.insert(u"INSERT INTO spsalay (nosuch) VALUES (?)"_s, { 1 });
        QVERIFY(failed.isFailure());
        QVERIFY2(failed.text().contains(u"nosuch"_s), qPrintable(failed.text()));
        QCOMPARE(env.database.scalar(u"SELECT count(*) FROM spsalay"_s).toInt(), 2);
    }

    // Each spelling of an engine of its own: SQLite's as the desk has always written them (the
    // triggers of a file are compared by their text), the server's with its own functions.
    void eachEngineHasItsSpellings()
    {
        const SqlDialect sqlite(SqlEngine::Sqlite);
        const SqlDialect server(SqlEngine::Postgres);
        TestEnvironment env;
        QCOMPARE(env.database.dialect(), env.server() ? server : sqlite);

        QCOMPARE(sqlite.rowKey(), u"rowid"_s);
        QCOMPARE(server.rowKey(), u"rowid"_s);
        QCOMPARE(sqlite.leadingInteger(u"x"_s), u"CAST(x AS INTEGER)"_s);
        QCOMPARE(server.leadingInteger(u"x"_s), u"tavrel_leading_integer(x)"_s);
        QCOMPARE(sqlite.leadingReal(u"x"_s), u"CAST(x AS REAL)"_s);
        QCOMPARE(server.leadingReal(u"x"_s), u"tavrel_leading_real(x)"_s);
        QCOMPARE(sqlite.leadingFen(u"x"_s), u"CAST(round(round(CAST(x AS REAL), 2)*100) AS INTEGER)"_s);
        QCOMPARE(server.leadingFen(u"x"_s), u"tavrel_leading_fen(x)"_s);
        QCOMPARE(sqlite.leadingFenOfVersion7(u"x"_s), u"CAST(round(CAST(x AS REAL)*100) AS INTEGER)"_s);
        for (const SqlDialect& dialect : { sqlite, server }) {
            QCOMPARE(dialect.fen(u"x"_s), u"tavrel_fen(x)"_s);
            QCOMPARE(dialect.fenSum(u"x"_s), u"tavrel_fen_sum(x)"_s);
            QCOMPARE(dialect.dayOf(u"time"_s), u"substr(time, 1, 10)"_s);
            QCOMPARE(dialect.hourOf(u"time"_s), u"substr(time, 12, 2)"_s);
            QCOMPARE(dialect.savepoint(u"s"_s), u"SAVEPOINT s"_s);
        }
        QCOMPARE(sqlite.contains(u"str1"_s), u"str1 LIKE ? ESCAPE '\\'"_s);
        QCOMPARE(server.contains(u"str1"_s), u"str1 ILIKE ? ESCAPE '\\'"_s);
        QCOMPARE(sqlite.beginWrite(), u"BEGIN IMMEDIATE"_s);
        QCOMPARE(server.beginWrite(), u"BEGIN"_s);

        const auto upsert = [](const SqlDialect& dialect, SqlDialect::OnConflict how) {
            return dialect.upsert(u"t"_s, { u"k"_s, u"n"_s }, { u"?"_s, u"1"_s }, { u"k"_s }, { u"n"_s }, how);
        };
        QCOMPARE(upsert(sqlite, SqlDialect::OnConflict::Add),
            u"INSERT INTO t (k, n) VALUES (?, 1) ON CONFLICT (k) DO UPDATE SET n=n+excluded.n"_s);
        QCOMPARE(upsert(server, SqlDialect::OnConflict::Add),
            u"INSERT INTO t (k, n) VALUES (?, 1) ON CONFLICT (k) DO UPDATE SET n=t.n+excluded.n"_s);
        QCOMPARE(upsert(sqlite, SqlDialect::OnConflict::Replace),
            u"INSERT INTO t (k, n) VALUES (?, 1) ON CONFLICT (k) DO UPDATE SET n=excluded.n"_s);

        // Both forms run on the engine the house is on and do what they say.
        const SqlDialect& spoken = env.database.dialect();
        env.sql(u"CREATE TABLE t (k TEXT PRIMARY KEY, n INTEGER)"_s);
        for (int i = 0; i < 3; ++i)
            QVERIFY(env.database.exec(upsert(spoken, SqlDialect::OnConflict::Add), { u"a"_s }).ok());
        QCOMPARE(env.database.scalar(u"SELECT n FROM t WHERE k='a'"_s).toInt(), 3);
        QVERIFY(env.database.exec(upsert(spoken, SqlDialect::OnConflict::Replace), { u"a"_s }).ok());
        QCOMPARE(env.database.scalar(u"SELECT n FROM t WHERE k='a'"_s).toInt(), 1);
        QCOMPARE(SqlDialect::of(env.database.connection()), spoken);
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

    // --- transactions that compose --------------------------------------------------------------

    void aTransactionInsideAnotherIsASavepointOfIt()
    {
        TestEnvironment env;
        const auto count
            = [&env] { return env.database.scalar(QStringLiteral("SELECT count(*) FROM spsalay")).toInt(); };
        const QString insert = QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (?, 'a', '')");
        {
            SqlTransaction action(env.database);
            QVERIFY(action.isActive() && !action.isNested());
            QVERIFY(env.database.exec(insert, { 1 }).ok());
            {
                SqlTransaction store(env.database); // a store's own transaction joins the action
                QVERIFY(store.isActive() && store.isNested());
                QCOMPARE(env.database.transactionDepth(), 2);
                QVERIFY(env.database.exec(insert, { 2 }).ok());
                QVERIFY(store.commit());
            }
            {
                SqlTransaction failing(env.database);
                QVERIFY(env.database.exec(insert, { 3 }).ok());
                // Not committed: only this part is undone.
            }
            QCOMPARE(count(), 2);
            QVERIFY(action.commit());
        }
        QCOMPARE(env.database.transactionDepth(), 0);
        QCOMPARE(JoinedRows(env.database, QStringLiteral("SELECT id FROM spsalay ORDER BY id")), QStringLiteral("1,2"));

        {
            // A released part is undone with the action around it.
            SqlTransaction action(env.database);
            {
                SqlTransaction store(env.database);
                QVERIFY(env.database.exec(insert, { 4 }).ok());
                QVERIFY(store.commit());
            }
        }
        QCOMPARE(count(), 2);
    }

    // A write whose answer is not read goes, on a server, with the next statement that is
    // waited for; on a file at once. Either way it comes before what follows it, a savepoint
    // undoes it, and its failure fails the transaction whole.
    void aWriteSentLaterKeepsItsPlaceAndItsFailure()
    {
        TestEnvironment env;
        Database& database = env.database;
        const QString insert = QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (?, 'a', '')");
        const auto rows
            = [&database] { return JoinedRows(database, QStringLiteral("SELECT id FROM spsalay ORDER BY id")); };
        {
            SqlTransaction action(database);
            QVERIFY(database.execLater(insert, { 1 }).isEmpty());
            QCOMPARE(rows(), u"1"_s); // read through the other road to the database
            QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM spsalay")).toInt(), 1);
            {
                SqlTransaction part(database);
                QVERIFY(database.execLater(insert, { 2 }).isEmpty());
                // Not committed: undone, and the outer work goes on.
            }
            QVERIFY(database.execLater(insert, { 3 }).isEmpty());
            QVERIFY(action.commit());
        }
        QCOMPARE(rows(), u"1,3"_s);

        // A receipt number taken twice: the second write fails where it is sent at the latest,
        // and nothing of the action is kept.
        const QString receipt = QStringLiteral("INSERT INTO Receiptform (id, time) VALUES (?, '')");
        {
            SqlTransaction action(database);
            QVERIFY(database.execLater(insert, { 4 }).isEmpty());
            QString failure = database.execLater(receipt, { 7 });
            if (failure.isEmpty())
                failure = database.execLater(receipt, { 7 });
            if (failure.isEmpty())
                failure = database.exec(QStringLiteral("SELECT count(*) FROM spsalay")).error;
            QVERIFY(!failure.isEmpty());
            // The caller gives the action up; on a server the transaction has failed already,
            // and even a commit would end it with a rollback and say so.
            if (database.server())
                QVERIFY(!action.commit());
        }
        QCOMPARE(database.transactionDepth(), 0);
        QCOMPARE(rows(), u"1,3"_s);
        QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toInt(), 0);

        // Outside a transaction it is written at once; the next action works as before.
        QVERIFY(database.execLater(insert, { 5 }).isEmpty());
        QCOMPARE(rows(), u"1,3,5"_s);
        {
            SqlTransaction action(database);
            QVERIFY(database.execLater(receipt, { 7 }).isEmpty());
            QVERIFY(action.commit());
        }
        QCOMPARE(database.scalar(QStringLiteral("SELECT count(*) FROM Receiptform")).toInt(), 1);

        // A read sent later has its rows once a statement after it has come back; behind a
        // failed write it never gets them, and says so.
        const QString count = QStringLiteral("SELECT count(*) FROM spsalay WHERE id>=?");
        {
            SqlTransaction action(database);
            QVERIFY(database.execLater(insert, { 8 }).isEmpty());
            const std::shared_ptr<const SqlResult> read = database.readLater(count, { 5 });
            QVERIFY(database.execLater(insert, { 9 }).isEmpty());
            QCOMPARE(read->ok(), !database.server()); // on a file at once
            QCOMPARE(database.scalar(count, { 5 }).toInt(), 3);
            QVERIFY(read->ok());
            QCOMPARE(read->first().value(0).toInt(), 2); // 5 and 8, not 9 yet
            QVERIFY(action.commit());
        }
        {
            SqlTransaction action(database);
            QString failure = database.execLater(receipt, { 7 }); // on a file it fails at once
            if (failure.isEmpty()) {
                const std::shared_ptr<const SqlResult> read = database.readLater(count, { 0 });
                failure = database.sendDeferred();
                QVERIFY(!read->ok());
            }
            QVERIFY(!failure.isEmpty());
        }
        QCOMPARE(rows(), u"1,3,5,8,9"_s);
    }

    void workQueuedOnCommitWaitsForTheOutermostCommit()
    {
        TestEnvironment env;
        QStringList done;
        {
            SqlTransaction action(env.database);
            action.onCommit([&done] { done << QStringLiteral("action"); });
            {
                SqlTransaction store(env.database);
                store.onCommit([&done] { done << QStringLiteral("store"); });
                QVERIFY(store.commit());
            }
            {
                SqlTransaction undone(env.database);
                undone.onCommit([&done] { done << QStringLiteral("undone"); });
                undone.onRollback([&done] { done << QStringLiteral("rolled back"); });
            }
            QCOMPARE(done, QStringList { QStringLiteral("rolled back") }); // nothing ran before the commit
            QVERIFY(action.commit());
        }
        QCOMPARE(
            done, (QStringList { QStringLiteral("rolled back"), QStringLiteral("action"), QStringLiteral("store") }));

        done.clear();
        {
            SqlTransaction action(env.database);
            {
                SqlTransaction store(env.database);
                store.onCommit([&done] { done << QStringLiteral("store"); });
                store.onRollback([&done] { done << QStringLiteral("store undone"); });
                QVERIFY(store.commit());
            }
        } // the action rolls back: the released part's work is dropped, its undo runs
        QCOMPARE(done, QStringList { QStringLiteral("store undone") });

        done.clear();
        env.database.onCommit([&done] { done << QStringLiteral("at once"); });
        QCOMPARE(done, QStringList { QStringLiteral("at once") }); // no transaction open
    }

    // A kept statement never runs with values of an earlier call.
    void everyRunOfAKeptStatementNeedsAllItsValues()
    {
        TestEnvironment env;
        const QString insert = u"INSERT INTO spsalay (id, name, time) VALUES (?, ?, '')"_s;
        QVERIFY(!env.database.exec(insert, { 1 }).ok());
        QVERIFY(env.database.exec(insert, { 1, u"茶"_s }).ok());
        QVERIFY(!env.database.exec(insert, { 2 }).ok());
        QVERIFY(!env.database.exec(insert, { 2, u"茶"_s, 3 }).ok());
        QVERIFY(env.database.exec(insert, { 2, u"咖啡"_s }).ok());
        QCOMPARE(JoinedRows(env.database, u"SELECT name FROM spsalay ORDER BY id"_s), u"茶,咖啡"_s);
    }

    // A finished statement keeps no read open: the table can be dropped and another connection
    // can checkpoint the log right after a read, although the statement stays prepared.
    void aReadLeavesNoStatementOpen()
    {
        TAVREL_SKIP_ON_SERVER("the write-ahead log and its checkpoint are the file's");
        TestEnvironment env;
        Database other;
        QVERIFY(other.open(env.filePath(QStringLiteral("data.db"))));
        env.sql(QStringLiteral("CREATE TABLE scratch (v INTEGER)"));
        env.sql(QStringLiteral("INSERT INTO scratch (v) VALUES (1), (2), (3)"));
        for (int round = 0; round < 3; ++round)
            QCOMPARE(env.database.exec(QStringLiteral("SELECT v FROM scratch WHERE v>=?"), { 2 }).rows.size(), 2);
        QVERIFY(other.exec(QStringLiteral("INSERT INTO spsalay (id, name, time) VALUES (9, 'b', '')")).ok());
        const SqlResult checkpoint = other.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QVERIFY(checkpoint.ok());
        QCOMPARE(checkpoint.first().value(0).toInt(), 0); // not blocked by a reader
        QVERIFY(env.database.exec(QStringLiteral("DROP TABLE scratch")).ok());
        QVERIFY(!env.database.exec(QStringLiteral("SELECT v FROM scratch WHERE v>=?"), { 2 }).ok());
    }

    // --- migrations -------------------------------------------------------------------------------

    void aVersionOneFileGainsTheDeskTables()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("data.db"));
        {
            Database first;
            QVERIFY2(first.create(path, 1), qPrintable(first.lastError()));
            QCOMPARE(first.scalar(QStringLiteral("PRAGMA user_version")).toInt(), 1);
            QVERIFY(!first.exec(QStringLiteral("SELECT count(*) FROM desk_bill")).ok());
            QVERIFY(first.exec(QStringLiteral("INSERT INTO worksinfo (str1, str2) VALUES ('07', '小周')")).ok());
        }
        DeskFixture desk;
        QVERIFY2(desk.startIn(folder.path()), qPrintable(desk.messages.texts().join(u'|')));
        Database& db = desk.database();
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA user_version")).toInt(), Database::SchemaVersion);
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT str2 FROM worksinfo WHERE str1='07'")).toString(), QStringLiteral("小周"));
        QCOMPARE(columnsOf(db, QStringLiteral("desk_bill")),
            (QStringList {
                u"room"_s, u"start_time"_s, u"massage_clocks"_s, u"foot_wash_clocks"_s, u"pedicure_count"_s }));
        QCOMPARE(columnsOf(db, QStringLiteral("desk_bill_technician")),
            (QStringList { u"room"_s, u"position"_s, u"number"_s, u"name"_s, u"massage_clocks"_s, u"foot_wash_clocks"_s,
                u"released"_s, u"requested"_s }));
        QCOMPARE(columnsOf(db, QStringLiteral("desk_bill_goods")),
            (QStringList { u"room"_s, u"position"_s, u"name"_s, u"quantity"_s, u"unit_price"_s, u"unit"_s }));
        for (const QString& table : { QStringLiteral("desk_room"), QStringLiteral("desk_queue"),
                 QStringLiteral("desk_rota"), QStringLiteral("desk_day") })
            QVERIFY2(!columnsOf(db, table).isEmpty(), qPrintable(table));
        // with the daily ledger (its receipts also per day and method), the chain links, house settings, failed
        // logins, the setting files' rows, the service items and the receipts' item lines, the open bills' item
        // lines, the receipts' technicians' calls and their two ledgers, the parts of the receipts' payments, their
        // waived change and the ledger of the parts, the member cards, their ledger, its daily sums and the top-up
        // rules, and the goods sales per month
        QCOMPARE(Schema::tableNames().size(), 45);

        // The migrated desk keeps its live state.
        QVERIFY(desk.session().markGuestIn(QStringLiteral("101")).ok());
        QVERIFY(desk.startIn(folder.path()));
        QCOMPARE(desk.session().roomState(QStringLiteral("101")), RoomState::GuestIn);
    }

    void anEmptyDatabaseFileIsCompletedNotReplaced()
    {
        QTemporaryDir folder;
        {
            QFile file(folder.filePath(QStringLiteral("data.db")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DeskFixture desk;
        QVERIFY(desk.startIn(folder.path()));
        QCOMPARE(desk.database().scalar(QStringLiteral("SELECT count(*) FROM authority")).toInt(), 4);
    }
};

QTEST_MAIN(DatabaseTest)
#include "tst_database.moc"
