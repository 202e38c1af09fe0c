#include "app/Database.h"
#include "app/SettingFile.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"
#include "payroll/SalarySheetDialog.h"
#include "records/CompanyProfileDialog.h"
#include "records/MasterRecordDialog.h"
#include "reports/QueryWindow.h"
#include "rooms/ClockAlertBar.h"
#include "rooms/GroupCountDialog.h"
#include "rooms/QuickNumberingDialog.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomPage.h"
#include "schedule/RotaDialog.h"
#include "schedule/ShiftPlannerDialog.h"
#include "schedule/TechnicianStatusDialog.h"
#include "shell/ApplicationIdentity.h"
#include "shell/DeskApplication.h"
#include "shell/DialogMessageService.h"
#include "shell/GuideWindow.h"
#include "shell/MainWindow.h"
#include "shift/HandOverListing.h"
#include "skin/SplashScreen.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/AccountDialog.h"
#include "users/LoginDialog.h"
#include "users/PermissionDialog.h"
#include "users/Permissions.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace Qt::StringLiterals;

using Command = MainWindow::Command;
using Button = MainWindow::Button;

// The whole desk started offscreen on a fresh data folder.
class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    static QStringList menuTexts(const MainWindow& window)
    {
        QStringList texts;
        for (QAction* menu : window.menuBar()->actions()) {
            texts << menu->text();
            for (QAction* item : menu->menu()->actions())
                texts << QStringLiteral("  ") + item->text();
        }
        return texts;
    }

private slots:

    void freshStartShowsAWorkingBoard()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        window.resize(1280, 800);
        QVERIFY(ShowOnScreen(window));
        QVERIFY2(desk.messages.shown().isEmpty(), qPrintable(desk.messages.texts().join(u'|')));

        QCOMPARE(window.windowTitle(), QStringLiteral("Tavrel 1.21"));
        QStringList buttons;
        for (Button b : { Button::TechnicianStatus, Button::Rota, Button::HandOverPrint, Button::BillQuery,
                 Button::StaffManagement, Button::Login, Button::Help })
            buttons << window.button(b)->text();
        QCOMPARE(buttons,
            (QStringList {
                u"技师状态"_s, u"排钟"_s, u"交班打印"_s, u"帐单查询"_s, u"技师管理"_s, u"登录"_s, u"帮助"_s }));
        QVERIFY(!window.button(Button::Help)->icon().isNull());

        const QStringList expectedMenus = {
            u"工具(&T)"_s,
            u"  房间组数设定(&F)"_s,
            u"  快速设置房间号(&K)"_s,
            u"  用户帐号管理(&Y)"_s,
            u"  用户登录(&L)   Ctrl+L   "_s,
            u"  权限设置(&Q)"_s,
            u"  操作日志(&R)"_s,
            u"  数据备份(&B)"_s,
            u"  数据恢复(&H)"_s,
            u"  打印机设置(&P)"_s,
            u"  打开钱箱(&M)"_s,
            u"状态显示(&V)"_s,
            u"  技师状态(&G)   Ctrl+G"_s,
            u"  商品库存(&S)   Ctrl+S"_s,
            u"  当前日期(&T)   Ctrl+T"_s,
            u"入帐收银(&L)"_s,
            u"  价格设置(&J)"_s,
            u"  服务项目设置(&X)"_s,
            u"  交班入帐情况打印(&D)  Ctrl+D"_s,
            u"  交班记录查询(&H)"_s,
            u"查询分析与报表输出(&Q)"_s,
            u"  经营帐单查询(&F) Ctrl+F"_s,
            u"  技师服务情况汇总(&G)"_s,
            u"  商品消费情况汇总(&S)"_s,
            u"  服务项目汇总(&X)"_s,
            u"  会员充值表(&C)"_s,
            u"  营业图表(&T)"_s,
            u"资料设定(&I)"_s,
            u"  公司信息管理(&G)"_s,
            u"  商品库存管理(&S)  Ctrl+S"_s,
            u"  员工资料管理(&Y)  Ctrl+Y"_s,
            u"  员工上班时间安排(&T)"_s,
            u"  会员(卡)资料管理(&H)"_s,
            u"  会员充值(&C)"_s,
            u"  会员卡管理(&M)"_s,
            u"  充值规则设置(&R)"_s,
            u"工资管理(&C)"_s,
            u"  打印工资表(&G)"_s,
            u"  提成公式设置(&T)"_s,
            u"帮助(&H)"_s,
            u"  关于我们(&W)   Ctrl+W"_s,
            u"  与我们联系(&E) "_s,
            u"  Orvento 首页(&H) "_s,
            u"  软件使用说明(&R) Ctrl+R"_s,
        };
        QCOMPARE(menuTexts(window), expectedMenus);

        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("roomTabs"));
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("第一组房间"));
        QCOMPARE(tabs->tabPosition(), QTabWidget::South);
        QCOMPARE(window.loginText(), QStringLiteral("未登录 登录时间:09:15:30"));
        QCOMPARE(window.clockText(), QStringLiteral("2026-12-07 09:15:30 星期一"));
        QCOMPARE(desk.session().companyName(), QStringLiteral("Tavrel 桑拿足浴中心"));
        QVERIFY(!desk.session().companyTel().isEmpty());

        window.grab().save(TestOutputPath(QStringLiteral("mainwindow.png")));
    }

    void groupCountComesFromTheSettingFile_data()
    {
        QTest::addColumn<QByteArray>("file"); // "missing" or the four bytes
        QTest::addColumn<int>("tabs");
        QTest::addColumn<bool>("message");
        // The new groups have no pagesel file yet: one "打开一个二进制文件失败!" each.
        QTest::newRow("three") << QByteArray("\x03\0\0\0", 4) << 3 << true;
        QTest::newRow("five") << QByteArray("\x05\0\0\0", 4) << 5 << true;
        QTest::newRow("seven") << QByteArray("\x07\0\0\0", 4) << 1 << true;
        QTest::newRow("zero") << QByteArray("\0\0\0\0", 4) << 1 << true;
        QTest::newRow("missing") << QByteArray("missing") << 1 << true;
    }

    void groupCountComesFromTheSettingFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, tabs);
        QFETCH(bool, message);
        if (file == "missing" && TestsOnServer())
            QSKIP("a desk on a server writes the delivered settings its house misses at each start");
        DeskFixture desk;
        QVERIFY(desk.start([&](Database& database) {
            if (file == "missing") {
                desk.removeSetting(QStringLiteral("HouNum.daf"));
            } else {
                ScriptedMessageService quiet;
                QVERIFY(MakeSettingPlace(database)->write(QStringLiteral("HouNum.daf"), file, quiet));
            }
        }));
        QCOMPARE(desk.window().roomPages().size(), tabs);
        QCOMPARE(desk.window().findChild<QTabWidget*>(QStringLiteral("roomTabs"))->count(), tabs);
        QCOMPARE(!desk.messages.shown().isEmpty(), message);
        if (file == "missing")
            QCOMPARE(desk.messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
    }

    // The count and the groups' numbers come from the house's place: the folder's files, or
    // the rows of a house whose desks share a server.
    void groupCountComesFromEitherPlace_data() { AddSettingPlaceRows(); }

    void groupCountComesFromEitherPlace()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        QVERIFY(env.isReady());
        WriteGroupCount(env.settings, 2);
        WriteRoomGroup(env.settings, 1, 201);
        MainWindow window(env.services);
        QCOMPARE(window.roomPages().size(), 2);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(ReadSettingInt(env.settings, GroupCountFile.toString(), env.messages), 2);

        // A count out of range is said and shows one group, in either place.
        WriteGroupCount(env.settings, 7);
        MainWindow again(env.services);
        QCOMPARE(again.roomPages().size(), 1);
        QCOMPARE(env.messages.texts(),
            QStringList { QStringLiteral("房间组数设定有误(7),现按一组房间显示,请重新设定房间组数。") });
    }

    void permissionsOfTheCashierApplyBeforeAnyLogin()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) {
            // str1 greyed, the rest of the menu allowed; 技师管理 allowed, 帐单查询 not.
            db.exec(QStringLiteral(
                "UPDATE authority SET str1=1, str2=0, str3=0, str4=0, str5=0, str6=0, str7=0, str8=0, "
                "str9=0, str10=0, str11=0, str12=0, str13=0, str14=0, str15=0, str16=5, str17=1, str18=0 "
                "WHERE id=0"));
        }));
        MainWindow& window = desk.window();
        QVERIFY(!window.action(Command::GroupCount)->isEnabled());
        QVERIFY(window.action(Command::QuickNumbering)->isEnabled());
        QVERIFY(!window.action(Command::CommissionFormula)->isEnabled()); // any value but 0 greys
        QVERIFY(window.button(Button::StaffManagement)->isEnabled());
        QVERIFY(!window.button(Button::BillQuery)->isEnabled());
        // Commands without a flag stay available.
        QVERIFY(window.action(Command::Login)->isEnabled());
        QVERIFY(window.action(Command::TechnicianStatus)->isEnabled());
        QVERIFY(window.button(Button::Rota)->isEnabled());
    }

    void anAllZeroRowEnablesTheMenuAndDisablesBothButtons()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) {
            QStringList zero;
            for (int i = 1; i <= 18; ++i)
                zero << QStringLiteral("str%1=0").arg(i);
            db.exec(QStringLiteral("UPDATE authority SET %1 WHERE id=0").arg(zero.join(u',')));
        }));
        MainWindow& window = desk.window();
        for (Command command : { Command::GroupCount, Command::QuickNumbering, Command::Accounts, Command::Permissions,
                 Command::GoodsStatus, Command::Prices, Command::BillQuery, Command::TechnicianSummary,
                 Command::GoodsSummary, Command::CompanyProfile, Command::GoodsRecords, Command::StaffRecords,
                 Command::ShiftPlanner, Command::MemberRecords, Command::SalarySheet, Command::CommissionFormula })
            QVERIFY(window.action(command)->isEnabled());
        QVERIFY(!window.button(Button::StaffManagement)->isEnabled());
        QVERIFY(!window.button(Button::BillQuery)->isEnabled());
        QCOMPARE(PermissionsFromRow(AuthorityRow {}), ([] {
            PermissionFlags flags {};
            for (int i = 0; i < MenuFlagCount; ++i)
                flags[i] = true;
            return flags;
        }()));
    }

    void permissionsAreAppliedOnceMoreAtTheFirstMenu()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        window.show();
        QVERIFY(window.action(Command::GoodsStatus)->isEnabled());
        desk.database().exec(QStringLiteral("UPDATE authority SET str5=1 WHERE id=0"));
        QMenu* menu = window.menuBar()->actions().at(1)->menu();
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QVERIFY(!window.action(Command::GoodsStatus)->isEnabled());
        // Only once: a later change waits for the next login.
        desk.database().exec(QStringLiteral("UPDATE authority SET str5=0 WHERE id=0"));
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QVERIFY(!window.action(Command::GoodsStatus)->isEnabled());
        window.takeLogin(0, QStringLiteral("小王"));
        QVERIFY(window.action(Command::GoodsStatus)->isEnabled());
    }

    void aMissingAuthorityRowChangesNothing()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) { db.exec(QStringLiteral("DELETE FROM authority WHERE id=2")); }));
        MainWindow& window = desk.window();
        const bool before = window.action(Command::Prices)->isEnabled();
        window.takeLogin(2, QStringLiteral("经理甲"));
        QCOMPARE(window.action(Command::Prices)->isEnabled(), before);
        QVERIFY(desk.messages.shown().isEmpty());
    }

    void menuPromptsShowInTheFirstPane()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QMenu* tools = window.menuBar()->actions().at(0)->menu();
        emit tools->hovered(window.action(Command::QuickNumbering));
        QCOMPARE(window.promptText(), QStringLiteral("快速设置房间号码"));
        QMenu* records = window.menuBar()->actions().at(4)->menu();
        emit records->hovered(window.action(Command::CompanyProfile));
        QCOMPARE(window.promptText(), QString());
    }

    void roleThreeCommandsRefuseOtherRoles()
    {
        DeskFixture desk;
        QVERIFY(desk.start(
            [](Database& db) { db.exec(QStringLiteral("UPDATE authority SET str3=0, str4=0 WHERE id=0")); }));
        MainWindow& window = desk.window();
        window.action(Command::Accounts)->trigger();
        window.action(Command::Permissions)->trigger();
        QCOMPARE(desk.messages.texts(),
            (QStringList { QStringLiteral("只有总经理帐户登录才能设置帐户!"),
                QStringLiteral("只有总经理帐户登录才能设置权限!") }));
    }

    void helpAndAddressesGoToTheDesktop()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QTest::mouseClick(window.button(Button::Help), Qt::LeftButton);
        QCOMPARE(desk.launcher.opened.size(), 1);
        const QString guide = desk.launcher.opened.first().toLocalFile();
        QVERIFY(guide.endsWith(QStringLiteral("Tavrel操作流程.html")));
        QFile file(guide);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("操作流程")));
        window.action(Command::Contact)->trigger();
        window.action(Command::HomePage)->trigger();
        QCOMPARE(desk.launcher.opened.at(1).scheme(), QStringLiteral("mailto"));
        QCOMPARE(desk.launcher.opened.at(2).scheme(), QStringLiteral("https"));
    }

    void theExitQuestionCanBeCancelled()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        window.show();
        desk.messages.queueAnswer(false);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(desk.messages.lastText(), QStringLiteral("是否真的退出!"));
        desk.messages.queueAnswer(true);
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
    }

    // The shift swap of the start fails in the database: the desk says why and starts all the
    // same. The table is made again with the same columns and a rule the swap breaks, which the
    // start's shape check (columns, indexes, triggers) lets through as another tool might; the
    // table is rebuilt from the file's own schema text, so this one is a test of the data file.
    void aDatabaseErrorAtStartIsShownAndStartGoesOn()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) {
            if (db.server()) { // a server adds the rule to the table as it stands
                QVERIFY(db.exec(u"UPDATE wtimechgcondition SET spaceday=1, time='2000-01-01 00:00:00'"_s).ok());
                QVERIFY(
                    db.execAsWritten(u"ALTER TABLE worksinfo ADD CONSTRAINT no_swap_today CHECK (workstatus <> 1)"_s)
                        .ok());
                QVERIFY(db.exec(u"INSERT INTO worksinfo (str1, workstatus) VALUES ('01', 0)"_s).ok());
                return;
            }
            const QString made = db.scalar(u"SELECT sql FROM sqlite_master WHERE name='worksinfo'"_s).toString();
            const SqlResult indexes = db.exec(
                u"SELECT sql FROM sqlite_master WHERE type='index' AND tbl_name='worksinfo' AND sql IS NOT NULL"_s);
            QVERIFY(made.endsWith(u')'));
            QVERIFY(db.exec(u"UPDATE wtimechgcondition SET spaceday=1, time='2000-01-01 00:00:00'"_s).ok());
            QVERIFY(db.exec(u"ALTER TABLE worksinfo RENAME TO worksinfo_before"_s).ok());
            QVERIFY(db.exec(made.chopped(1) + u", CONSTRAINT no_swap_today CHECK (workstatus <> 1))"_s).ok());
            QVERIFY(db.exec(u"INSERT INTO worksinfo SELECT * FROM worksinfo_before"_s).ok());
            QVERIFY(db.exec(u"DROP TABLE worksinfo_before"_s).ok());
            for (const QSqlRecord& index : indexes.rows)
                QVERIFY(db.exec(index.value(0).toString()).ok());
            QVERIFY(db.exec(u"INSERT INTO worksinfo (str1, workstatus) VALUES ('01', 0)"_s).ok());
        }));
        QVERIFY2(desk.messages.lastText().contains(u"no_swap_today"_s), qPrintable(desk.messages.lastText()));
        QCOMPARE(desk.window().roomPages().size(), 1);
        // Nothing of the swap was kept: the rule's stamp still says it is due.
        QCOMPARE(desk.database().scalar(u"SELECT time FROM wtimechgcondition WHERE id=1"_s).toString(),
            u"2000-01-01 00:00:00"_s);
    }

    void commandsOpenTheirDialogs()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) { db.exec(QStringLiteral("UPDATE authority SET str13=0 WHERE id=0")); }));
        MainWindow& window = desk.window();
        QStringList opened;
        const auto closeAndNote = [&opened](QDialog* dialog) {
            opened << dialog->windowTitle();
            dialog->reject();
        };
        WhenDialogOpens<RotaDialog>(closeAndNote);
        QTest::mouseClick(window.button(Button::Rota), Qt::LeftButton);
        WhenDialogOpens<TechnicianStatusDialog>(closeAndNote);
        QTest::mouseClick(window.button(Button::TechnicianStatus), Qt::LeftButton);
        WhenDialogOpens<TechnicianStatusDialog>(closeAndNote);
        window.action(Command::TechnicianStatus)->trigger();
        WhenDialogOpens<ShiftPlannerDialog>(closeAndNote);
        window.action(Command::ShiftPlanner)->trigger();
        QCOMPARE(opened,
            (QStringList { u"排钟"_s, u"技师工作状态和上钟顺序"_s, u"技师工作状态和上钟顺序"_s, u"员工上班安排"_s }));
    }

    // The queries, the hand-over and the salary sheet open from their menu items and buttons.
    void queriesAndSalarySheetOpen()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) {
            db.exec(u"UPDATE authority SET str7=0, str8=0, str9=0, str15=0, str18=1 WHERE id=0"_s);
        }));
        MainWindow& window = desk.window();
        QStringList opened;
        const auto noteQuery = [&opened](QueryWindow* query) {
            opened << query->windowTitle() + (query->mode() == QueryWindow::Mode::HandOver ? u" 交班"_s : QString());
            query->accept();
        };
        for (Command command :
            { Command::BillQuery, Command::TechnicianSummary, Command::GoodsSummary, Command::HandOverPrint }) {
            WhenDialogOpens<QueryWindow>(noteQuery);
            window.action(command)->trigger();
        }
        WhenDialogOpens<QueryWindow>(noteQuery);
        QTest::mouseClick(window.button(Button::HandOverPrint), Qt::LeftButton);
        WhenDialogOpens<QueryWindow>(noteQuery);
        QTest::mouseClick(window.button(Button::BillQuery), Qt::LeftButton);
        WhenDialogOpens<SalarySheetDialog>([&opened](SalarySheetDialog* sheet) {
            opened << sheet->windowTitle();
            sheet->accept();
        });
        window.action(Command::SalarySheet)->trigger();
        QCOMPARE(opened,
            (QStringList { u"经营单据"_s, u"技师服务"_s, u"商品销售情况查询"_s, u"经营单据 交班"_s, u"经营单据 交班"_s,
                u"经营单据"_s, u"工资设定"_s }));
        QVERIFY(desk.messages.shown().isEmpty());
    }

    // The status bar follows the session's login, whoever changed it.
    void theLoginPaneFollowsTheSession()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.session().logIn(1, u"王部长"_s);
        QCOMPARE(desk.window().loginText(), u"王部长 登录时间:09:15:30"_s);
    }

    // A busy afternoon: guests in rooms, services running with their minutes, one near its end
    // and two over it, technicians queued.
    void aBusyBoardLooksRight()
    {
        DeskFixture desk(QDateTime(QDate(2026, 12, 7), QTime(15, 42, 10)));
        QVERIFY(desk.start());
        DeskSession& session = desk.session();
        for (const QString& number : { u"01"_s, u"02"_s, u"03"_s, u"05"_s, u"07"_s, u"08"_s, u"11"_s, u"12"_s, u"15"_s,
                 u"1001"_s, u"1002"_s, u"1003"_s, u"1004"_s })
            QVERIFY(session.queueTechnician(RotaShift::Early, number).ok());
        for (const QString& room : { u"103"_s, u"110"_s, u"121"_s, u"137"_s })
            QVERIFY(session.markGuestIn(room).ok());
        // Room, technicians, minutes since the start, massage clocks.
        const struct
        {
            QString room;
            QStringList technicians;
            int minutes;
            int clocks;
        } served[] = { { u"101"_s, { u"01"_s }, 40, 1 }, { u"105"_s, { u"02"_s, u"03"_s }, 57, 1 },
            { u"114"_s, { u"05"_s }, 125, 2 }, { u"118"_s, { u"07"_s, u"08"_s, u"11"_s, u"15"_s }, 40, 2 },
            { u"126"_s, { u"12"_s }, 63, 1 }, { u"133"_s, {}, 5, 0 },
            { u"140"_s, { u"1001"_s, u"1002"_s, u"1003"_s, u"1004"_s }, 112, 2 } };
        for (const auto& [room, technicians, minutes, clocks] : served) {
            OpenBill bill;
            bill.startTime = desk.clock.now().addSecs(-60 * minutes - 20);
            bill.massageClocks = clocks;
            QVERIFY(session.openBill(room, bill).ok());
            for (const QString& number : technicians)
                QVERIFY(session.addTechnician(room, { number, u"技师"_s + number, 0, 0, false }).ok());
        }
        QVERIFY(session.releaseTechnician(u"118"_s, u"08"_s).ok());
        desk.window().takeLogin(0, u"小李"_s);

        MainWindow& window = desk.window();
        RoomPage* page = window.roomPages().first();
        QCOMPARE(page->lampText(5), u"03 02 "_s);
        QCOMPARE(page->lampText(18), u"15 11 *08 07 "_s);
        QCOMPARE(page->room(18)->lamp()->toolTip(), u"15(轮) 11(轮) *08(轮) 07(轮)\n已上钟40分钟, 17:01:50到钟"_s);
        QCOMPARE(page->room(3)->lamp()->toolTip(), RoomLamp::StateToolTip);
        QCOMPARE(page->room(1)->lamp()->minutesText(), u"40分钟"_s);
        QCOMPARE(page->room(5)->lamp()->alert(), ClockAlert::Warning);
        QCOMPARE(page->room(14)->lamp()->alert(), ClockAlert::Due);
        QCOMPARE(page->room(33)->lamp()->alert(), ClockAlert::Normal);
        QCOMPARE(window.clockAlertBar().rooms(), (QStringList { u"114"_s, u"126"_s }));
        QCOMPARE(desk.sound.count, 2);
        QCOMPARE(page->lampText(3), u"入客"_s);
        QVERIFY(page->room(33)->lamp()->isLit());
        QVERIFY(!page->room(2)->lamp()->isLit());
        QVERIFY(ShowOnScreen(window));
        // The whole screen, and what a maximised window keeps under a title bar and a panel.
        for (const QSize& size : { QSize(1366, 768), QSize(1024, 768), QSize(1366, 700), QSize(1024, 700) }) {
            window.resize(size);
            QCoreApplication::processEvents();
            // Every number of a room with four technicians is shown whole and legible.
            for (int room : { 18, 40 }) {
                const LampText shown = page->room(room)->lamp()->shownText();
                QVERIFY2(shown.complete, qPrintable(shown.lines.join(u'|')));
                QCOMPARE(shown.lines.last(), page->room(room)->lamp()->minutesText());
                QCOMPARE(shown.lines.mid(0, shown.lines.size() - 1).join(u' ').split(u' '),
                    page->lampText(room).split(u' ', Qt::SkipEmptyParts));
                QVERIFY2(shown.font.pixelSize() >= 11,
                    qPrintable(u"room %1 at %2x%3: %4 px, lamp %5x%6, text %7x%8"_s.arg(room)
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(shown.font.pixelSize())
                                   .arg(page->room(room)->lamp()->width())
                                   .arg(page->room(room)->lamp()->height())
                                   .arg(page->room(room)->lamp()->textArea().width())
                                   .arg(page->room(room)->lamp()->textArea().height())));
            }
            QVERIFY(window.grab().save(
                TestOutputPath(u"mainwindow-busy-%1x%2.png"_s.arg(size.width()).arg(size.height()))));
        }
        QVERIFY(desk.messages.shown().isEmpty());
    }

    // Captions are exactly the desk's own: no application display name for Qt to append.
    void captionsAreTheDesksOwn()
    {
        SetApplicationIdentity();
        QCOMPARE(QCoreApplication::applicationName(), u"Tavrel"_s);
        QCOMPARE(QCoreApplication::organizationName(), u"Orvento"_s);
        // A display name of its own would be appended to every caption as " — Tavrel"; without
        // one it simply follows the application name.
        QCoreApplication::setApplicationName(u"probe"_s);
        QCOMPARE(QGuiApplication::applicationDisplayName(), u"probe"_s);
        SetApplicationIdentity();
        QCOMPARE(QGuiApplication::applicationDisplayName(), u"Tavrel"_s);

        DeskFixture desk;
        QVERIFY(desk.start());
        QCOMPARE(desk.window().windowTitle(), u"Tavrel 1.21"_s);
        LoginDialog login(desk.application().services());
        QCOMPARE(login.windowTitle(), u"登录"_s);
    }

    // The prompt of the item last under the mouse goes when the menu closes.
    void thePromptGoesWhenTheMenuCloses()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QVERIFY(ShowOnScreen(window));
        QMenu* tools = window.menuBar()->actions().at(0)->menu();
        tools->popup(window.mapToGlobal(QPoint(10, 30)));
        QVERIFY(QTest::qWaitForWindowExposed(tools));
        QTest::keyClick(tools, Qt::Key_Down); // the first item a cashier may use
        QCOMPARE(tools->activeAction(), window.action(Command::Login));
        QCOMPARE(window.promptText(), u"弹出登录窗口"_s);
        QTest::keyClick(tools, Qt::Key_Escape);
        QTRY_VERIFY(!tools->isVisible());
        QCOMPARE(window.promptText(), QString());
    }

    // The guide writes its Chinese with full-width punctuation.
    void theGuideIsWrittenForTheDesk()
    {
        QFile file(u":/docs/guide.html"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        text.remove(QRegularExpression(u"<[^>]*>|&[a-z]+;"_s));
        // The desk's own captions and messages are quoted as the desk shows them.
        text.remove(QRegularExpression(u"“[^”]*”"_s));
        const QRegularExpression halfWidth(
            u"[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}][,:;()!?]|[,:;()!?][\\x{3000}-\\x{9fff}]"_s);
        const QRegularExpressionMatch found = halfWidth.match(text);
        QVERIFY2(!found.hasMatch(), qPrintable(found.captured()));
        QVERIFY(text.contains(u"员工上班时间安排"_s));
    }

    // A desktop without a browser: the desk shows the guide in a window of its own, with links
    // between its sections, and says where the guide's file lies.
    void helpWithoutABrowserShowsTheGuideInTheDesk()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        desk.launcher.canOpen = false;
        QTest::mouseClick(desk.window().button(Button::Help), Qt::LeftButton);
        const QString guide = QDir::toNativeSeparators(desk.launcher.opened.first().toLocalFile());
        QVERIFY(desk.messages.shown().isEmpty());
        GuideWindow* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* shown = qobject_cast<GuideWindow*>(widget); shown && shown->isVisible())
                window = shown;
        }
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), u"软件使用说明"_s);
        QVERIFY(window->browser()->toPlainText().contains(u"员工上班时间安排"_s));
        QVERIFY(Child<QLabel>(window, u"guidePathLabel"_s)->text().endsWith(guide));
        QVERIFY(QFileInfo::exists(guide));
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            window->resize(size.width() * 3 / 5, size.height() * 4 / 5);
            QVERIFY(window->grab().save(TestOutputPath(u"guide-window-%1.png"_s.arg(size.width()))));
        }
        Click(window, u"closeButton"_s);
        QTRY_VERIFY(!window->isVisible());

        desk.window().action(Command::HomePage)->trigger();
        QVERIFY(desk.messages.lastText().endsWith(u"https://www.orvento.example/"_s));
    }

    // The desk's message boxes leave the title bar room for their caption: the short
    // "交班完毕!" box read "T…" in a window manager's title bar.
    void messageBoxCaptionsHaveRoom()
    {
        QApplication::setApplicationDisplayName(u"Tavrel"_s);
        DialogMessageService messages;
        struct Seen
        {
            QString caption;
            int width = 0;
            int needed = 0;
        };
        QList<Seen> seen;
        const auto watch = [&seen](const QString& picture) {
            WhenDialogOpens<QMessageBox>([&seen, picture](QMessageBox* box) {
                QFont title = box->font();
                title.setBold(true);
                title.setPointSizeF(title.pointSizeF() * 1.25);
                seen.append(
                    { box->windowTitle(), box->width(), QFontMetrics(title).horizontalAdvance(box->windowTitle()) });
                box->grab().save(TestOutputPath(picture));
                box->button(QMessageBox::Ok)->click();
            });
        };
        watch(u"messagebox-handover-done.png"_s);
        messages.inform(HandOverListing::HandOverDoneText);
        watch(u"messagebox-question.png"_s);
        QVERIFY(messages.ask(u"是否交班?"_s));
        const QString longCaption = u"桑拿足浴会所前台收银管理系统 Tavrel 1.21 操作提示"_s;
        watch(u"messagebox-long-caption.png"_s);
        messages.inform(u"好"_s, longCaption);
        QCOMPARE(seen.size(), 3);
        QCOMPARE(seen[0].caption, u"Tavrel"_s);
        QCOMPARE(seen[2].caption, longCaption);
        for (const Seen& box : seen) {
            QVERIFY2(box.width >= 280, qPrintable(QString::number(box.width)));
            QVERIFY2(box.width >= box.needed + 160, qPrintable(u"%1 < %2"_s.arg(box.width).arg(box.needed + 160)));
        }
    }

    // Qt's own windows speak Chinese once the desk runs: the print dialog's buttons.
    void qtsOwnDialogsSpeakChinese()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        QPrinter printer;
        QPrintDialog dialog(&printer, &desk.window());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList buttons;
        for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
            buttons << button->text();
        dialog.reject();
        QVERIFY2(buttons.contains(u"取消"_s), qPrintable(buttons.join(u'|')));
        QVERIFY2(std::any_of(
                     buttons.cbegin(), buttons.cend(), [](const QString& text) { return text.startsWith(u"打印"_s); }),
            qPrintable(buttons.join(u'|')));
        QVERIFY(!buttons.contains(u"Cancel"_s));
        QCOMPARE(QDialogButtonBox(QDialogButtonBox::Save).button(QDialogButtonBox::Save)->text(), u"保存"_s);
    }

    // The start picture stands above the main window for its 750 ms.
    void theSplashShowsAboveTheMainWindow()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QVERIFY(ShowOnScreen(window));
        SplashScreen splash;
        QElapsedTimer shown;
        shown.start();
        splash.showOver(window);
        QVERIFY(splash.isVisible());
        QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(splash.windowHandle()->transientParent(), window.windowHandle());
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 3000);
        QVERIFY(shown.elapsed() >= SplashScreen::ShowMilliseconds);
    }

    // The dialogs changed for the keyboard and the lists, over the board at the two screen
    // sizes of the desk: each fits the smaller screen.
    void changedDialogsFitTheScreen()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QVERIFY(ShowOnScreen(window));
        AppServices& services = desk.application().services();
        std::vector<std::unique_ptr<QDialog>> dialogs;
        dialogs.emplace_back(std::make_unique<LoginDialog>(services));
        dialogs.emplace_back(std::make_unique<AccountDialog>(services));
        dialogs.emplace_back(std::make_unique<PermissionDialog>(services));
        dialogs.emplace_back(std::make_unique<MasterRecordDialog>(RecordMode::Goods, services));
        dialogs.emplace_back(std::make_unique<MasterRecordDialog>(RecordMode::Staff, services));
        dialogs.emplace_back(std::make_unique<MasterRecordDialog>(RecordMode::Members, services));
        dialogs.emplace_back(std::make_unique<CompanyProfileDialog>(services));
        dialogs.emplace_back(std::make_unique<QuickNumberingDialog>(services.messages));
        dialogs.emplace_back(std::make_unique<GroupCountDialog>(services));
        const QStringList names = { u"login"_s, u"accounts"_s, u"permissions"_s, u"goods"_s, u"staff"_s, u"members"_s,
            u"company"_s, u"quicknumbering"_s, u"groupcount"_s };
        for (const QSize& size : { QSize(1366, 768), QSize(1024, 768) }) {
            window.resize(size);
            QCoreApplication::processEvents();
            const QImage board = window.grab().toImage();
            for (std::size_t i = 0; i < dialogs.size(); ++i) {
                QDialog& dialog = *dialogs[i];
                QVERIFY(ShowOnScreen(dialog));
                // A title bar of 30 pixels and the panel of the desktop still leave it whole.
                QVERIFY2(dialog.width() <= size.width() && dialog.height() <= size.height() - 70,
                    qPrintable(u"%1: %2x%3"_s.arg(names[i]).arg(dialog.width()).arg(dialog.height())));
                QImage picture = board;
                QPainter painter(&picture);
                painter.fillRect(picture.rect(), QColor(0, 0, 0, 60));
                painter.drawPixmap(
                    (size.width() - dialog.width()) / 2, (size.height() - dialog.height()) / 2, dialog.grab());
                painter.end();
                QVERIFY(picture.save(
                    TestOutputPath(u"dialog-%1-%2x%3.png"_s.arg(names[i]).arg(size.width()).arg(size.height()))));
                dialog.hide();
            }
        }
    }

    void theDeliveredManagerLogsInThroughTheLoginButton()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        // The delivered password is stored as a hash from the first start on.
        QVERIFY(desk.database().scalar(QStringLiteral("SELECT password FROM adm")).toString().startsWith(u'$'));
        QVERIFY(!window.action(Command::Prices)->isEnabled());

        desk.clock.advanceSeconds(60);
        WhenDialogOpens<LoginDialog>([](LoginDialog* login) { login->reject(); });
        QTest::mouseClick(window.button(Button::Login), Qt::LeftButton);
        QCOMPARE(window.loginText(), QStringLiteral("未登录 登录时间:09:16:30")); // cancelled: new time only

        WhenDialogOpens<LoginDialog>([](LoginDialog* login) {
            login->findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(QStringLiteral("总经理"));
            QTest::keyClicks(login->findChild<QLineEdit*>(QStringLiteral("accountEdit")), QStringLiteral("admin"));
            QTest::keyClicks(login->findChild<QLineEdit*>(QStringLiteral("passwordEdit")), QStringLiteral("admin"));
            Click(login, QStringLiteral("loginButton"));
        });
        window.action(Command::Login)->trigger();
        QCOMPARE(desk.session().userSession().role, 3);
        QCOMPARE(window.loginText(), QStringLiteral("总经理 登录时间:09:16:30"));
        QVERIFY(window.action(Command::Prices)->isEnabled());
        QVERIFY(window.action(Command::Accounts)->isEnabled());
        QVERIFY(desk.messages.shown().isEmpty());
    }

    void shortcutsOfTheMenuTextsWork()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        MainWindow& window = desk.window();
        QVERIFY(ShowOnScreen(window));
        QSignalSpy contact(window.action(Command::Manual), &QAction::triggered);
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(contact.count(), 1);
        QCOMPARE(desk.launcher.opened.size(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
