#pragma once

#include "app/BackupJob.h"
#include "app/Outcome.h"

#include <QObject>
#include <QString>

#include <memory>

struct AppServices;

// The backups of the running desk: one in the background once the start's check found the
// database sound and one after each hand-over (incremental, but after the week's whole check), into backup/ of the data
// folder (the old ones rotated away), and one on the spot when the general manager asks for it ("数据备份"), there or
// into a folder he chooses. A desk whose house is on a server backs up the server's database (its dump). A background
// backup that fails is reported; the backups taken before stay as they were.
class DeskBackups : public QObject
{
    Q_OBJECT

public:
    static const QString FailedText; // "自动备份失败:…", %1 the reason

    DeskBackups(AppServices& services, QString databasePath, QString dataFolder,
        std::optional<Backups::ServerLogin> server = std::nullopt);
    ~DeskBackups() override;

    QString folder() const; // backup/ of the data folder
    QString dataFolder() const { return m_dataFolder; }

    // Starts a backup into folder() off the user's way; one asked for while another runs
    // follows it. It holds only the pages changed since the newest whole copy there when one
    // serves, unless `whole` asks for a whole copy (the start after the week's whole check).
    void startInBackground(bool whole = false);
    bool isRunning() const;
    // Stops a background backup (it leaves nothing behind) and waits for it.
    void stop();

    // Backs up now into `targetFolder` and logs it; the desk's own folder is rotated after.
    Outcome<Backups::Entry> backUpNow(const QString& targetFolder);

signals:
    // A background backup ended: the backup taken, or the error text.
    void backgroundFinished(const BackupJob::Result& result);

private:
    BackupJob::Request request(const QString& targetFolder) const;
    void finishBackground(const BackupJob::Result& result);

    AppServices& m_services;
    const QString m_databasePath;
    const QString m_dataFolder;
    const std::optional<Backups::ServerLogin> m_server;
    std::unique_ptr<BackupJob> m_job;
    bool m_another = false; // asked for while one ran
    bool m_anotherWhole = false; // and a whole copy
};
