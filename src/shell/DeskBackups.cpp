#include "shell/DeskBackups.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"

#include <QDir>
#include <QTimer>

const QString DeskBackups::FailedText = QStringLiteral("自动备份失败:%1\n以前的备份没有受到影响。");

DeskBackups::DeskBackups(
    AppServices& services, QString databasePath, QString dataFolder, std::optional<Backups::ServerLogin> server)
    : m_services(services)
    , m_databasePath(std::move(databasePath))
    , m_dataFolder(std::move(dataFolder))
    , m_server(std::move(server))
{ }

DeskBackups::~DeskBackups() = default;

QString DeskBackups::folder() const
{
    return Backups::folderOf(m_dataFolder);
}

BackupJob::Request DeskBackups::request(const QString& targetFolder) const
{
    const bool own = QDir(targetFolder).absolutePath() == QDir(folder()).absolutePath();
    const qint64 limit = own ? Backups::spaceOn(targetFolder, Backups::limitSetting(m_dataFolder)).limit : 0;
    return { m_databasePath, m_dataFolder, targetFolder, m_services.clock.now(), Backups::Kind::Regular, own, limit,
        m_server };
}

void DeskBackups::startInBackground(bool whole)
{
    if (isRunning()) {
        m_another = true;
        m_anotherWhole = m_anotherWhole || whole;
        return;
    }
    m_job = std::make_unique<BackupJob>();
    connect(m_job.get(), &BackupJob::finished, this, &DeskBackups::finishBackground);
    BackupJob::Request background = request(folder());
    background.incremental = !whole;
    m_job->start(background);
}

bool DeskBackups::isRunning() const
{
    return m_job && m_job->isRunning();
}

void DeskBackups::stop()
{
    m_another = false;
    m_anotherWhole = false;
    m_job.reset();
}

void DeskBackups::finishBackground(const BackupJob::Result& result)
{
    if (!result.entry)
        m_services.messages.inform(FailedText.arg(result.error), {}, MessageService::Icon::Warning);
    else if (!result.rotationFailures.isEmpty())
        m_services.messages.inform(result.rotationFailures.join(u'\n'), {}, MessageService::Icon::Warning);
    emit backgroundFinished(result);
    if (std::exchange(m_another, false)) {
        // The finished job is dropped once its signal has been delivered.
        QTimer::singleShot(0, this, [this, whole = std::exchange(m_anotherWhole, false)] { startInBackground(whole); });
    }
}

Outcome<Backups::Entry> DeskBackups::backUpNow(const QString& targetFolder)
{
    const BackupJob::Result result = BackupJob::run(request(targetFolder));
    if (!result.entry)
        return Failure { result.error };
    const LogEntry entry { .kind = LogKind::Backup,
        .description = QStringLiteral("数据备份到 %1").arg(QDir::toNativeSeparators(result.entry->path)) };
    if (const QString error = OperatorLog(m_services.database, m_services.session).write(entry); !error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    if (!result.rotationFailures.isEmpty())
        m_services.messages.inform(result.rotationFailures.join(u'\n'), {}, MessageService::Icon::Warning);
    return *result.entry;
}
