// A desk whose folder names a database server opens the house there, as a whole desk
// program: it asks for nothing it does not need, says what is wrong when the server holds no
// house, keeps nothing of the house in its folder, and leaves backups to the server.

#include "app/DataFolder.h"
#include "app/Database.h"
#include "app/ServerAddress.h"
#include "desk/DeskSession.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "support/DeskFixture.h"
#include "support/ServerFixture.h"
#include "users/Roles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

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
        QVERIFY(!desk.application().hasBackups());
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

        // Backups and restores are the server's administrator's.
        desk.window().takeLogin(GeneralManager, u"总经理"_s, u"admin"_s);
        desk.window().action(MainWindow::Command::Backup)->trigger();
        desk.window().action(MainWindow::Command::Restore)->trigger();
        QCOMPARE(desk.messages.texts(),
            (QStringList {
                DeskApplication::ServerBackupText.toString(), DeskApplication::ServerRestoreText.toString() }));
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
