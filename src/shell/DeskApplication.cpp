#include "shell/DeskApplication.h"

#include "app/DataFolder.h"
#include "app/MessageService.h"
#include "shell/FirstStart.h"
#include "shell/MainWindow.h"
#include "skin/DialogKeyboard.h"

#include <QDir>
#include <QFileInfo>

static void initResources()
{
    Q_INIT_RESOURCE(tavrel);
}

DeskApplication::DeskApplication(Seams seams)
    : m_session(m_database, seams.clock)
    , m_services { m_database, m_session, seams.messages, seams.clock, seams.printers, seams.launcher }
{
    initResources();
    // The keyboard rules hold in every window of the desk, in the program and in tests alike.
    DialogKeyboard::install();
}

DeskApplication::~DeskApplication() = default;

QString DeskApplication::defaultDataFolder()
{
    return DataFolder::defaultPath();
}

bool DeskApplication::start(const QString& dataFolderGiven)
{
    MessageService& messages = m_services.messages;
    const QString dataFolder = dataFolderGiven.isEmpty() ? QString() : QDir(dataFolderGiven).absolutePath();
    if (!DataFolder::prepare(dataFolder)) {
        messages.inform(QStringLiteral("数据库注册失败!"), {}, MessageService::Icon::Critical);
        return false;
    }
    const QString databasePath = DataFolder::databasePath(dataFolder);
    if (QFileInfo::exists(databasePath)) {
        if (!m_database.open(databasePath)) {
            messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
            return false;
        }
    } else {
        // First start: the delivered installation.
        if (!m_database.create(databasePath)) {
            messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
            return false;
        }
        FirstStart::WriteDeliveredSettingFiles(messages);
    }
    FirstStart::MigratePasswords(m_database, messages);
    // The rooms, bills and queues as they were after the last completed action. Going on
    // without them would let the next change overwrite what a crash left behind.
    if (const Outcome<> restored = m_session.restore(); !restored) {
        messages.inform(restored.text(), {}, MessageService::Icon::Critical);
        return false;
    }
    m_mainWindow = std::make_unique<MainWindow>(m_services);
    return true;
}
