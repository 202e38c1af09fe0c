#pragma once

#include "app/AppServices.h"
#include "app/Database.h"
#include "app/DeskState.h"

#include <QString>

#include <memory>

class MainWindow;

// The whole desk program in one object, for main() and for tests that drive it end to end:
//
//     ScriptedMessageService messages;   // records texts, answers questions from a queue
//     ManualClock clock;                 // or SystemClock
//     PdfPrinterChooser printers(dir + "/print");
//     RecordingDesktopLauncher launcher;
//     DeskApplication desk({messages, clock, printers, launcher});
//     if (desk.start(dataFolder))        // prepares the folder, opens or creates data.db
//         desk.mainWindow().show();      // then drive any window through its widgets
//
// start() shows "数据库注册失败!" when the folder cannot be made or written, and the database
// error text when data.db cannot be opened; it then returns false and no window exists.
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
    DeskState& desk() { return m_desk; }

    // The folder used when no --data-dir is given.
    static QString defaultDataFolder();

private:
    Database m_database;
    DeskState m_desk;
    AppServices m_services;
    std::unique_ptr<MainWindow> m_mainWindow;
};
