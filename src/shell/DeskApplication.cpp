#include "shell/DeskApplication.h"

#include "app/DataFolder.h"
#include "app/DataFolderLock.h"
#include "app/DatabaseCheck.h"
#include "app/MessageService.h"
#include "shell/FirstStart.h"
#include "shell/MainWindow.h"
#include "skin/DialogKeyboard.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

static void initResources()
{
    Q_INIT_RESOURCE(tavrel);
}

namespace {

// Calls `painted` once, after the first paint of the watched window has been shown.
class FirstPaintWatcher : public QObject
{
public:
    explicit FirstPaintWatcher(std::function<void()> painted)
        : m_painted(std::move(painted))
    { }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_painted) {
            watched->removeEventFilter(this);
            // The paint is done when control is back in the event loop.
            QTimer::singleShot(0, this, std::exchange(m_painted, {}));
        }
        return false;
    }

private:
    std::function<void()> m_painted;
};

} // namespace

DeskApplication::DeskApplication(Seams seams)
    : m_session(m_database, seams.clock)
    , m_services { m_database, m_session, seams.messages, seams.clock, seams.printers, seams.launcher, seams.files,
        seams.sound }
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

bool DeskApplication::refuseFolder(const QString& folder)
{
    m_folderLock.reset();
    m_services.messages.inform(
        QStringLiteral("数据库注册失败!\n数据文件夹 %1 无法创建或写入:请检查它的权限和磁盘空间。")
            .arg(QDir::toNativeSeparators(folder)),
        {}, MessageService::Icon::Critical);
    return false;
}

bool DeskApplication::start(const QString& dataFolderGiven)
{
    MessageService& messages = m_services.messages;
    const QString dataFolder = dataFolderGiven.isEmpty() ? QString() : QDir(dataFolderGiven).absolutePath();
    if (!DataFolder::make(dataFolder))
        return refuseFolder(dataFolder);
    // Before anything in the folder is touched: another running desk may hold it.
    m_folderLock = std::make_unique<DataFolderLock>(dataFolder);
    switch (m_folderLock->acquire()) {
    case DataFolderLock::Result::Held:
        break;
    case DataFolderLock::Result::InUse:
        messages.inform(m_folderLock->inUseText(), {}, MessageService::Icon::Critical);
        m_folderLock.reset();
        return false;
    case DataFolderLock::Result::CannotWrite:
        return refuseFolder(dataFolder);
    }
    if (!DataFolder::enter(dataFolder))
        return refuseFolder(dataFolder);

    const QString databasePath = DataFolder::databasePath(dataFolder);
    if (!QFileInfo::exists(databasePath)) {
        if (const QString failed = FirstStart::Install(databasePath, messages); !failed.isEmpty()) {
            messages.inform(failed, {}, MessageService::Icon::Critical);
            return false;
        }
    }
    if (!m_database.open(databasePath)) {
        messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
        return false;
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

void DeskApplication::showBoard(const std::function<void()>& shown)
{
    m_boardWatcher = std::make_unique<FirstPaintWatcher>([this, shown] {
        checkDatabase();
        if (shown)
            shown();
    });
    m_mainWindow->installEventFilter(m_boardWatcher.get());
    // Maximised; the geometry also covers desktops whose window manager ignores the request.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_mainWindow->setGeometry(screen->availableGeometry());
    m_mainWindow->showMaximized();
}

void DeskApplication::checkDatabase()
{
    if (m_databaseCheck)
        return;
    m_databaseCheck = std::make_unique<DatabaseCheck>();
    const QString databasePath = m_database.filePath();
    const bool logFound = m_database.logFoundAtOpen();
    QObject::connect(m_databaseCheck.get(), &DatabaseCheck::finished, m_databaseCheck.get(),
        [this, databasePath, logFound](const DatabaseCheck::Verdict& verdict) {
            m_checkPending = false;
            if (const QString text = DatabaseCheck::report(databasePath, verdict, logFound); !text.isEmpty())
                m_services.messages.inform(text, {}, MessageService::Icon::Critical);
        });
    m_checkPending = true;
    m_databaseCheck->start(databasePath);
}

bool DeskApplication::isCheckingDatabase() const
{
    return m_checkPending;
}
