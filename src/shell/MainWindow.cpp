#include "shell/MainWindow.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/MessageService.h"
#include "app/SettingFile.h"
#include "app/SettingPlace.h"
#include "app/Speech.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "records/CompanyProfile.h"
#include "rooms/ClockAlertBar.h"
#include "rooms/ClockWatch.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomPage.h"
#include "schedule/ShiftRotation.h"
#include "skin/Artwork.h"
#include "skin/PaintedText.h"
#include "users/Permissions.h"
#include "users/UserCommands.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QStringList GroupCaptions = { QStringLiteral("第一组房间"), QStringLiteral("第二组房间"),
    QStringLiteral("第三组房间"), QStringLiteral("第四组房间"), QStringLiteral("第五组房间") };

} // namespace

const QString MainWindow::NoVoiceText = QStringLiteral("语音播报不可用");

MainWindow::MainWindow(AppServices& services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_context { services, this }
    , m_loginAttempt(services.clock.now())
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tavrel 1.21"));
    setWindowIcon(Artwork::applicationIcon());

    runShiftRotation();
    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildCentralArea();
    bindShortcuts();

    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(500);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::refreshClock);
    m_clockTimer->start();
    refreshClock();

    readCompanyProfile();
    createRoomPages(readGroupCount());
    refreshLoginPane();
    applyPermissions();
    connect(&m_services.session, &DeskSession::sessionChanged, this, &MainWindow::refreshLoginPane);

    // A desk on a server whose connection broke says so and shows the rooms as last read,
    // greyed, until it has connected again by itself.
    auto* connectionPane = new QLabel(DeskSession::ConnectionLostText, this);
    connectionPane->setObjectName(QStringLiteral("connectionPane"));
    connectionPane->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    connectionPane->hide();
    statusBar()->addWidget(connectionPane);
    connect(&m_services.session, &DeskSession::connectionChanged, this, [this, connectionPane](bool connected) {
        connectionPane->setVisible(!connected);
        if (QWidget* board = centralWidget())
            board->setEnabled(connected);
    });
}

MainWindow::~MainWindow() = default;

// --- construction ---------------------------------------------------------------------------

void MainWindow::buildMenus()
{
    for (const CommandMenu& entries : CommandTable::menus()) {
        QMenu* menu = menuBar()->addMenu(entries.title);
        for (const CommandEntry& entry : entries.entries) {
            QAction* action = menu->addAction(entry.text);
            action->setObjectName(QString::fromLatin1(entry.objectName));
            m_actions.insert(entry.command, action);
            m_prompts.insert(action, entry.prompt);
            if (entry.flag != NoFlag)
                m_flaggedActions.insert(entry.flag, action);
            if (entry.open)
                m_openers.insert(entry.command, entry.open);
            connect(action, &QAction::triggered, this, [this, command = entry.command] { runCommand(command); });
        }
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::onMenuShown);
        connect(
            menu, &QMenu::hovered, this, [this](QAction* action) { m_promptPane->setText(m_prompts.value(action)); });
        // The prompt belongs to the item under the mouse: it goes when the menu closes.
        connect(menu, &QMenu::aboutToHide, this, [this] { m_promptPane->clear(); });
    }
    // The commands that act on the window itself.
    m_openers.insert(Command::QuickNumbering, [this](const CommandContext&) { quickNumbering(); });
    m_openers.insert(Command::Login, [this](const CommandContext&) { login(); });
}

void MainWindow::buildToolBar()
{
    QToolBar* toolBar = addToolBar(QStringLiteral("toolbar"));
    toolBar->setObjectName(QStringLiteral("pictureButtons"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->toggleViewAction()->setVisible(false);
    toolBar->setIconSize(QSize(32, 32));

    for (const ButtonEntry& entry : CommandTable::buttons()) {
        auto* button = new QToolButton(toolBar);
        button->setObjectName(QString::fromLatin1(entry.objectName));
        button->setText(entry.text);
        button->setIcon(Artwork::toolbarIcon(entry.picture));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(76);
        toolBar->addWidget(button);
        m_buttons[static_cast<int>(entry.button)] = button;
        if (entry.flag != NoFlag)
            m_flaggedButtons.insert(entry.flag, button);
        if (entry.command)
            connect(button, &QToolButton::clicked, this, [this, command = *entry.command] { runCommand(command); });
        else
            connect(button, &QToolButton::clicked, this, [this, open = entry.open] { open(m_context); });
    }
}

void MainWindow::buildStatusBar()
{
    m_promptPane = new QLabel(this);
    m_promptPane->setObjectName(QStringLiteral("promptPane"));
    m_loginPane = new QLabel(this);
    m_loginPane->setObjectName(QStringLiteral("loginPane"));
    m_clockPane = new QLabel(this);
    m_clockPane->setObjectName(QStringLiteral("clockPane"));

    // The login pane is a fifth of the window's width at creation; the clock fits its text.
    const int fifth = std::max(160, QMainWindow::width() / 5);
    m_loginPane->setMinimumWidth(fifth);
    m_clockPane->setMinimumWidth(
        std::max(160, m_clockPane->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00 星期三")) + 12));

    m_voicePane = new QLabel(NoVoiceText, this);
    m_voicePane->setObjectName(QStringLiteral("voicePane"));
    m_voicePane->setToolTip(QStringLiteral("没有找到中文语音:上钟呼叫技师和到钟提醒不会播报,到钟铃声照常"));
    m_voicePane->hide();

    statusBar()->addWidget(m_promptPane, 1);
    statusBar()->addPermanentWidget(m_voicePane);
    statusBar()->addPermanentWidget(m_loginPane);
    statusBar()->addPermanentWidget(m_clockPane);
}

void MainWindow::buildCentralArea()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(20, 8, 20, 8);
    layout->setSpacing(6);

    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("roomTabs"));
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(false);
    layout->addWidget(m_tabs, 1);

    auto* hint = new QLabel(QStringLiteral("单击灯炮按钮,可查看房间状态,灯亮时表示入客或上钟状态。"), central);
    hint->setObjectName(QStringLiteral("roomHint"));
    hint->setFont(PaintedFont());
    hint->setIndent(380);
    hint->setMinimumHeight(30);
    // The rooms whose clocks are due take the hint's line while there are any.
    m_clockWatch = new ClockWatch(m_services.session, m_services.clock, m_services.sound, m_services.speech,
        m_services.database, m_services.settings, this);
    m_clockAlertBar = new ClockAlertBar(*m_clockWatch, central);
    m_clockAlertBar->setMinimumHeight(30);
    hint->setHidden(!m_clockWatch->dueRooms().isEmpty());
    connect(m_clockWatch, &ClockWatch::dueRoomsChanged, hint,
        [hint](const QStringList& rooms) { hint->setHidden(!rooms.isEmpty()); });
    connect(m_clockAlertBar, &ClockAlertBar::roomChosen, this, &MainWindow::openRoom);
    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(0, 0, 0, 0);
    foot->addWidget(m_clockAlertBar, 1);
    foot->addWidget(hint, 1);
    layout->addLayout(foot);

    setCentralWidget(central);
}

void MainWindow::bindShortcuts()
{
    // The shortcut names shown in the menu texts work; a shortcut reaches its command only
    // while the command's item is enabled. Both goods items share Ctrl+S.
    const auto bind = [this](const QKeySequence& keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    const auto triggerIfEnabled = [this](Command command) {
        return [this, command] {
            if (action(command)->isEnabled())
                action(command)->trigger();
        };
    };
    bind(QKeySequence(QStringLiteral("Ctrl+L")), triggerIfEnabled(Command::Login));
    bind(QKeySequence(QStringLiteral("Ctrl+G")), triggerIfEnabled(Command::TechnicianStatus));
    bind(QKeySequence(QStringLiteral("Ctrl+T")), triggerIfEnabled(Command::Calendar));
    bind(QKeySequence(QStringLiteral("Ctrl+D")), triggerIfEnabled(Command::HandOverPrint));
    bind(QKeySequence(QStringLiteral("Ctrl+F")), triggerIfEnabled(Command::BillQuery));
    bind(QKeySequence(QStringLiteral("Ctrl+Y")), triggerIfEnabled(Command::StaffRecords));
    bind(QKeySequence(QStringLiteral("Ctrl+W")), triggerIfEnabled(Command::About));
    bind(QKeySequence(QStringLiteral("Ctrl+R")), triggerIfEnabled(Command::Manual));
    bind(QKeySequence(QStringLiteral("Ctrl+S")), [this] {
        for (Command command : { Command::GoodsStatus, Command::GoodsRecords }) {
            if (action(command)->isEnabled()) {
                action(command)->trigger();
                return;
            }
        }
    });
    bind(QKeySequence(Qt::Key_Escape), [this] { close(); });
}

// --- start-up steps -------------------------------------------------------------------------

void MainWindow::runShiftRotation()
{
    const ShiftRotationOutcome outcome = ShiftRotation(m_services.database, m_services.clock.now());
    if (!outcome.error.isEmpty())
        m_services.messages.inform(outcome.error, {}, MessageService::Icon::Warning);
}

void MainWindow::readCompanyProfile()
{
    QString error;
    const std::optional<CompanyProfile> profile = LoadCompanyProfile(m_services.database, &error);
    if (!error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    else if (profile)
        m_services.session.setCompany(profile->name, profile->tel);
}

int MainWindow::readGroupCount()
{
    // A missing file is reported by the read; a stored count outside 1 to 5 is reported here.
    // The desk then works with one group.
    const std::optional<QByteArray> bytes = m_services.settings.read(GroupCountFile.toString(), 4, m_services.messages);
    if (!bytes)
        return 1;
    const int count = UnpackInt32List(*bytes, 1).first();
    if (count >= 1 && count <= MaxGroups)
        return count;
    m_services.messages.inform(QStringLiteral("房间组数设定有误(%1),现按一组房间显示,请重新设定房间组数。").arg(count));
    return 1;
}

void MainWindow::createRoomPages(int groupCount)
{
    // One board holds the numbers of every group, so that a number stays unique across pages.
    m_roomBoard = std::make_unique<RoomBoard>(m_services.settings, std::clamp(groupCount, 0, MaxGroups));
    m_roomBoard->load(m_services.messages);
    for (int i = 0; i < m_roomBoard->groupCount(); ++i) {
        auto* page = new RoomPage(i, *m_roomBoard, m_services, m_tabs);
        page->setObjectName(QStringLiteral("roomPage%1").arg(i));
        page->setRoomServiceOpener(CommandTable::roomServiceOpener(m_context));
        page->setClockWatch(m_clockWatch);
        m_pages.append(page);
        m_tabs->addTab(page, GroupCaptions[i]);
    }
    m_tabs->setCurrentIndex(0);
}

// --- state shown --------------------------------------------------------------------------------

QAction* MainWindow::action(Command command) const
{
    return m_actions.value(command);
}

QToolButton* MainWindow::button(Button which) const
{
    return m_buttons[static_cast<int>(which)];
}

RoomPage* MainWindow::currentRoomPage() const
{
    return qobject_cast<RoomPage*>(m_tabs->currentWidget());
}

QString MainWindow::promptText() const
{
    return m_promptPane->text();
}

QString MainWindow::loginText() const
{
    return m_loginPane->text();
}

QString MainWindow::clockText() const
{
    return m_clockPane->text();
}

void MainWindow::refreshLoginPane()
{
    m_loginPane->setText(
        QStringLiteral("%1 登录时间:%2")
            .arg(m_services.session.userSession().displayName, m_loginAttempt.toString(TimeOfDayFormat)));
}

void MainWindow::refreshClock()
{
    m_clockPane->setText(NowText(m_services.clock.now()));
    // A voice is found, or lost, while the desk runs: the note follows it within half a second.
    m_voicePane->setVisible(!m_services.speech.available());
}

void MainWindow::applyPermissions()
{
    QString error;
    const std::optional<AuthorityRow> row
        = LoadAuthorityRow(m_services.database, m_services.session.userSession().role, &error);
    if (!error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    if (!row)
        return;
    const PermissionFlags allowed = PermissionsFromRow(*row);
    for (auto item = m_flaggedActions.cbegin(); item != m_flaggedActions.cend(); ++item)
        item.value()->setEnabled(allowed[item.key()]);
    for (auto item = m_flaggedButtons.cbegin(); item != m_flaggedButtons.cend(); ++item)
        item.value()->setEnabled(allowed[item.key()]);
}

void MainWindow::takeLogin(int role, const QString& displayName, const QString& login)
{
    m_services.session.logIn(role, displayName, login);
    applyPermissions();
}

void MainWindow::onMenuShown()
{
    if (!m_permissionsPending)
        return;
    m_permissionsPending = false;
    applyPermissions();
}

// --- commands -----------------------------------------------------------------------------------

void MainWindow::runCommand(Command command)
{
    if (const auto open = m_openers.constFind(command); open != m_openers.cend())
        open.value()(m_context);
}

void MainWindow::login()
{
    m_loginAttempt = m_services.clock.now();
    if (const std::optional<LoginChoice> choice = AskLogin(m_context)) {
        takeLogin(choice->role, choice->displayName, choice->login);
        RecordLogin(m_context);
    }
    refreshLoginPane();
}

void MainWindow::quickNumbering()
{
    if (RoomPage* page = currentRoomPage())
        page->runQuickNumbering();
}

void MainWindow::openRoom(const QString& number)
{
    for (RoomPage* page : std::as_const(m_pages)) {
        if (const int room = page->roomWithNumber(number)) {
            m_tabs->setCurrentWidget(page);
            page->openRoomService(room);
            return;
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_services.messages.ask(QStringLiteral("是否真的退出!"))) {
        event->ignore();
        return;
    }
    for (RoomPage* page : std::as_const(m_pages))
        page->saveRoomNumbers();
    m_clockTimer->stop();
    event->accept();
}
