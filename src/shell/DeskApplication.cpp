#include "shell/DeskApplication.h"

#include "app/Backups.h"
#include "app/Clock.h"
#include "app/DataFolder.h"
#include "app/DataFolderLock.h"
#include "app/DatabaseCheck.h"
#include "app/MessageService.h"
#include "app/ServerAddress.h"
#include "app/SettingPlace.h"
#include "app/TextFormat.h"
#include "desk/DailyCheck.h"
#include "desk/OperatorLog.h"
#include "printing/SystemSlipPrinter.h"
#include "shell/BackupDialog.h"
#include "shell/DeskBackups.h"
#include "shell/FirstStart.h"
#include "shell/MainWindow.h"
#include "shell/RestoreDialog.h"
#include "shell/UpgradeWait.h"
#include "skin/DialogKeyboard.h"
#include "users/Roles.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

static void initResources()
{
    Q_INIT_RESOURCE(tavrel);
}

namespace {

// Qt's own windows (the print dialog, the file dialogs, the standard buttons) speak Chinese as
// the desk does: Debian's qt6-translations-l10n, loaded once per application.
void InstallQtTranslations()
{
    auto* application = QCoreApplication::instance();
    const QString name = QStringLiteral("tavrelQtTranslations");
    if (!application || application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* translator = new QTranslator(application);
    translator->setObjectName(name);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning("Qt's Chinese translations (qtbase_zh_CN.qm) are missing: Qt's own dialogs stay in English");
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
}

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
    , m_settings(MakeSettingPlace(m_database))
    , m_services { m_database, m_session, seams.messages, seams.clock, seams.printers, seams.launcher, seams.files,
        seams.sound, seams.speech, *m_settings,
        seams.slips ? *seams.slips : *(m_systemSlips = std::make_unique<SystemSlipPrinter>()) }
{
    initResources();
    InstallQtTranslations();
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

    const Outcome<std::optional<ServerAddress>> server = ServerAddressFile::read(dataFolder);
    if (!server) {
        messages.inform(server.text(), {}, MessageService::Icon::Critical);
        return false;
    }
    if (server.value())
        return openServerDesk(*server.value(), dataFolder);

    const QString databasePath = DataFolder::databasePath(dataFolder);
    if (!QFileInfo::exists(databasePath)) {
        if (const QString failed = FirstStart::Install(databasePath, messages); !failed.isEmpty()) {
            messages.inform(failed, {}, MessageService::Icon::Critical);
            return false;
        }
    }
    keepBackups(std::make_unique<DeskBackups>(m_services, databasePath, dataFolder));
    return openDesk(databasePath);
}

bool DeskApplication::openDesk(const QString& databasePath)
{
    MessageService& messages = m_services.messages;
    UpgradeWait::upgrade(databasePath);
    if (!m_database.open(databasePath)) {
        messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
        return false;
    }
    return openWindows();
}

void DeskApplication::keepBackups(std::unique_ptr<DeskBackups> backups)
{
    m_backups = std::move(backups);
    QObject::connect(
        &m_session, &DeskSession::shiftClosed, m_backups.get(), [this] { m_backups->startInBackground(); });
}

bool DeskApplication::openServerDesk(const ServerAddress& server, const QString& dataFolder)
{
    MessageService& messages = m_services.messages;
    QString password;
    while (!m_database.openServer(server, password)) {
        if (m_database.problem() != DatabaseProblem::PasswordNeeded) {
            messages.inform(m_database.lastError(), {}, MessageService::Icon::Critical);
            return false;
        }
        QString question = QStringLiteral("请输入数据库服务器 %1 的密码:").arg(server.url());
        if (!password.isEmpty())
            question = QStringLiteral("密码不对。") + question;
        const std::optional<QString> typed = messages.askPassword(question, QStringLiteral("数据库服务器密码"));
        if (!typed)
            return false;
        password = *typed;
    }
    // The house's settings, on a server just made: the rows of the delivered ones.
    if (!FirstStart::WriteDeliveredSettingFiles(m_services.settings, messages))
        return false;
    // Backups of the server's database go into this desk's folder.
    keepBackups(
        std::make_unique<DeskBackups>(m_services, QString(), dataFolder, Backups::ServerLogin { server, password }));
    return openWindows();
}

bool DeskApplication::openWindows()
{
    MessageService& messages = m_services.messages;
    FirstStart::MigratePasswords(m_database, messages);
    // The rooms, bills and queues as they were after the last completed action. Going on
    // without them would let the next change overwrite what a crash left behind.
    if (const Outcome<> restored = m_session.restore(); !restored) {
        messages.inform(restored.text(), {}, MessageService::Icon::Critical);
        return false;
    }
    m_mainWindow = std::make_unique<MainWindow>(m_services);
    bindBackupCommands();
    return true;
}

void DeskApplication::bindBackupCommands()
{
    const auto generalManager = [this](const QString& refusal) {
        if (m_session.userSession().role == GeneralManager)
            return true;
        m_services.messages.inform(refusal);
        return false;
    };
    m_mainWindow->setOpener(MainWindow::Command::Backup, [this, generalManager](const CommandContext& context) {
        if (!generalManager(QStringLiteral("只有总经理帐户登录才能备份数据!")))
            return;
        BackupDialog dialog(m_services, *m_backups, context.window);
        dialog.exec();
    });
    m_mainWindow->setOpener(MainWindow::Command::Restore, [this, generalManager](const CommandContext& context) {
        if (!generalManager(QStringLiteral("只有总经理帐户登录才能恢复数据!")))
            return;
        if (isOnServer()) {
            m_services.messages.inform(ServerRestoreText.toString(), {}, MessageService::Icon::Warning);
            return;
        }
        RestoreDialog dialog(m_services, m_backups->folder(), context.window);
        if (dialog.exec() != QDialog::Accepted || !dialog.chosen())
            return;
        // The main window goes with the restore: it runs once this command has returned.
        m_restoreQueue = std::make_unique<QObject>();
        QTimer::singleShot(0, m_restoreQueue.get(), [this, backup = *dialog.chosen()] {
            if (const QString text = restore(backup); !text.isEmpty())
                m_services.messages.inform(text, {}, MessageService::Icon::Warning);
        });
    });
}

QString DeskApplication::restore(const Backups::Entry& backup)
{
    if (QApplication::activeModalWidget())
        return QStringLiteral("请先关闭其他窗口,再恢复数据。");
    if (backup.serverDump)
        return Backups::DumpRestoreText.toString();
    const QString databasePath = m_database.filePath();
    const QString dataFolder = m_backups->dataFolder();
    const QString candidate = databasePath + QStringLiteral(".restore");
    if (const Backups::RestoreProblem problem = Backups::prepareRestore(backup.databasePath(), candidate);
        !problem.error.isEmpty())
        return (problem.diskFull ? RestoreDialog::DiskFullText : RestoreDialog::DamagedText).arg(problem.error);

    // Nothing else reads or writes the file while it is replaced.
    m_backups->stop();
    m_databaseCheck.reset();
    m_checkPending = false;
    Backups::Options beforeRestore;
    beforeRestore.kind = Backups::Kind::BeforeRestore;
    const Outcome<Backups::Entry> before
        = Backups::make(databasePath, dataFolder, m_backups->folder(), m_services.clock.now(), beforeRestore);
    if (!before) {
        QFile::remove(candidate);
        return QStringLiteral("当前数据无法备份,没有恢复:%1").arg(before.text());
    }

    const UserSession user = m_session.userSession();
    const bool shown = m_mainWindow && m_mainWindow->isVisible();
    m_mainWindow.reset();
    m_database.close();
    if (const QString error = Backups::putInPlace(candidate, databasePath); !error.isEmpty()) {
        QFile::remove(candidate);
        if (!openDesk(databasePath))
            return error;
        if (shown)
            showBoard();
        return QStringLiteral("数据没有恢复:%1").arg(error);
    }
    if (!openDesk(databasePath))
        return QStringLiteral("恢复的数据无法打开。恢复前的数据在 %1")
            .arg(QDir::toNativeSeparators(before.value().path));
    // The restored desk starts with whoever restored it, and its log says what happened.
    m_mainWindow->takeLogin(user.role, user.displayName, user.login);
    const LogEntry entry { .kind = LogKind::Restore,
        .description = QStringLiteral("数据恢复到 %1 的备份;恢复前的数据备份在 %2")
                           .arg(DateTimeText(backup.taken), QDir::toNativeSeparators(before.value().path)) };
    if (const QString error = OperatorLog(m_database, m_session).write(entry); !error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    if (shown)
        showBoard();
    m_services.messages.inform(QStringLiteral("数据已恢复到 %1 的备份。\n恢复前的数据已备份在 %2")
                                   .arg(DateTimeText(backup.taken), QDir::toNativeSeparators(before.value().path)));
    return {};
}

void DeskApplication::showBoard(const std::function<void()>& shown)
{
    m_boardWatcher = std::make_unique<FirstPaintWatcher>([this, shown] {
        checkDatabase(); // the start's backup follows it
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
    // A server checks its own pages: there the chains and the ledger are walked, and the days of
    // the last sound walks are kept in this desk's folder.
    const bool onServer = isOnServer();
    const QString databasePath
        = onServer ? QDir(m_backups->dataFolder()).filePath(QStringLiteral("server")) : m_database.filePath();
    const bool logFound = m_database.logFoundAtOpen();
    const std::optional<DatabaseCheck::Depth> depth = DailyCheck::due(databasePath, m_services.clock.now(), logFound);
    m_databaseCheck = std::make_unique<DatabaseCheck>();
    // The start's backup of a file; a server's backups are the administrator's and the hand-over's.
    // After the week's whole check it is a whole copy, which the next days' incremental
    // backups build on.
    const auto backUp = [this, onServer, whole = depth == DatabaseCheck::Depth::Thorough] {
        if (!onServer)
            m_backups->startInBackground(whole);
    };
    if (!depth) {
        // Found sound earlier in this business day.
        backUp();
        return;
    }
    QObject::connect(m_databaseCheck.get(), &DatabaseCheck::finished, m_databaseCheck.get(),
        [this, databasePath, logFound, backUp, depth = *depth](const DatabaseCheck::Verdict& verdict) {
            m_checkPending = false;
            // The start's backup waits for the check, so that the two reads of the whole file
            // do not compete with each other and with the desk, and a damaged file never
            // becomes a backup that would rotate a sound one away.
            if (const QString text = DatabaseCheck::report(databasePath, verdict, logFound); !text.isEmpty()) {
                DailyCheck::forget(databasePath);
                m_services.messages.inform(text, {}, MessageService::Icon::Critical);
                return;
            }
            if (verdict.sound())
                DailyCheck::markSound(databasePath, m_services.clock.now(), depth);
            // Changed rows and a ledger that differs are no damage: the backup is taken, and
            // keeps the evidence.
            backUp();
            if (const QString text = DatabaseCheck::ledgerReport(verdict); !text.isEmpty())
                m_services.messages.inform(text, {}, MessageService::Icon::Warning);
            if (const QString text = DatabaseCheck::chainReport(verdict); !text.isEmpty())
                m_services.messages.inform(text, {}, MessageService::Icon::Warning);
        });
    m_checkPending = true;
    // The chains and the ledger of older days were found whole by an earlier check; the
    // thorough check of the week walks them all again.
    const QDate since
        = *depth == DatabaseCheck::Depth::Quick ? DailyCheck::lastSound(databasePath).value_or(QDate()) : QDate();
    m_databaseCheck->start(m_database, *depth, DatabaseCheck::Scope::Whole, since);
}

bool DeskApplication::isCheckingDatabase() const
{
    return m_checkPending;
}
