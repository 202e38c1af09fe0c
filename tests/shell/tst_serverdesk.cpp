// A desk whose folder names a database server opens the house there, as a whole desk
// program: it asks for nothing it does not need, says what is wrong when the server holds no
// house, keeps nothing of the house in its folder, and backs the server's database up by its
// dump.

#include "app/Backups.h"
#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/ServerAddress.h"
#include "desk/DailyCheck.h"
#include "desk/DeskSession.h"
#include "records/CompanyProfileDialog.h"
#include "shell/BackupDialog.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/ManualClock.h"
#include "support/ServerFixture.h"
#include "support/WidgetDriver.h"
#include "users/Roles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Makes a house on the test's server and points the desk's folder at it; what went wrong, if
// anything.
QString PointAtANewHouse(const ServerFixture& server, const DeskFixture& desk)
{
    if (!server.ok())
        return server.error();
    Database maker;
    if (!maker.createHouse(server.address()))
        return maker.lastError();
    return ServerAddressFile::write(desk.folder(), server.address()) ? QString() : u"server.ini not written"_s;
}

} // namespace

class tst_ServerDesk : public QObject
{
    Q_OBJECT

private slots:
    void aDeskOpensTheHouseItsFolderNames()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        ServerFixture server;
        QVERIFY2(server.ok(), qPrintable(server.error()));
        DeskFixture desk;
        QVERIFY(ServerAddressFile::write(desk.folder(), server.address()));

        // No house on the server yet: the desk says how to make one, and makes nothing.
        QVERIFY(!desk.start());
        QCOMPARE(desk.messages.shown().size(), 1);
        QVERIFY2(desk.messages.lastText().contains(u"--create-house"_s), qPrintable(desk.messages.lastText()));
        QVERIFY(!QFileInfo::exists(DataFolder::databasePath(desk.folder())));

        {
            Database maker;
            QVERIFY2(maker.createHouse(server.address()), qPrintable(maker.lastError()));
        }
        QVERIFY(desk.start());
        QVERIFY2(desk.messages.texts().isEmpty(), qPrintable(desk.messages.texts().join(u'\n')));
        QCOMPARE(desk.database().dialect().engine(), SqlEngine::Postgres);
        QVERIFY(desk.database().server().has_value());
        QVERIFY(!QFileInfo::exists(DataFolder::databasePath(desk.folder())));
        QVERIFY(desk.application().isOnServer());
        // The house's settings are the server's rows, the delivered ones written by the first
        // desk; the folder holds none of them.
        QString error;
        QVERIFY(desk.database().scalar(u"SELECT count(*) FROM setting_file WHERE name='sys.nnf'"_s, {}, &error).toInt()
            == 1);
        QVERIFY(!QFileInfo::exists(QDir(desk.folder()).filePath(u"sys.nnf"_s)));
        QVERIFY(!QFileInfo::exists(QDir(desk.folder()).filePath(u"pagesel0.dat"_s)));

        // The live state is the server's: a guest shown in at this desk is there for the next.
        QVERIFY(desk.session().markGuestIn(u"101"_s));
        QVERIFY(desk.start());
        QVERIFY(desk.session().guestInRooms().contains(u"101"_s));

        // A restore changes every desk's data: it is the server's administrator's.
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        desk.window().action(MainWindow::Command::Restore)->trigger();
        QCOMPARE(desk.messages.texts(), QStringList { DeskApplication::ServerRestoreText.toString() });
    }

    // "数据备份" at a desk of a server: the server's dump, in this desk's backup folder, that
    // pg_restore makes into a house a desk opens as it was.
    void aBackupIsTheServersDump()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        ServerFixture server;
        DeskFixture desk;
        const QString ready = PointAtANewHouse(server, desk);
        QVERIFY2(ready.isEmpty(), qPrintable(ready));
        QVERIFY(desk.start());
        QVERIFY(desk.session().markGuestIn(u"101"_s));

        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        int listed = -1;
        WhenDialogOpens<BackupDialog>([&](BackupDialog* dialog) {
            Click(dialog, u"backUpButton"_s);
            listed = Child<QListWidget>(dialog, u"backupList"_s)->count();
            Click(dialog, u"closeButton"_s);
        });
        desk.window().action(MainWindow::Command::Backup)->trigger();
        QCOMPARE(listed, 1);
        QVERIFY2(desk.messages.lastText().startsWith(u"备份完成"_s), qPrintable(desk.messages.texts().join(u'\n')));

        const QList<Backups::Entry> backups = Backups::list(Backups::folderOf(desk.folder()));
        QCOMPARE(backups.size(), 1);
        const Backups::Entry& backup = backups.first();
        QVERIFY(backup.serverDump);
        QVERIFY(backup.databasePath().endsWith(u"/data.dump"_s));
        const Outcome<Backups::Contents> contents = Backups::inspect(backup.databasePath());
        QVERIFY2(contents, qPrintable(contents.text()));
        QCOMPARE(contents.value().schemaVersion, Database::SchemaVersion);
        QCOMPARE(
            desk.database().scalar(u"SELECT count(*) FROM operator_log WHERE description LIKE '数据备份到%'"_s).toInt(),
            1);
        // A dump that cannot be taken, or is stopped half-way, leaves nothing behind.
        const QString folder = Backups::folderOf(desk.folder());
        const auto everything
            = [&folder] { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
        const QStringList before = everything();
        QVERIFY(!Backups::dump({ server.address().withDatabase(u"tavrel_no_such_house"_s), {} }, desk.folder(), folder,
            desk.clock.now().addSecs(60)));
        const std::atomic<bool> stop { true };
        Backups::Options stopping;
        stopping.stop = &stop;
        const Outcome<Backups::Entry> stopped
            = Backups::dump({ server.address(), {} }, desk.folder(), folder, desk.clock.now().addSecs(120), stopping);
        QCOMPARE(stopped.text(), u"已停止"_s);
        QCOMPARE(everything(), before);

        // A dump is never put in place of a desk's data.
        QCOMPARE(desk.application().restore(backup), Backups::DumpRestoreText.toString());

        // The administrator's restore, as the user guide tells it, gives the house back whole.
        ServerFixture restored;
        QVERIFY2(restored.ok(), qPrintable(restored.error()));
        QProcess pgRestore;
        pgRestore.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pgRestore.start(u"pg_restore"_s,
            { u"--exit-on-error"_s, u"--dbname="_s + restored.address().url(), backup.databasePath() });
        QVERIFY(pgRestore.waitForFinished(60'000));
        QCOMPARE(pgRestore.exitCode(), 0);
        Database again;
        QVERIFY2(again.openServer(restored.address()), qPrintable(again.lastError()));
        ManualClock clock;
        DeskSession session(again, clock);
        QVERIFY(session.restore());
        QVERIFY(session.guestInRooms().contains(u"101"_s));
    }

    // The first start of a business day at a desk of a server walks the chains and compares the
    // daily ledger with the rows on a connection of its own, as a desk on a file does after its
    // page check, and says what it found; the day of a sound walk is kept in the desk's folder.
    void theStartWalksTheServersChainsAndLedger()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        ServerFixture server;
        DeskFixture desk;
        const QString ready = PointAtANewHouse(server, desk);
        QVERIFY2(ready.isEmpty(), qPrintable(ready));
        const QString mark = DailyCheck::markPath(QDir(desk.folder()).filePath(u"server"_s));
        QVERIFY(desk.start());
        desk.application().checkDatabase();
        QTRY_VERIFY_WITH_TIMEOUT(!desk.application().isCheckingDatabase(), 30000);
        QVERIFY2(desk.messages.texts().isEmpty(), qPrintable(desk.messages.texts().join(u'\n')));
        QVERIFY(QFileInfo::exists(mark));
        // Found sound today: the next start of the day checks nothing more.
        QVERIFY(desk.start());
        desk.application().checkDatabase();
        QVERIFY(!desk.application().isCheckingDatabase());

        // A bill written past the desk (no link of its own) and a ledger figure changed by hand.
        Database other;
        QVERIFY2(other.openServer(server.address()), qPrintable(other.lastError()));
        QVERIFY(other
                    .exec(u"INSERT INTO Receiptform (id, housnum, alljine, paymethod, time) VALUES "
                          "(1, '101', '80.00', '现金', ?)"_s,
                        { desk.clock.now().toString(u"yyyy-MM-dd HH:mm:ss"_s) })
                    .ok());
        QVERIFY(other.exec(u"UPDATE ledger_receipts SET amount_fen=amount_fen+1"_s).ok());
        DailyCheck::forget(QDir(desk.folder()).filePath(u"server"_s));
        desk.messages.clear();
        QVERIFY(desk.start());
        desk.application().checkDatabase();
        QTRY_VERIFY_WITH_TIMEOUT(!desk.application().isCheckingDatabase(), 30000);
        const QStringList texts = desk.messages.texts();
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts[0].startsWith(u"营业日帐与已存的单据不符"_s), qPrintable(texts[0]));
        QVERIFY2(texts[1].startsWith(u"操作日志或营业单据在本程序之外被改动过"_s), qPrintable(texts[1]));
        // Changed rows are no damage: the walk was sound as a walk, and the day is kept.
        QVERIFY(QFileInfo::exists(mark));
    }

    // The server's connection breaks while a dialog holds typing: saving says so and keeps the
    // dialog and what was typed; once the desk has connected again by itself, the same click saves.
    void typingOutlivesALostConnection()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        ServerFixture server;
        DeskFixture desk;
        const QString ready = PointAtANewHouse(server, desk);
        QVERIFY2(ready.isEmpty(), qPrintable(ready));
        QVERIFY(desk.start());
        QSignalSpy connection(&desk.session(), &DeskSession::connectionChanged);
        CompanyProfileDialog dialog(desk.application().services());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* name = dialog.findChild<QLineEdit*>(u"nameEdit"_s);
        auto* tel = dialog.findChild<QLineEdit*>(u"telEdit"_s);
        TypeInto(name, u"金泉桑拿"_s);
        TypeInto(tel, u"020-88886666"_s);

        // The server ends every session of the house, as it does when it is restarted.
        QSqlQuery byHand(server.database());
        QVERIFY(byHand.exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname=current_database() "
                            "AND pid<>pg_backend_pid()"_s));
        Click(&dialog, u"okButton"_s);
        QVERIFY2(desk.messages.lastText().startsWith(u"与服务器的连接已断开"_s), qPrintable(desk.messages.lastText()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(name->text(), u"金泉桑拿"_s);
        QCOMPARE(tel->text(), u"020-88886666"_s);

        QTRY_VERIFY_WITH_TIMEOUT(
            !connection.isEmpty() && connection.last().first().toBool(), DeskSession::LookAgainInterval + 5000);
        QVERIFY(dialog.isVisible());
        QCOMPARE(name->text(), u"金泉桑拿"_s);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const SqlResult saved = desk.database().exec(u"SELECT name, tel FROM company WHERE id=2004"_s);
        QVERIFY2(saved.ok() && !saved.isEmpty(), qPrintable(saved.error));
        QCOMPARE(saved.first().value(0).toString(), u"金泉桑拿"_s);
        QCOMPARE(saved.first().value(1).toString(), u"020-88886666"_s);
    }

    // A server that cannot be reached: the desk names it and asks for no password.
    void anUnreachableServerIsNamed()
    {
        TAVREL_SKIP_WITHOUT_SERVER();
        DeskFixture desk;
        // A server that cannot be reached at all is not asked a password for.
        const Outcome<ServerAddress> nowhere = ServerAddress::parse(u"postgresql://desk@127.0.0.1:1/tavrel"_s);
        QVERIFY(nowhere);
        QVERIFY(ServerAddressFile::write(desk.folder(), nowhere.value()));
        QVERIFY(!desk.start());
        QCOMPARE(desk.messages.shown().size(), 1);
        QVERIFY(!desk.messages.shown().first().question);
        QVERIFY2(desk.messages.lastText().contains(u"无法连接数据库服务器"_s), qPrintable(desk.messages.lastText()));
    }
};

QTEST_MAIN(tst_ServerDesk)
#include "tst_serverdesk.moc"
