#pragma once

#include "app/Database.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"

#include <QString>

#include <memory>

class MainWindow;

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
//     DeskApplication desk({messages, clock, printers, launcher});
//     if (desk.start(dataFolder))        // prepares the folder, opens or creates data.db,
//         desk.mainWindow().show();      // restores the session; then drive any window
//
// start() shows "数据库注册失败!" when the folder cannot be made or written, and the database
// error text when data.db cannot be opened or the session cannot be restored; it then
// returns false and no window exists.
class DeskApplication
{
public:
    struct Seams
    {
        MessageService& messages;
        const Clock& clock;
        PrinterChooser& printers;
        DesktopLauncher& launcher;
    };

    explicit DeskApplication(Seams seams);
    ~DeskApplication();

    bool start(const QString& dataFolder);

    MainWindow& mainWindow() const { return *m_mainWindow; }
    AppServices& services() { return m_services; }
    Database& database() { return m_database; }
    DeskSession& session() { return m_session; }

    // The folder used when no --data-dir is given.
    static QString defaultDataFolder();

private:
    Database m_database;
    DeskSession m_session;
    AppServices m_services;
    std::unique_ptr<MainWindow> m_mainWindow;
};
