#pragma once

#include "desk/CommandContext.h"
#include "shell/CommandTable.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>

#include <array>
#include <memory>

struct AppServices;
class ClockAlertBar;
class ClockWatch;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;
class QToolButton;
class RoomBoard;
class RoomPage;

// The window the desk clerk works in all day: seven picture buttons, one tab of rooms per
// group, the status bar with the login and the clock, and the menu from which every other
// task opens. Its commands come from the command table; it applies the permission row of the
// logged-in role to them and follows the desk session's login.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int MaxGroups = 5;
    // The status bar's note while the desk has no voice to call technicians or say the rooms
    // that are due.
    static const QString NoVoiceText;

    using Command = MainCommand;
    using Button = MainButton;

    explicit MainWindow(AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* action(Command command) const;
    QToolButton* button(Button button) const;
    QList<RoomPage*> roomPages() const { return m_pages; }
    RoomPage* currentRoomPage() const;
    ClockWatch& clockWatch() const { return *m_clockWatch; }
    ClockAlertBar& clockAlertBar() const { return *m_clockAlertBar; }

    QString promptText() const;
    QString loginText() const;
    QString clockText() const;

    // Applies the authority row of the current role to the sixteen menu items and the two
    // buttons; a missing row changes nothing.
    void applyPermissions();
    // Takes a successful login into the session and re-applies the permissions.
    void takeLogin(int role, const QString& displayName, const QString& login = {});

    static QString helpDocumentName() { return CommandTable::helpDocumentName(); }

    // Binds a command whose opener the application gives (the backups act on its data folder).
    void setOpener(Command command, CommandOpener open) { m_openers.insert(command, std::move(open)); }

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

    void runCommand(Command command);
    void login();
    void quickNumbering();
    // Shows the page that holds the room and opens the room's service dialog.
    void openRoom(const QString& number);

    AppServices& m_services;
    CommandContext m_context;
    QHash<Command, CommandOpener> m_openers;
    QHash<Command, QAction*> m_actions;
    QHash<QAction*, QString> m_prompts;
    QMultiHash<int, QAction*> m_flaggedActions; // flag index -> menu item
    std::array<QToolButton*, 7> m_buttons {};
    QHash<int, QToolButton*> m_flaggedButtons; // flag index -> picture button
    QTabWidget* m_tabs = nullptr;
    ClockWatch* m_clockWatch = nullptr;
    ClockAlertBar* m_clockAlertBar = nullptr;
    std::unique_ptr<RoomBoard> m_roomBoard; // numbers and seats of every group, shared by the pages
    QList<RoomPage*> m_pages;
    QLabel* m_promptPane = nullptr;
    QLabel* m_loginPane = nullptr;
    QLabel* m_clockPane = nullptr;
    QLabel* m_voicePane = nullptr;
    QTimer* m_clockTimer = nullptr;
    QDateTime m_loginAttempt; // shown in the login pane
    bool m_permissionsPending = true;
};
