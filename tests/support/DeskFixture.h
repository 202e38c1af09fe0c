#pragma once

#include "support/CountingAlertSound.h"
#include "support/ManualClock.h"
#include "support/PdfPrinterChooser.h"
#include "support/RecordingDesktopLauncher.h"
#include "support/RecordingSpeech.h"
#include "support/ScriptedFileChooser.h"
#include "support/ScriptedMessageService.h"
#include "support/ServerFixture.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

class Database;
class DeskApplication;
class DeskSession;
class MainWindow;

// The whole desk program, offscreen, on a data folder that outlives one run of it: start it,
// drive its windows, end a run as a crash would and start it again on the same folder.
// With TAVREL_TEST_ENGINE=postgres (see TestsOnServer()) the folder's server.ini names a fresh
// database of the server that holds a house made by createHouse(), so every run of the desk on
// the folder works on that one database.
class DeskFixture
{
    QTemporaryDir m_folder; // first: the folder outlives every run in it
    std::unique_ptr<ServerFixture> m_server; // the server's database outlives every run too

public:
    explicit DeskFixture(const QDateTime& now = QDateTime(QDate(2026, 12, 7), QTime(9, 15, 30)));
    ~DeskFixture();

    // Starts a new run on the fixture's folder. `setUp` first gets the database of a run
    // that prepared the folder (the current directory then), to change the installation. The
    // messages are cleared before the new run starts.
    bool start(const std::function<void(Database&)>& setUp = {});
    // Starts a new run on another folder.
    bool startIn(const QString& folder);
    // Ends the run without closing the window, as a crash or a kill would.
    void kill();

    QString folder() const { return m_folder.path(); }
    // The server's database the folder names; null on SQLite.
    const ServerFixture* server() const { return m_server.get(); }
    DeskApplication& application() const { return *m_application; }
    MainWindow& window() const;
    DeskSession& session() const;
    Database& database() const;

    // A setting of the house the folder belongs to: a file of the folder, or its row on the
    // server, reached on a connection of its own, so that a test looks while the desk runs or
    // after it closed. The bytes are empty when none are stored.
    QByteArray settingBytes(const QString& name) const;
    bool holdsSetting(const QString& name) const;
    bool removeSetting(const QString& name) const;

    ScriptedMessageService messages;
    ManualClock clock;
    PdfPrinterChooser printers;
    RecordingDesktopLauncher launcher;
    ScriptedFileChooser files;
    CountingAlertSound sound;
    RecordingSpeech speech;

private:
    std::unique_ptr<DeskApplication> newRun();

    std::unique_ptr<DeskApplication> m_application;
};
