#pragma once

#include "app/Database.h"
#include "app/SlipPrinter.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"

#include <QString>

#include <functional>
#include <memory>

class DataFolderLock;
class DatabaseCheck;
class DeskBackups;
namespace Backups {
struct Entry;
}
class MainWindow;
class SettingPlace;
class QObject;

// The whole desk program in one object, for main() and for tests that drive it end to end.
// It stands on top of the floors of the source tree, each of which uses only those below it:
//
//     shell/     this object, the main window and its command table, the first start, and the
//                real message boxes, print dialog and desktop launcher
//     rooms/ service/ schedule/ records/ payroll/ reports/ users/ skin/
//                the subsystems: their rules (core) and their dialogs (gui); each offers the
//                main window one opener per command (rooms/RoomCommands.h, …)
//     desk/      the desk session: the live state of rooms, open bills, queues, rota and
//                login, kept in the database so that a crash loses nothing
//     app/       the database, its schema and transactions, setting files, formats, the
//                clock and the seam interfaces
//
// scripts/check-floors.sh, run by CTest, keeps it so.
//
//     ScriptedMessageService messages;   // records texts, answers questions from a queue
//     ManualClock clock;                 // or SystemClock
//     PdfPrinterChooser printers(dir + "/print");
//     RecordingDesktopLauncher launcher;
//     ScriptedFileChooser files;         // answers the save dialog from a queue
//     CountingAlertSound sound;          // counts the end-of-clock sounds
//     RecordingSpeech speech;            // keeps the texts the desk would say
//     DeskApplication desk({messages, clock, printers, launcher, files, sound, speech});
//     if (desk.start(dataFolder))        // locks the folder, opens or creates data.db,
//         desk.mainWindow().show();      // restores the session; then drive any window
//
// A folder whose server.ini names a database server keeps the house there: start() opens it
// (asking for its password when libpq knows none), and the folder keeps only what is the
// desk's own. The backups and the checks of the file are then the server's business.
//
// start() shows "数据库注册失败!" when the folder cannot be made or written, says so when
// another running desk holds the folder, and shows what is wrong with data.db and what to do
// when it cannot be opened or the session cannot be restored; it then returns false, no window
// exists and nothing in the folder was changed.
class DeskApplication
{
public:
    struct Seams
    {
        MessageService& messages;
        const Clock& clock;
        PrinterChooser& printers;
        DesktopLauncher& launcher;
        FileChooser& files;
        AlertSound& sound;
        Speech& speech;
        // The thermal printer's way out; the system's own (CUPS, device, network) when none.
        SlipPrinter* slips = nullptr;
    };

    // What "数据恢复" says at a desk whose house is kept on a server.
    static constexpr QStringView ServerRestoreText = u"这家店的数据在数据库服务器上,不能在收银台恢复:恢复会改动每一台"
                                                     u"收银台的数据。请服务器的管理员用 pg_restore 恢复备份。";

    explicit DeskApplication(Seams seams);
    ~DeskApplication();

    bool start(const QString& dataFolder);

    // Shows the main window maximised. Once the board has been painted, the thorough check of
    // the database starts in the background (a damaged file is then reported), and `shown`
    // is called.
    void showBoard(const std::function<void()>& shown = {});
    // Starts the thorough check of the database now; its verdict is reported when it ends, and
    // a file found sound is then backed up.
    void checkDatabase();
    bool isCheckingDatabase() const;

    // Puts the database of `backup` in place of the desk's own and starts the desk again on it,
    // with the same folder lock held throughout: the backup is checked first, the current
    // database is backed up (a "-before-restore" backup), the windows are closed and the
    // connection with them, the file is replaced, and the desk opens it as at a start. Refused
    // while a dialog is still open. Returns the message for the user, empty when it was done.
    QString restore(const Backups::Entry& backup);

    MainWindow& mainWindow() const { return *m_mainWindow; }
    // The house is kept on a database server: its backups are the server's dumps, and the
    // file's checks and restores have no place.
    bool isOnServer() const { return m_database.server().has_value(); }
    DeskBackups& backups() const { return *m_backups; }
    AppServices& services() { return m_services; }
    Database& database() { return m_database; }
    DeskSession& session() { return m_session; }

    // The folder used when no --data-dir is given.
    static QString defaultDataFolder();

private:
    bool refuseFolder(const QString& folder);
    bool openDesk(const QString& databasePath);
    // Opens the house kept on `server`, asking for the password while the server refuses the
    // one given.
    bool openServerDesk(const ServerAddress& server, const QString& dataFolder);
    // The desk's backups from now on; one follows each hand-over.
    void keepBackups(std::unique_ptr<DeskBackups> backups);
    // The part of a start after the database is open: the session restored, the main window.
    bool openWindows();
    void bindBackupCommands();

    std::unique_ptr<DataFolderLock> m_folderLock; // first: held until everything else is gone
    Database m_database;
    DeskSession m_session;
    std::unique_ptr<SettingPlace> m_settings;
    std::unique_ptr<SlipPrinter> m_systemSlips; // used when the seams bring no slip printer
    AppServices m_services;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<QObject> m_boardWatcher;
    std::unique_ptr<DatabaseCheck> m_databaseCheck;
    std::unique_ptr<DeskBackups> m_backups;
    std::unique_ptr<QObject> m_restoreQueue; // runs a restore once the dialog asking for it is gone
    bool m_checkPending = false; // started and not reported yet
};
