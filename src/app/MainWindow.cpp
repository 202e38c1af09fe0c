#include "app/MainWindow.h"

#include "app/AppServices.h"
#include "app/Clock.h"
#include "app/Database.h"
#include "app/DeskState.h"
#include "app/DesktopLauncher.h"
#include "app/MessageService.h"
#include "app/SettingFile.h"
#include "app/ShiftRotation.h"
#include "app/TextFormat.h"
#include "records/CompanyProfileDialog.h"
#include "records/MasterRecordDialog.h"
#include "rooms/GroupCountDialog.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomPage.h"
#include "schedule/RandomSource.h"
#include "schedule/RotaDialog.h"
#include "schedule/ShiftPlannerDialog.h"
#include "schedule/TechnicianStatusDialog.h"
#include "skin/AboutDialog.h"
#include "skin/Artwork.h"
#include "skin/CalendarDialog.h"
#include "skin/PaintedText.h"
#include "users/AccountDialog.h"
#include "users/LoginDialog.h"
#include "users/PermissionDialog.h"
#include "users/Permissions.h"
#include "users/Roles.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The menu items of the flags str1..str16, in flag order.
constexpr MainWindow::Command FlaggedCommands[MenuFlagCount] = {
    MainWindow::Command::GroupCount,
    MainWindow::Command::QuickNumbering,
    MainWindow::Command::Accounts,
    MainWindow::Command::Permissions,
    MainWindow::Command::GoodsStatus,
    MainWindow::Command::Prices,
    MainWindow::Command::BillQuery,
    MainWindow::Command::TechnicianSummary,
    MainWindow::Command::GoodsSummary,
    MainWindow::Command::CompanyProfile,
    MainWindow::Command::GoodsRecords,
    MainWindow::Command::StaffRecords,
    MainWindow::Command::ShiftPlanner,
    MainWindow::Command::MemberRecords,
    MainWindow::Command::SalarySheet,
    MainWindow::Command::CommissionFormula,
};

const QStringList GroupCaptions = { QStringLiteral("第一组房间"), QStringLiteral("第二组房间"),
    QStringLiteral("第三组房间"), QStringLiteral("第四组房间"), QStringLiteral("第五组房间") };

const QUrl ContactAddress(QStringLiteral("mailto:service@orvento.example"));
const QUrl HomePageAddress(QStringLiteral("https://www.orvento.example/"));

} // namespace

MainWindow::MainWindow(AppServices& services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
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
}

MainWindow::~MainWindow() = default;

// --- construction ---------------------------------------------------------------------------

QAction* MainWindow::addCommand(
    QMenu* menu, Command command, const QString& text, const QString& prompt, const char* objectName)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    m_actions.insert(command, action);
    m_prompts.insert(action, prompt);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    return action;
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* tools = bar->addMenu(QStringLiteral("工具(&T)"));
    addCommand(tools, Command::GroupCount, QStringLiteral("房间组数设定(&F)"),
        QStringLiteral("根椐企业房间数量来设定组数,一组有40个房间,最多有5组。 "), "actionGroupCount");
    addCommand(tools, Command::QuickNumbering, QStringLiteral("快速设置房间号(&K)"), QStringLiteral("快速设置房间号码"),
        "actionQuickNumbering");
    addCommand(tools, Command::Accounts, QStringLiteral("用户帐号管理(&Y)"),
        QStringLiteral("管理登录用户的添加、修改、删除等操作"), "actionAccounts");
    addCommand(tools, Command::Login, QStringLiteral("用户登录(&L)   Ctrl+L   "), QStringLiteral("弹出登录窗口"),
        "actionLogin");
    addCommand(tools, Command::Permissions, QStringLiteral("权限设置(&Q)"),
        QStringLiteral("用户权限设定，需用管理员帐户登录才可使用。"), "actionPermissions");

    QMenu* status = bar->addMenu(QStringLiteral("状态显示(&V)"));
    addCommand(status, Command::TechnicianStatus, QStringLiteral("技师状态(&G)   Ctrl+G"),
        QStringLiteral("显示技师上钟、空闲状态"), "actionTechnicianStatus");
    addCommand(status, Command::GoodsStatus, QStringLiteral("商品库存(&S)   Ctrl+S"),
        QStringLiteral("显示商品种类、库存状态"), "actionGoodsStatus");
    addCommand(status, Command::Calendar, QStringLiteral("当前日期(&T)   Ctrl+T"), {}, "actionCalendar");

    QMenu* cash = bar->addMenu(QStringLiteral("入帐收银(&L)"));
    addCommand(cash, Command::Prices, QStringLiteral("价格设置(&J)"),
        QStringLiteral("服务价格设置如：按摩单价、洗脚单价"), "actionPrices");
    addCommand(cash, Command::HandOverPrint, QStringLiteral("交班入帐情况打印(&D)  Ctrl+D"),
        QStringLiteral("打印收银员在当班时的入帐情况"), "actionHandOverPrint");

    QMenu* queries = bar->addMenu(QStringLiteral("查询分析与报表输出(&Q)"));
    addCommand(queries, Command::BillQuery, QStringLiteral("经营帐单查询(&F) Ctrl+F"),
        QStringLiteral("对服务项目(按天、按月、按年或单据等)综合查询，子解公司运营情况"), "actionBillQuery");
    addCommand(queries, Command::TechnicianSummary, QStringLiteral("技师服务情况汇总(&G)"),
        QStringLiteral("可查询技师的工作情况,作为技师工资汇总的依据"), "actionTechnicianSummary");
    addCommand(queries, Command::GoodsSummary, QStringLiteral("商品消费情况汇总(&S)"),
        QStringLiteral("可查询商品的消费情况分析，得出旺销商品，以作下次采购参考。"), "actionGoodsSummary");

    QMenu* records = bar->addMenu(QStringLiteral("资料设定(&I)"));
    addCommand(records, Command::CompanyProfile, QStringLiteral("公司信息管理(&G)"), {}, "actionCompanyProfile");
    addCommand(records, Command::GoodsRecords, QStringLiteral("商品库存管理(&S)  Ctrl+S"),
        QStringLiteral("酒水、商品的进、销、存管理"), "actionGoodsRecords");
    addCommand(records, Command::StaffRecords, QStringLiteral("员工资料管理(&Y)  Ctrl+Y"),
        QStringLiteral("员工资料的新增、修改、删除等操作"), "actionStaffRecords");
    addCommand(records, Command::ShiftPlanner, QStringLiteral("员工上班时间安排(&T)"),
        QStringLiteral("员工早班、晚班、休息时间安排。"), "actionShiftPlanner");
    addCommand(records, Command::MemberRecords, QStringLiteral("会员(卡)资料管理(&H)"),
        QStringLiteral("建立、修改、删除会员档案"), "actionMemberRecords");

    QMenu* payroll = bar->addMenu(QStringLiteral("工资管理(&C)"));
    addCommand(payroll, Command::SalarySheet, QStringLiteral("打印工资表(&G)"),
        QStringLiteral("设置员工工资,打印工资表"), "actionSalarySheet");
    addCommand(payroll, Command::CommissionFormula, QStringLiteral("提成公式设置(&T)"),
        QStringLiteral("用于计算技师提成"), "actionCommissionFormula");

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    addCommand(help, Command::About, QStringLiteral("关于我们(&W)   Ctrl+W"), {}, "actionAbout");
    addCommand(help, Command::Contact, QStringLiteral("与我们联系(&E) "), {}, "actionContact");
    addCommand(help, Command::HomePage, QStringLiteral("Orvento 首页(&H) "), {}, "actionHomePage");
    addCommand(help, Command::Manual, QStringLiteral("软件使用说明(&R) Ctrl+R"),
        QStringLiteral("包括所有的软件操作说明"), "actionManual");

    for (QMenu* menu : { tools, status, cash, queries, records, payroll, help }) {
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::onMenuShown);
        connect(
            menu, &QMenu::hovered, this, [this](QAction* action) { m_promptPane->setText(m_prompts.value(action)); });
    }
}

void MainWindow::buildToolBar()
{
    QToolBar* toolBar = addToolBar(QStringLiteral("toolbar"));
    toolBar->setObjectName(QStringLiteral("pictureButtons"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->toggleViewAction()->setVisible(false);
    toolBar->setIconSize(QSize(32, 32));

    struct Entry
    {
        Button button;
        Artwork::Picture picture;
        QString text;
        const char* objectName;
    };
    const Entry entries[] = {
        { Button::TechnicianStatus, Artwork::Picture::TechnicianStatus, QStringLiteral("技师状态"),
            "buttonTechnicianStatus" },
        { Button::Rota, Artwork::Picture::Rota, QStringLiteral("排钟"), "buttonRota" },
        { Button::HandOverPrint, Artwork::Picture::HandOverPrint, QStringLiteral("交班打印"), "buttonHandOverPrint" },
        { Button::BillQuery, Artwork::Picture::BillQuery, QStringLiteral("帐单查询"), "buttonBillQuery" },
        { Button::StaffManagement, Artwork::Picture::StaffManagement, QStringLiteral("技师管理"),
            "buttonStaffManagement" },
        { Button::Login, Artwork::Picture::Login, QStringLiteral("登录"), "buttonLogin" },
        { Button::Help, Artwork::Picture::Help, QStringLiteral("帮助"), "buttonHelp" },
    };
    for (const Entry& entry : entries) {
        auto* button = new QToolButton(toolBar);
        button->setObjectName(QString::fromLatin1(entry.objectName));
        button->setText(entry.text);
        button->setIcon(Artwork::toolbarIcon(entry.picture));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(76);
        toolBar->addWidget(button);
        m_buttons[static_cast<int>(entry.button)] = button;
    }

    connect(button(Button::TechnicianStatus), &QToolButton::clicked, this,
        [this] { runCommand(Command::TechnicianStatus); });
    connect(button(Button::Rota), &QToolButton::clicked, this, [this] {
        RotaDialog rota(m_services, this);
        rota.exec();
    });
    connect(button(Button::HandOverPrint), &QToolButton::clicked, this, [this] { runCommand(Command::HandOverPrint); });
    connect(button(Button::BillQuery), &QToolButton::clicked, this, [this] { runCommand(Command::BillQuery); });
    connect(
        button(Button::StaffManagement), &QToolButton::clicked, this, [this] { runCommand(Command::StaffRecords); });
    connect(button(Button::Login), &QToolButton::clicked, this, &MainWindow::login);
    connect(button(Button::Help), &QToolButton::clicked, this, &MainWindow::openHelpDocument);
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

    statusBar()->addWidget(m_promptPane, 1);
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
    layout->addWidget(hint);

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
    const SqlResult profile = m_services.database.exec(QStringLiteral("SELECT name, tel FROM company WHERE id=2004"));
    if (!profile.ok()) {
        m_services.messages.inform(profile.error, {}, MessageService::Icon::Warning);
        return;
    }
    if (!profile.isEmpty()) {
        m_services.desk.companyName = profile.first().value(0).toString();
        m_services.desk.companyTel = profile.first().value(1).toString();
    }
}

int MainWindow::readGroupCount()
{
    const QString fileName = GroupCountFile.toString();
    const bool present = QFile::exists(fileName);
    const int count = ReadSettingInt(fileName, m_services.messages);
    if (count >= 1 && count <= MaxGroups)
        return count;
    // A missing file was already reported by the read; a stored count outside 1 to 5 is
    // reported here. The desk then works with one group.
    if (present)
        m_services.messages.inform(
            QStringLiteral("房间组数设定有误(%1),现按一组房间显示,请重新设定房间组数。").arg(count));
    return 1;
}

void MainWindow::createRoomPages(int groupCount)
{
    // One board holds the numbers of every group, so that a number stays unique across pages.
    m_roomBoard = std::make_unique<RoomBoard>(std::clamp(groupCount, 0, MaxGroups));
    m_roomBoard->load(m_services.messages);
    for (int i = 0; i < m_roomBoard->groupCount(); ++i) {
        auto* page = new RoomPage(i, *m_roomBoard, m_services, m_tabs);
        page->setObjectName(QStringLiteral("roomPage%1").arg(i));
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
            .arg(m_services.desk.userSession.displayName, m_services.clock.now().toString(TimeOfDayFormat)));
}

void MainWindow::refreshClock()
{
    m_clockPane->setText(NowText(m_services.clock.now()));
}

void MainWindow::applyPermissions()
{
    QString error;
    const std::optional<AuthorityRow> row
        = LoadAuthorityRow(m_services.database, m_services.desk.userSession.role, &error);
    if (!error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    if (!row)
        return;
    const PermissionFlags allowed = PermissionsFromRow(*row);
    for (int i = 0; i < MenuFlagCount; ++i)
        action(FlaggedCommands[i])->setEnabled(allowed[i]);
    button(Button::StaffManagement)->setEnabled(allowed[16]);
    button(Button::BillQuery)->setEnabled(allowed[17]);
}

void MainWindow::takeLogin(int role, const QString& displayName)
{
    m_services.desk.userSession = { role, displayName };
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
    switch (command) {
    case Command::Accounts: {
        if (m_services.desk.userSession.role != GeneralManager) {
            m_services.messages.inform(QStringLiteral("只有总经理帐户登录才能设置帐户!"));
            return;
        }
        AccountDialog accounts(m_services, this);
        accounts.exec();
        return;
    }
    case Command::Permissions: {
        if (m_services.desk.userSession.role != GeneralManager) {
            m_services.messages.inform(QStringLiteral("只有总经理帐户登录才能设置权限!"));
            return;
        }
        PermissionDialog permissions(m_services, this);
        permissions.exec();
        return;
    }
    case Command::GoodsStatus:
    case Command::GoodsRecords:
        openRecords(RecordMode::Goods);
        return;
    case Command::StaffRecords:
        openRecords(RecordMode::Staff);
        return;
    case Command::MemberRecords:
        openRecords(RecordMode::Members);
        return;
    case Command::CompanyProfile: {
        CompanyProfileDialog profile(m_services, this);
        profile.exec();
        return;
    }
    case Command::Login:
        login();
        return;
    case Command::GroupCount: {
        GroupCountDialog dialog(m_services, this);
        if (dialog.exec() == QDialog::Accepted)
            m_services.messages.inform(QStringLiteral("使设置有效，必须重新启动软件"));
        return;
    }
    case Command::TechnicianStatus: {
        TechnicianStatusDialog board(m_services, this);
        board.exec();
        return;
    }
    case Command::ShiftPlanner: {
        SeededRandomSource random(static_cast<quint32>(m_services.clock.now().toSecsSinceEpoch()));
        ShiftPlannerDialog planner(m_services, random, this);
        planner.exec();
        return;
    }
    case Command::QuickNumbering:
        if (RoomPage* page = currentRoomPage())
            page->runQuickNumbering();
        return;
    case Command::Calendar: {
        CalendarDialog calendar(m_services.clock.now().date(), this);
        calendar.exec();
        return;
    }
    case Command::About: {
        AboutDialog about(this);
        about.exec();
        return;
    }
    case Command::Contact:
        m_services.launcher.open(ContactAddress);
        return;
    case Command::HomePage:
        m_services.launcher.open(HomePageAddress);
        return;
    case Command::Manual:
        openHelpDocument();
        return;
    default:
        comingLater();
        return;
    }
}

void MainWindow::comingLater()
{
    m_services.messages.inform(QStringLiteral("该功能尚未开放。"));
}

void MainWindow::openRecords(RecordMode mode)
{
    MasterRecordDialog records(mode, m_services, this);
    records.exec();
}

void MainWindow::login()
{
    LoginDialog dialog(m_services, this);
    if (dialog.exec() == QDialog::Accepted)
        takeLogin(dialog.role(), dialog.displayName());
    refreshLoginPane();
}

QString MainWindow::helpDocumentName()
{
    return QStringLiteral("Tavrel操作流程.html");
}

void MainWindow::openHelpDocument()
{
    // The guide travels inside the program and is put beside the database, where the desk's
    // default program can open it.
    const QString path = QDir::current().absoluteFilePath(helpDocumentName());
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(":/docs/guide.html"), path)) {
        m_services.messages.inform(QStringLiteral("无法打开软件使用说明。"));
        return;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    m_services.launcher.open(QUrl::fromLocalFile(path));
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
