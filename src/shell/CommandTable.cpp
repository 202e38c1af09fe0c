#include "shell/CommandTable.h"

#include "app/DesktopLauncher.h"
#include "app/MessageService.h"
#include "cards/CardCommands.h"
#include "desk/AppServices.h"
#include "payroll/PayrollCommands.h"
#include "payroll/SalarySheetCommands.h"
#include "records/RecordCommands.h"
#include "reports/ReportCommands.h"
#include "rooms/RoomCommands.h"
#include "schedule/ScheduleCommands.h"
#include "service/ServiceCommands.h"
#include "service/SlipPrinting.h"
#include "shell/GuideWindow.h"
#include "shift/ShiftCommands.h"
#include "skin/SkinCommands.h"
#include "users/Permissions.h"
#include "users/UserCommands.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

const QUrl ContactAddress(QStringLiteral("mailto:service@orvento.example"));
const QUrl HomePageAddress(QStringLiteral("https://www.orvento.example/"));

// Hands the address to the desktop. A desktop without a program for it (no browser, no mail
// program) must not leave the click unanswered: the user is told where to go by hand.
void openOnDesktop(const CommandContext& context, const QUrl& url, const QString& refusal)
{
    if (!context.services.launcher.open(url))
        context.services.messages.inform(
            refusal.arg(url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toDisplayString()));
}

void openAddress(const CommandContext& context, const QUrl& url)
{
    openOnDesktop(context, url, QStringLiteral("系统中没有可以打开这个地址的程序,请手工打开:\n%1"));
}

void openContact(const CommandContext& context)
{
    openAddress(context, ContactAddress);
}

void openHomePage(const CommandContext& context)
{
    openAddress(context, HomePageAddress);
}

// The member records with their button "充值", which opens the top-up of the cards on the
// member chosen.
void openMemberRecords(const CommandContext& context)
{
    OpenMemberRecords(context, [&context](const QString& card) { OpenCardTopUp(context, card); });
}

} // namespace

namespace CommandTable {

QList<CommandMenu> menus()
{
    using enum MainCommand;
    return {
        { QStringLiteral("工具(&T)"),
            {
                { GroupCount, QStringLiteral("房间组数设定(&F)"),
                    QStringLiteral("根椐企业房间数量来设定组数,一组有40个房间,最多有5组。 "), "actionGroupCount", 0,
                    OpenGroupCount },
                { QuickNumbering, QStringLiteral("快速设置房间号(&K)"), QStringLiteral("快速设置房间号码"),
                    "actionQuickNumbering", 1, {} },
                { Accounts, QStringLiteral("用户帐号管理(&Y)"), QStringLiteral("管理登录用户的添加、修改、删除等操作"),
                    "actionAccounts", 2, OpenAccounts },
                { Login, QStringLiteral("用户登录(&L)   Ctrl+L   "), QStringLiteral("弹出登录窗口"), "actionLogin",
                    NoFlag, {} },
                { Permissions, QStringLiteral("权限设置(&Q)"),
                    QStringLiteral("用户权限设定，需用管理员帐户登录才可使用。"), "actionPermissions", 3,
                    OpenPermissions },
                { OperatorLog, QStringLiteral("操作日志(&R)"),
                    QStringLiteral("查看登录、结帐、打折、作废、重打、交班和各项设置的记录，需用总经理帐户登录。"),
                    "actionOperatorLog", NoFlag, OpenOperatorLog },
                // The backups act on the data folder of the running desk: the application binds them.
                { Backup, QStringLiteral("数据备份(&B)"),
                    QStringLiteral("立即备份数据，或备份到选择的文件夹(如U盘)，需用总经理帐户登录。"), "actionBackup",
                    NoFlag, {} },
                { Restore, QStringLiteral("数据恢复(&H)"),
                    QStringLiteral("从备份恢复数据，恢复前的数据先自动备份，需用总经理帐户登录。"), "actionRestore",
                    NoFlag, {} },
                { SlipPrinterSettings, QStringLiteral("打印机设置(&P)"),
                    QStringLiteral("本收银台的小票打印机:纸宽、连接方式、钱箱和二维码,可测试打印。"),
                    "actionSlipPrinter", NoFlag, OpenSlipPrinterSettings },
                { CashDrawer, QStringLiteral("打开钱箱(&M)"),
                    QStringLiteral("不结帐打开钱箱，需经理以上帐户确认，记入操作日志。"), "actionCashDrawer", NoFlag,
                    OpenCashDrawer },
            } },
        { QStringLiteral("状态显示(&V)"),
            {
                { TechnicianStatus, QStringLiteral("技师状态(&G)   Ctrl+G"), QStringLiteral("显示技师上钟、空闲状态"),
                    "actionTechnicianStatus", NoFlag, OpenTechnicianStatus },
                { GoodsStatus, QStringLiteral("商品库存(&S)   Ctrl+S"), QStringLiteral("显示商品种类、库存状态"),
                    "actionGoodsStatus", 4, OpenGoodsRecords },
                { Calendar, QStringLiteral("当前日期(&T)   Ctrl+T"), {}, "actionCalendar", NoFlag, OpenCalendar },
            } },
        { QStringLiteral("入帐收银(&L)"),
            {
                { Prices, QStringLiteral("价格设置(&J)"), QStringLiteral("服务价格设置如：按摩单价、洗脚单价"),
                    "actionPrices", 5, OpenServicePrices },
                { ServiceItems, QStringLiteral("服务项目设置(&X)"),
                    QStringLiteral("服务项目的名称、单价、分钟数和技师提成，如：中式按摩、足疗、采耳"),
                    "actionServiceItems", ServiceItemsFlag, OpenServiceItems },
                { HandOverPrint, QStringLiteral("交班入帐情况打印(&D)  Ctrl+D"),
                    QStringLiteral("打印收银员在当班时的入帐情况"), "actionHandOverPrint", NoFlag, OpenHandOverPrint },
                { HandOverHistory, QStringLiteral("交班记录查询(&H)"),
                    QStringLiteral("查看以前各班的交班对账单，可重打"), "actionHandOverHistory", NoFlag,
                    OpenHandOverHistory },
            } },
        { QStringLiteral("查询分析与报表输出(&Q)"),
            {
                { BillQuery, QStringLiteral("经营帐单查询(&F) Ctrl+F"),
                    QStringLiteral("对服务项目(按天、按月、按年或单据等)综合查询，子解公司运营情况"), "actionBillQuery",
                    6, OpenBillQuery },
                { TechnicianSummary, QStringLiteral("技师服务情况汇总(&G)"),
                    QStringLiteral("可查询技师的工作情况,作为技师工资汇总的依据"), "actionTechnicianSummary", 7,
                    OpenTechnicianSummary },
                { GoodsSummary, QStringLiteral("商品消费情况汇总(&S)"),
                    QStringLiteral("可查询商品的消费情况分析，得出旺销商品，以作下次采购参考。"), "actionGoodsSummary",
                    8, OpenGoodsSummary },
                // The items' sums are the takings of the menu, so the bill query's flag opens them.
                { ItemSummary, QStringLiteral("服务项目汇总(&X)"),
                    QStringLiteral("按服务项目汇总一段时间的数量、金额和技师提成"), "actionItemSummary", 6,
                    OpenItemSummary },
                // The charts show the takings the bill query lists, so the same flag opens both.
                { CardReport, QStringLiteral("会员充值表(&C)"),
                    QStringLiteral("一段时间的会员卡充值、消费、退卡汇总和全部会员卡的余额"), "actionCardReport", 6,
                    OpenCardReport },
                { BusinessCharts, QStringLiteral("营业图表(&T)"),
                    QStringLiteral("以图表显示营业额、付款方式、时段、技师和商品排行"), "actionBusinessCharts", 6,
                    OpenBusinessCharts },
            } },
        { QStringLiteral("资料设定(&I)"),
            {
                { CompanyProfile, QStringLiteral("公司信息管理(&G)"), {}, "actionCompanyProfile", 9,
                    OpenCompanyProfile },
                { GoodsRecords, QStringLiteral("商品库存管理(&S)  Ctrl+S"),
                    QStringLiteral("酒水、商品的进、销、存管理"), "actionGoodsRecords", 10, OpenGoodsRecords },
                { StaffRecords, QStringLiteral("员工资料管理(&Y)  Ctrl+Y"),
                    QStringLiteral("员工资料的新增、修改、删除等操作"), "actionStaffRecords", 11, OpenStaffRecords },
                { ShiftPlanner, QStringLiteral("员工上班时间安排(&T)"),
                    QStringLiteral("员工早班、晚班、休息时间安排。"), "actionShiftPlanner", 12, OpenShiftPlanner },
                { MemberRecords, QStringLiteral("会员(卡)资料管理(&H)"), QStringLiteral("建立、修改、删除会员档案"),
                    "actionMemberRecords", 13, openMemberRecords },
                { CardTopUp, QStringLiteral("会员充值(&C)"),
                    QStringLiteral("为会员储值卡充值,按充值规则赠送,打印充值单"), "actionCardTopUp", CardTopUpFlag,
                    OpenCardTopUpCommand },
                // The cards' management and rules move money as a top-up does: the same flag.
                { CardManagement, QStringLiteral("会员卡管理(&M)"),
                    QStringLiteral("会员卡挂失、解挂、补卡、退卡、调整余额、设置密码,查看卡的流水"),
                    "actionCardManagement", CardTopUpFlag, OpenCardManagement },
                { TopUpRules, QStringLiteral("充值规则设置(&R)"), QStringLiteral("设置充值赠送规则,如充1000送100"),
                    "actionTopUpRules", CardTopUpFlag, OpenTopUpRules },
            } },
        { QStringLiteral("工资管理(&C)"),
            {
                { SalarySheet, QStringLiteral("打印工资表(&G)"), QStringLiteral("设置员工工资,打印工资表"),
                    "actionSalarySheet", 14, OpenSalarySheet },
                { CommissionFormula, QStringLiteral("提成公式设置(&T)"), QStringLiteral("用于计算技师提成"),
                    "actionCommissionFormula", 15, OpenCommissionFormula },
            } },
        { QStringLiteral("帮助(&H)"),
            {
                { About, QStringLiteral("关于我们(&W)   Ctrl+W"), {}, "actionAbout", NoFlag, OpenAbout },
                { Contact, QStringLiteral("与我们联系(&E) "), {}, "actionContact", NoFlag, openContact },
                { HomePage, QStringLiteral("Orvento 首页(&H) "), {}, "actionHomePage", NoFlag, openHomePage },
                { Manual, QStringLiteral("软件使用说明(&R) Ctrl+R"), QStringLiteral("包括所有的软件操作说明"),
                    "actionManual", NoFlag, OpenHelpDocument },
            } },
    };
}

QList<ButtonEntry> buttons()
{
    using Picture = Artwork::Picture;
    return {
        { MainButton::TechnicianStatus, Picture::TechnicianStatus, QStringLiteral("技师状态"), "buttonTechnicianStatus",
            NoFlag, MainCommand::TechnicianStatus, {} },
        { MainButton::Rota, Picture::Rota, QStringLiteral("排钟"), "buttonRota", NoFlag, std::nullopt, OpenRota },
        { MainButton::HandOverPrint, Picture::HandOverPrint, QStringLiteral("交班打印"), "buttonHandOverPrint", NoFlag,
            MainCommand::HandOverPrint, {} },
        { MainButton::BillQuery, Picture::BillQuery, QStringLiteral("帐单查询"), "buttonBillQuery", 17,
            MainCommand::BillQuery, {} },
        { MainButton::StaffManagement, Picture::StaffManagement, QStringLiteral("技师管理"), "buttonStaffManagement",
            16, MainCommand::StaffRecords, {} },
        { MainButton::Login, Picture::Login, QStringLiteral("登录"), "buttonLogin", NoFlag, MainCommand::Login, {} },
        { MainButton::Help, Picture::Help, QStringLiteral("帮助"), "buttonHelp", NoFlag, MainCommand::Manual, {} },
    };
}

RoomServiceOpener roomServiceOpener(const CommandContext& context)
{
    return RoomServiceOpenerFor(context);
}

QString helpDocumentName()
{
    return QStringLiteral("Tavrel操作流程.html");
}

void OpenHelpDocument(const CommandContext& context)
{
    const QString path = QDir::current().absoluteFilePath(helpDocumentName());
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(":/docs/guide.html"), path)) {
        context.services.messages.inform(
            QStringLiteral("无法打开软件使用说明,不能写入:\n%1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (context.services.launcher.open(QUrl::fromLocalFile(path)))
        return;
    // No browser on this desktop: the desk shows the guide itself, and says where the file is.
    auto* guide = new GuideWindow(path, context.window);
    guide->setAttribute(Qt::WA_DeleteOnClose);
    guide->show();
}

} // namespace CommandTable
