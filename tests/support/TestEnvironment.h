#pragma once

#include "app/Database.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "support/CountingAlertSound.h"
#include "support/ManualClock.h"
#include "support/PdfPrinterChooser.h"
#include "support/RecordingDesktopLauncher.h"
#include "support/ScriptedFileChooser.h"
#include "support/ScriptedMessageService.h"

#include <QTemporaryDir>

// A fresh installation for one test: a temporary data folder (made the current directory)
// with a new data.db, the delivered setting files and a restored desk session, plus the test
// seams: a message service that records texts and answers from a queue, a clock that stands
// still, a PDF printer chooser, a launcher that only records what it was asked to open, a save
// dialog answered from a queue and a bell that counts.
class TestEnvironment
{
    QTemporaryDir m_folder; // first: the folder outlives everything that works in it

public:
    TestEnvironment();

    bool isReady() const { return m_ready; }
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
    Database database;
    DeskSession session;
    AppServices services;

private:
    bool m_ready = false;
};

// Where tests write pictures and PDFs for a person to look at.
QString TestOutputPath(const QString& fileName);

// Setting files in the current directory (the data folder).
// A group file whose rooms are numbered first, first + 1, ... with two seats each.
void WriteRoomGroup(int group, int first);
void WriteGroupCount(int count);
QByteArray FileBytes(const QString& name); // empty when the file cannot be read
