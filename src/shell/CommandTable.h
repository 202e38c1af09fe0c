#pragma once

#include "desk/CommandContext.h"
#include "rooms/RoomServiceExchange.h"
#include "skin/Artwork.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Every menu command of the main window, in menu order.
enum class MainCommand {
    GroupCount,
    QuickNumbering,
    Accounts,
    Login,
    Permissions,
    OperatorLog,
    Backup,
    Restore,
    SlipPrinterSettings,
    CashDrawer,
    TechnicianStatus,
    GoodsStatus,
    Calendar,
    Prices,
    ServiceItems,
    HandOverPrint,
    HandOverHistory,
    BillQuery,
    TechnicianSummary,
    GoodsSummary,
    ItemSummary,
    BusinessCharts,
    CompanyProfile,
    GoodsRecords,
    StaffRecords,
    ShiftPlanner,
    MemberRecords,
    CardTopUp,
    CardManagement,
    TopUpRules,
    CardReport,
    SalarySheet,
    CommissionFormula,
    About,
    Contact,
    HomePage,
    Manual,
};

// The seven picture buttons, left to right.
enum class MainButton { TechnicianStatus, Rota, HandOverPrint, BillQuery, StaffManagement, Login, Help };

using CommandOpener = std::function<void(const CommandContext&)>;

// No permission flag governs the command: it is always available.
inline constexpr int NoFlag = -1;

// One menu item: its text and prompt exactly as the desk shows them, the permission flag that
// governs it (0 = str1 … 15 = str16, 18 = str19, or NoFlag) and what it opens. The few commands that act
// on the main window itself (the room page shown, the login pane) have no opener here; the
// window runs them.
struct CommandEntry
{
    MainCommand command;
    QString text;
    QString prompt;
    const char* objectName;
    int flag = NoFlag;
    CommandOpener open;
};

struct CommandMenu
{
    QString title;
    QList<CommandEntry> entries;
};

// One picture button: the menu command it runs or an opener of its own, and its flag
// (16 = str17, 17 = str18, or NoFlag).
struct ButtonEntry
{
    MainButton button;
    Artwork::Picture picture;
    QString text;
    const char* objectName;
    int flag = NoFlag;
    std::optional<MainCommand> command;
    CommandOpener open;
};

// The main window's commands. A subsystem adds a command by offering its opener in its
// commands header (rooms/RoomCommands.h, schedule/ScheduleCommands.h, …) and adding a row
// here with its text, prompt and flag; the window includes no dialog of its own.
namespace CommandTable {

QList<CommandMenu> menus();
QList<ButtonEntry> buttons();

// What a click on a room's lamp opens: the room service dialog.
RoomServiceOpener roomServiceOpener(const CommandContext& context);

// The user guide travels inside the program and is put beside the database, where the
// desk's default program can open it.
QString helpDocumentName();
void OpenHelpDocument(const CommandContext& context);

} // namespace CommandTable
