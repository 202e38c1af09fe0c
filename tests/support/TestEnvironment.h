#pragma once

#include "app/Database.h"
#include "app/SettingPlace.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/SystemSlipPrinter.h"
#include "support/CountingAlertSound.h"
#include "support/ManualClock.h"
#include "support/PdfPrinterChooser.h"
#include "support/RecordingDesktopLauncher.h"
#include "support/RecordingSpeech.h"
#include "support/ScriptedFileChooser.h"
#include "support/ScriptedMessageService.h"
#include "support/ServerFixture.h"

#include <QTemporaryDir>

#include <memory>

// A fresh installation for one test: a temporary data folder (made the current directory)
// with a new data.db, the delivered settings (files in the folder, or rows of data.db for the
// tests of a house whose desks share a server) and a restored desk session, plus the test
// seams: a message service that records texts and answers from a queue, a clock that stands
// still, a PDF printer chooser, a launcher that only records what it was asked to open, a save
// dialog answered from a queue and a bell that counts.
//
// With TAVREL_TEST_ENGINE=postgres (and TAVREL_TEST_SERVER, see ServerFixture) the house is made
// by createHouse() on a fresh database of the server instead of data.db, and its settings are
// rows there whichever place was asked for, as on a desk of such a house.
class TestEnvironment
{
    QTemporaryDir m_folder; // first: the folder outlives everything that works in it
    std::unique_ptr<ServerFixture> m_server; // the server's database outlives the connection

public:
    // Where the house's settings are kept.
    enum class Settings { InFolder, InRows };

    explicit TestEnvironment(Settings kept = Settings::InFolder);

    bool isReady() const { return m_ready; }
    // The server's database the house is on; null on SQLite.
    const ServerFixture* server() const { return m_server.get(); }
    QString folder() const { return m_folder.path(); }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

    // Runs a statement and fails loudly (qFatal) when it does not succeed: test set-up only.
    SqlResult sql(const QString& statement, const QVariantList& values = {});
    // Adds a staff row: number, name, title, restday, workstatus.
    void addStaff(const QString& number, const QString& name, const QString& title = QStringLiteral("技师"),
        int restday = 100, int workstatus = 0);

    ScriptedMessageService messages;
    ManualClock clock;
    PdfPrinterChooser printers;
    RecordingDesktopLauncher launcher;
    ScriptedFileChooser files;
    CountingAlertSound sound;
    RecordingSpeech speech;
    // Slips go out for real, with short waits: a test points them at a printer of its own.
    SystemSlipPrinter slips { { .connectMs = 1000, .writeMs = 1500, .answerMs = 1500, .queueMs = 3000 } };
    Database database;
    DeskSession session;

private:
    std::unique_ptr<SettingPlace> m_settings;

public:
    SettingPlace& settings;
    AppServices services;

private:
    bool m_ready = false;
};

// The engine the fixtures put a house on: TAVREL_TEST_ENGINE ("postgres" or "sqlite", the
// default), so that CTest runs every program once per engine.
bool TestsOnServer();

// Skips a test function that has no meaning on a server's house, with the reason.
#define TAVREL_SKIP_ON_SERVER(reason)                                                                                  \
    do {                                                                                                               \
        if (TestsOnServer())                                                                                           \
            QSKIP(reason);                                                                                             \
    } while (false)

// Where tests write pictures and PDFs for a person to look at.
QString TestOutputPath(const QString& fileName);

// Settings written for a test.
// A group whose rooms are numbered first, first + 1, ... with two seats each.
void WriteRoomGroup(SettingPlace& place, int group, int first);
void WriteGroupCount(SettingPlace& place, int count);
// The stored bytes of a setting, empty when there are none.
QByteArray SettingBytes(SettingPlace& place, const QString& name);
// Removes a setting of the house, as a hand in the folder or a tool on the server would.
bool RemoveSetting(TestEnvironment& env, const QString& name);
// For a test run once per place of the settings: its data gets a column "kept" (an int, the
// TestEnvironment::Settings) with a row for the files and one for the rows.
void AddSettingPlaceRows();
QByteArray FileBytes(const QString& name); // empty when the file cannot be read

// The rows `sql` reads, in its order: the columns of a row run together as texts, the rows
// joined by `separator`. Read and joined here, so that a test says the same on both engines.
QString JoinedRows(Database& database, const QString& sql, const QVariantList& values = {},
    const QString& separator = QStringLiteral(","));
// The expression that names the type a value is stored as ("text", "integer", ...) in the
// engine the tests run on.
QString StoredTypeOf(const QString& column);
