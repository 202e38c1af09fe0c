#pragma once

#include <QHash>
#include <QMainWindow>

#include <array>
#include <memory>

struct AppServices;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;
class QToolButton;
class RoomBoard;
class RoomPage;
enum class RecordMode;

// The window the desk clerk works in all day: seven picture buttons, one tab of rooms per
// group, the status bar with the login and the clock, and the menu from which every other
// task opens. It owns the login state and applies the permission row of the logged-in role.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int MaxGroups = 5;

    // Every menu command; the first sixteen governed ones follow the flags str1..str16.
    enum class Command {
        GroupCount, // str1
        QuickNumbering, // str2
        Accounts, // str3
        Login,
        Permissions, // str4
        TechnicianStatus,
        GoodsStatus, // str5
        Calendar,
        Prices, // str6
        HandOverPrint,
        BillQuery, // str7
        TechnicianSummary, // str8
        GoodsSummary, // str9
        CompanyProfile, // str10
        GoodsRecords, // str11
        StaffRecords, // str12
        ShiftPlanner, // str13
        MemberRecords, // str14
        SalarySheet, // str15
        CommissionFormula, // str16
        About,
        Contact,
        HomePage,
        Manual,
    };
    enum class Button { TechnicianStatus, Rota, HandOverPrint, BillQuery, StaffManagement, Login, Help };

    explicit MainWindow(AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* action(Command command) const;
    QToolButton* button(Button button) const;
    QList<RoomPage*> roomPages() const { return m_pages; }
    RoomPage* currentRoomPage() const;

    QString promptText() const;
    QString loginText() const;
    QString clockText() const;

    // Applies the authority row of the current role to the sixteen menu items and the two
    // buttons; a missing row changes nothing.
    void applyPermissions();
    // Takes a successful login into the session and re-applies the permissions.
    void takeLogin(int role, const QString& displayName);

    static QString helpDocumentName();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildCentralArea();
    void bindShortcuts();
    void createRoomPages(int groupCount);
    int readGroupCount();
    void readCompanyProfile();
    void runShiftRotation();
    void refreshLoginPane();
    void refreshClock();
    void onMenuShown();

    QAction* addCommand(
        QMenu* menu, Command command, const QString& text, const QString& prompt, const char* objectName);
    void runCommand(Command command);
    void openHelpDocument();
    void login();
    void openRecords(RecordMode mode);
    void comingLater();

    AppServices& m_services;
    QHash<Command, QAction*> m_actions;
    QHash<QAction*, QString> m_prompts;
    std::array<QToolButton*, 7> m_buttons {};
    QTabWidget* m_tabs = nullptr;
    std::unique_ptr<RoomBoard> m_roomBoard; // numbers and seats of every group, shared by the pages
    QList<RoomPage*> m_pages;
    QLabel* m_promptPane = nullptr;
    QLabel* m_loginPane = nullptr;
    QLabel* m_clockPane = nullptr;
    QTimer* m_clockTimer = nullptr;
    bool m_permissionsPending = true;
};
