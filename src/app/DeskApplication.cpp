#include "app/DeskApplication.h"

#include "app/DataFolder.h"
#include "app/MainWindow.h"
#include "app/MessageService.h"
#include "users/AccountStore.h"

#include <QDir>
#include <QFileInfo>

static void initResources()
{
    Q_INIT_RESOURCE(tavrel);
}

DeskApplication::DeskApplication(Seams seams)
    : m_services { m_database, m_desk, seams.messages, seams.clock, seams.printers, seams.launcher }
{
    initResources();
}

DeskApplication::~DeskApplication() = default;

QString DeskApplication::defaultDataFolder()
{
    return DataFolder::defaultPath();
}

bool DeskApplication::start(const QString& dataFolderGiven)
{
    const QString dataFolder = dataFolderGiven.isEmpty() ? QString() : QDir(dataFolderGiven).absolutePath();
    if (!DataFolder::prepare(dataFolder)) {
        m_services.messages.inform(QStringLiteral("数据库注册失败!"), {}, MessageService::Icon::Critical);
        return false;
    }
    const QString databasePath = DataFolder::databasePath(dataFolder);
    if (QFileInfo::exists(databasePath)) {
        if (!m_database.open(databasePath)) {
            m_services.messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
            return false;
        }
    } else {
        // First start: the delivered installation.
        if (!m_database.create(databasePath)) {
            m_services.messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
            return false;
        }
        DataFolder::writeDeliveredSettingFiles(m_services.messages);
    }
    // Passwords of an older database, and the delivered account, are stored as hashes from
    // here on. Should that fail, logins still work against the plain values.
    if (const QString error = MigratePlainPasswords(m_database); !error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    m_mainWindow = std::make_unique<MainWindow>(m_services);
    return true;
}
