#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "shell/DeskApplication.h"
#include "shell/MainWindow.h"
#include "skin/UnaddedTyping.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"
#include "users/AccountDialog.h"
#include "users/AccountStore.h"
#include "users/AuthorisationPrompt.h"
#include "users/LoginDialog.h"
#include "users/OperatorLogModel.h"
#include "users/OperatorLogWindow.h"
#include "users/PasswordHash.h"
#include "users/PermissionDialog.h"
#include "users/PermissionStore.h"
#include "users/Roles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString storedPassword(TestEnvironment& env, const QString& table, const QString& login)
{
    return env.sql(QStringLiteral("SELECT password FROM %1 WHERE logoid=?").arg(table), { login })
        .first()
        .value(0)
        .toString();
}

// Everything the database keeps on disk: the file and its write-ahead log.
// What the house's database holds: the bytes of the file and its log, or on a server every row
// of every table as text.
QByteArray databaseBytes(TestEnvironment& env)
{
    QByteArray bytes;
    if (env.server()) {
        const SqlResult tables
            = env.sql(u"SELECT tablename FROM pg_tables WHERE schemaname=current_schema() ORDER BY 1"_s);
        for (const QSqlRecord& table : tables.rows)
            bytes += JoinedRows(env.database, u"SELECT t::text FROM %1 t"_s.arg(table.value(0).toString())).toUtf8();
        return bytes;
    }
    for (const QString& name : { QStringLiteral("data.db"), QStringLiteral("data.db-wal") }) {
        QFile file(env.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll();
    }
    return bytes;
}

} // namespace

// Login in the four roles, the accounts and the permission rows.
class UsersTest : public QObject
{
    Q_OBJECT

private:
    struct Login
    {
        bool accepted = false;
        int role = -1;
        QString displayName;
    };

    // Types into a fresh login dialog and presses "登录".
    static Login logIn(TestEnvironment& env, const QString& role, const QString& account, const QString& password)
    {
        LoginDialog dialog(env.services);
        dialog.findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(role);
        TypeText(dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit")), account);
        TypeText(dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit")), password);
        Click(&dialog, QStringLiteral("loginButton"));
        return { dialog.result() == QDialog::Accepted, dialog.role(), dialog.displayName() };
    }

    static void addAccount(
        TestEnvironment& env, int role, const QString& login, const QString& password, const QString& name)
    {
        const AccountChange change = AccountStore(env.database).add(role, login, password, name);
        QVERIFY2(change.done, qPrintable(change.message));
    }

private slots:

    void passwordsAreHashedAndVerified()
    {
        const QString first = PasswordHash::hash(QStringLiteral("密码 pass'word"));
        const QString second = PasswordHash::hash(QStringLiteral("密码 pass'word"));
        QVERIFY(first.startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(PasswordHash::looksHashed(first));
        QVERIFY(first != second); // each hash has its own salt
        QVERIFY(PasswordHash::verify(first, QStringLiteral("密码 pass'word")));
        QVERIFY(PasswordHash::verify(second, QStringLiteral("密码 pass'word")));
        QVERIFY(!PasswordHash::verify(first, QStringLiteral("密码 pass'wor")));
        QVERIFY(!PasswordHash::verify(first, first));

        // Values of a database made before hashing are compared as they are.
        QVERIFY(!PasswordHash::looksHashed(QStringLiteral("admin")));
        QVERIFY(!PasswordHash::looksHashed(QStringLiteral("$argon2id$not a hash")));
        QVERIFY(!PasswordHash::looksHashed(QString()));
        QVERIFY(PasswordHash::verify(QStringLiteral("admin"), QStringLiteral("admin")));
        QVERIFY(!PasswordHash::verify(QStringLiteral("admin"), QStringLiteral("Admin")));
        QVERIFY(PasswordHash::verify(QString(), QString()));
    }

    void eachRoleLogsInWithItsOwnTable()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QCOMPARE(MigratePlainPasswords(env.database), QString());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc"), QStringLiteral("小李"));
        addAccount(env, Minister, QStringLiteral("m1"), QStringLiteral("pm"), QStringLiteral("王部长"));
        addAccount(env, Manager, QStringLiteral("g1"), QStringLiteral("pg"), QStringLiteral("赵经理"));

        const struct
        {
            QString role, account, password, name;
            int level;
        } cases[] = {
            { u"收银员"_s, u"c1"_s, u"pc"_s, u"小李"_s, Cashier },
            { u"部长"_s, u"m1"_s, u"pm"_s, u"王部长"_s, Minister },
            { u"经理"_s, u"g1"_s, u"pg"_s, u"赵经理"_s, Manager },
            { u"总经理"_s, u"admin"_s, u"admin"_s, u"总经理"_s, GeneralManager },
        };
        for (const auto& c : cases) {
            const Login login = logIn(env, c.role, c.account, c.password);
            QVERIFY2(login.accepted, qPrintable(c.role));
            QCOMPARE(login.role, c.level);
            QCOMPARE(login.displayName, c.name);
        }
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
    }

    void wrongRoleAccountOrPasswordIsRefused()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc"), QStringLiteral("小李"));

        const QStringList attempts[] = {
            { u"经理"_s, u"c1"_s, u"pc"_s }, // the account is a cashier's only
            { u"收银员"_s, u"c1"_s, u"PC"_s },
            { u"收银员"_s, u"c2"_s, u"pc"_s },
            { u"收银员"_s, u" c1"_s, u"pc"_s }, // nothing is trimmed
            { u"出纳"_s, u"c1"_s, u"pc"_s }, // a typed role that is none of the four
            { u"收银员"_s, u""_s, u""_s },
        };
        for (const QStringList& attempt : attempts) {
            env.messages.clear();
            env.session.setCurrentCashier(QStringLiteral("before"));
            const Login login = logIn(env, attempt[0], attempt[1], attempt[2]);
            QVERIFY2(!login.accepted, qPrintable(attempt.join(u'/')));
            QCOMPARE(env.messages.texts(), QStringList { LoginDialog::FailedText });
            QCOMPARE(env.messages.shown().first().caption, QString());
            QCOMPARE(env.session.currentCashier(), QStringLiteral("before"));
        }

        // An empty account and password match only a row that holds exactly these.
        env.sql(QStringLiteral("INSERT INTO cashier (logoid, password, name) VALUES ('', '', '无名')"));
        const Login empty = logIn(env, QStringLiteral("收银员"), {}, {});
        QVERIFY(empty.accepted);
        QCOMPARE(empty.displayName, QStringLiteral("无名"));
    }

    void aFailedLoginKeepsTheDialogOpenWithItsContents()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        LoginDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        dialog.findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(QStringLiteral("总经理"));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit")), QStringLiteral("admin"));
        QTest::keyClicks(password, QStringLiteral("wrong"));
        dialog.grab().save(TestOutputPath(QStringLiteral("users-login.png")));
        Click(&dialog, QStringLiteral("loginButton"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(env.messages.lastText(), LoginDialog::FailedText);
        QCOMPARE(password->text(), QStringLiteral("wrong"));

        // Enter in the password field presses the default button "登录".
        password->setText(QStringLiteral("admin"));
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.role(), int(GeneralManager));
    }

    void aQuoteIsAnOrdinaryCharacter()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("o'neil"), QStringLiteral("it's' or '1'='1"), QStringLiteral("欧尼尔"));
        addAccount(env, Cashier, QStringLiteral("plain"), QStringLiteral("x"), QStringLiteral("普通"));

        QVERIFY(
            logIn(env, QStringLiteral("收银员"), QStringLiteral("o'neil"), QStringLiteral("it's' or '1'='1")).accepted);
        QCOMPARE(env.session.currentCashier(), QStringLiteral("o'neil"));
        env.messages.clear();
        QVERIFY(
            !logIn(env, QStringLiteral("收银员"), QStringLiteral("o'neil"), QStringLiteral("its' or '1'='1")).accepted);
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("' or '1'='1"), QStringLiteral("' or '1'='1"))
                     .accepted);
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("plain' --"), QStringLiteral("y")).accepted);
        // Only the refusal is shown: no statement went wrong.
        QCOMPARE(env.messages.texts(), QStringList(3, LoginDialog::FailedText));
    }

    void theCurrentCashierIsTheLastCashierWhoLoggedIn()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc"), QStringLiteral("小李"));
        addAccount(env, Cashier, QStringLiteral("c2"), QStringLiteral("pc2"), QStringLiteral("小张"));
        addAccount(env, Minister, QStringLiteral("m1"), QStringLiteral("pm"), QStringLiteral("王部长"));
        QCOMPARE(env.session.currentCashier(), QString());

        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc")).accepted);
        QCOMPARE(env.session.currentCashier(), QStringLiteral("c1")); // the account, not the name

        // A general manager or a minister logging in leaves the cashier of record.
        QVERIFY(logIn(env, QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")).accepted);
        QVERIFY(logIn(env, QStringLiteral("部长"), QStringLiteral("m1"), QStringLiteral("pm")).accepted);
        QCOMPARE(env.session.currentCashier(), QStringLiteral("c1"));

        // A cashier in an authorisation prompt: the dialog succeeds and sets the cashier; the
        // caller judges the role.
        const Login prompt = logIn(env, QStringLiteral("收银员"), QStringLiteral("c2"), QStringLiteral("pc2"));
        QVERIFY(prompt.accepted);
        QCOMPARE(prompt.role, int(Cashier));
        QCOMPARE(env.session.currentCashier(), QStringLiteral("c2"));

        // A cancelled or failed login changes nothing.
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("bad")).accepted);
        LoginDialog cancelled(env.services);
        QTest::keyClicks(cancelled.findChild<QLineEdit*>(QStringLiteral("accountEdit")), QStringLiteral("c1"));
        Click(&cancelled, QStringLiteral("cancelButton"));
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(env.session.currentCashier(), QStringLiteral("c2"));
    }

    void theDatabaseFileHoldsNoPlainPassword()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QCOMPARE(MigratePlainPasswords(env.database), QString());
        addAccount(env, Manager, QStringLiteral("g1"), QStringLiteral("Zebra-Moon-4711"), QStringLiteral("赵经理"));
        AccountStore store(env.database);
        const Account manager = store.accounts(Manager, nullptr).first();
        QVERIFY(store.modify(Manager, manager.id, QStringLiteral("g1"), QStringLiteral("Otter-Sun-0815"), {}).done);

        // A plain row from an older database, hashed by the migration.
        env.sql(
            QStringLiteral("INSERT INTO cashier (logoid, password, name) VALUES ('old', 'Plain-Secret-77', '老王')"));
        QCOMPARE(MigratePlainPasswords(env.database), QString());

        const QByteArray bytes = databaseBytes(env);
        QVERIFY(!bytes.isEmpty());
        QVERIFY(!bytes.contains("Zebra-Moon-4711"));
        QVERIFY(!bytes.contains("Otter-Sun-0815"));
        QVERIFY(!bytes.contains("Plain-Secret-77"));
        QVERIFY(bytes.contains("$argon2id$"));
        QVERIFY(logIn(env, QStringLiteral("经理"), QStringLiteral("g1"), QStringLiteral("Otter-Sun-0815")).accepted);
        QVERIFY(!logIn(env, QStringLiteral("经理"), QStringLiteral("g1"), QStringLiteral("Zebra-Moon-4711")).accepted);
    }

    void migrationHashesPlainRowsOnce()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        // The delivered account is plain until the first start migrates it.
        QCOMPARE(storedPassword(env, QStringLiteral("adm"), QStringLiteral("admin")), QStringLiteral("admin"));
        QVERIFY(logIn(env, QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")).accepted);

        env.sql(QStringLiteral("INSERT INTO minister (logoid, password, name) VALUES ('m1', 'pm''1', '王部长')"));

        // All or nothing: a failure on one row leaves every row as it was.
        env.sql(
            QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON minister BEGIN SELECT RAISE(ABORT, '只读'); END"));
        QVERIFY(MigratePlainPasswords(env.database).contains(QStringLiteral("只读")));
        QCOMPARE(storedPassword(env, QStringLiteral("adm"), QStringLiteral("admin")), QStringLiteral("admin"));
        QCOMPARE(storedPassword(env, QStringLiteral("minister"), QStringLiteral("m1")), QStringLiteral("pm'1"));
        env.sql(QStringLiteral("DROP TRIGGER refuse"));

        QCOMPARE(MigratePlainPasswords(env.database), QString());
        const QString admin = storedPassword(env, QStringLiteral("adm"), QStringLiteral("admin"));
        const QString minister = storedPassword(env, QStringLiteral("minister"), QStringLiteral("m1"));
        QVERIFY(PasswordHash::looksHashed(admin));
        QVERIFY(PasswordHash::looksHashed(minister));
        QCOMPARE(env.sql(QStringLiteral("SELECT name FROM minister WHERE logoid='m1'")).first().value(0).toString(),
            QStringLiteral("王部长"));

        // A second start finds nothing to do and leaves the hashes alone.
        QCOMPARE(MigratePlainPasswords(env.database), QString());
        QCOMPARE(storedPassword(env, QStringLiteral("adm"), QStringLiteral("admin")), admin);

        QVERIFY(logIn(env, QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")).accepted);
        QVERIFY(logIn(env, QStringLiteral("部长"), QStringLiteral("m1"), QStringLiteral("pm'1")).accepted);
        // The hash itself is no password.
        QVERIFY(!logIn(env, QStringLiteral("总经理"), QStringLiteral("admin"), admin).accepted);
    }

    void accountsAreAddedWithTheirRules()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc"), QStringLiteral("小李"));
        addAccount(env, Cashier, QStringLiteral("c2"), QStringLiteral("pc"), QStringLiteral("小张"));

        AccountDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("用户帐户管理"));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        auto* roleBox = dialog.findChild<QComboBox*>(QStringLiteral("roleBox"));
        auto* login = dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));

        // Opening lists the cashiers, newest on top, passwords masked.
        QCOMPARE(list->rows().headers().mid(0, 4), (QStringList { u"帐号"_s, u"密码"_s, u"姓名"_s, u"权限"_s }));
        QCOMPARE(roleBox->currentText(), QStringLiteral("收银员"));
        QCOMPARE(Column(*list, 0), (QStringList { u"c2"_s, u"c1"_s }));
        QCOMPARE(Column(*list, 1), QStringList(2, AccountDialog::MaskedPassword));
        QCOMPARE(Column(*list, 3), QStringList(2, QStringLiteral("收银员")));

        // Empty account, empty password.
        TypeInto(login, QStringLiteral("   "));
        TypeInto(password, QStringLiteral("x"));
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("账号不能为空!"));
        TypeInto(login, QStringLiteral("c3"));
        password->clear();
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("密码不能为空!"));
        QCOMPARE(list->rowCount(), 2);

        // Blanks around the account are dropped; the password is kept as typed (and hashed).
        TypeInto(login, QStringLiteral("  c3 "));
        TypeInto(password, QStringLiteral(" p 3 "));
        TypeInto(name, QStringLiteral("小王"));
        env.messages.clear();
        Click(&dialog, QStringLiteral("addButton"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(list->rows().row(0).mid(0, 4),
            (QStringList { u"c3"_s, AccountDialog::MaskedPassword, u"小王"_s, u"收银员"_s }));
        QCOMPARE(login->text(), QStringLiteral("c3"));
        const QString stored = storedPassword(env, QStringLiteral("cashier"), QStringLiteral("c3"));
        QVERIFY(PasswordHash::verify(stored, QStringLiteral(" p 3 ")));
        QVERIFY(!PasswordHash::verify(stored, QStringLiteral("p 3")));

        // Twice in the same role is refused, in another role it is fine.
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(env.messages.shown().last().text, QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(env.messages.shown().last().caption, QStringLiteral("警告"));
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM cashier WHERE logoid='c3'")).first().value(0).toInt(), 1);
        Choose(roleBox, QStringLiteral("部长"));
        QCOMPARE(list->rowCount(), 0);
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(Column(*list, 3), QStringList { QStringLiteral("部长") });
        QCOMPARE(
            env.sql(QStringLiteral("SELECT count(*) FROM minister WHERE logoid='c3'")).first().value(0).toInt(), 1);

        Choose(roleBox, QStringLiteral("总经理"));
        QCOMPARE(Column(*list, 0), QStringList { QStringLiteral("admin") });
        QCOMPARE(Column(*list, 3), QStringList { QStringLiteral("总经理") });
        dialog.grab().save(TestOutputPath(QStringLiteral("users-accounts.png")));
    }

    void accountsAreChangedAndDeleted()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc1"), QStringLiteral("小李"));
        addAccount(env, Cashier, QStringLiteral("c2"), QStringLiteral("pc2"), QStringLiteral("小张"));

        AccountDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        auto* login = dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));

        // Nothing selected: 删除 and 修改 say so and change nothing.
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), (QStringList { u"请选择要删除的帐户!"_s, u"请在列表中先择要删除的选项!"_s }));
        env.messages.clear();
        Click(&dialog, QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.texts(), QStringList { u"请在列表中先择要删除的选项!"_s });
        QCOMPARE(list->rowCount(), 2);

        // A row click shows the account; the password field stays empty.
        ClickRow(list, 1);
        QCOMPARE(login->text(), QStringLiteral("c1"));
        QCOMPARE(password->text(), QString());
        QCOMPARE(name->text(), QStringLiteral("小李"));
        // A click beside the rows empties the fields; 删除 then has no row to delete.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
        QCOMPARE(login->text(), QString());
        QCOMPARE(name->text(), QString());
        QCOMPARE(list->selectedRow(), -1);
        ClickRow(list, 1);

        // 修改 with an empty password keeps the stored one.
        TypeInto(name, QStringLiteral("李收银"));
        env.messages.clear();
        Click(&dialog, QStringLiteral("modifyButton"));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(list->rows().row(1).mid(0, 4),
            (QStringList { u"c1"_s, AccountDialog::MaskedPassword, u"李收银"_s, u"收银员"_s }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // Taking another account's login is refused and changes neither side.
        TypeInto(login, QStringLiteral("c2"));
        TypeInto(password, QStringLiteral("new"));
        Click(&dialog, QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(Column(*list, 0), (QStringList { u"c2"_s, u"c1"_s }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c2"), QStringLiteral("pc2")).accepted);
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // A new login and password for the selected account.
        TypeInto(login, QStringLiteral(" c9 "));
        env.messages.clear();
        Click(&dialog, QStringLiteral("modifyButton"));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(Column(*list, 0), (QStringList { u"c2"_s, u"c9"_s }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c9"), QStringLiteral("new")).accepted);
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // A declined confirmation deletes nothing; the next operation works.
        ClickRow(list, 0);
        env.messages.clear();
        env.messages.queueAnswer(false);
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.shown().size(), 1);
        QCOMPARE(env.messages.shown().first().text, AccountDialog::DeleteQuestion);
        QCOMPARE(env.messages.shown().first().caption, QStringLiteral("警告"));
        QVERIFY(env.messages.shown().first().question);
        QCOMPARE(list->rowCount(), 2);
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(Column(*list, 0), QStringList { QStringLiteral("c9") });
        QCOMPARE(env.sql(QStringLiteral("SELECT logoid FROM cashier")).rows.size(), 1);
        QCOMPARE(
            env.sql(QStringLiteral("SELECT logoid FROM cashier")).first().value(0).toString(), QStringLiteral("c9"));
    }

    void theLastGeneralManagerStays()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AccountDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        Choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("总经理"));
        QCOMPARE(list->rowCount(), 1);

        ClickRow(list, 0);
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), QStringList { AccountStore::LastGeneralManagerText });
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM adm")).first().value(0).toInt(), 1);

        // With a second general manager either of them may go, but not both.
        TypeInto(dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit")), QStringLiteral("boss2"));
        TypeInto(dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit")), QStringLiteral("pw"));
        Click(&dialog, QStringLiteral("addButton"));
        QCOMPARE(list->rowCount(), 2);
        ClickRow(list, 1); // admin
        env.messages.clear();
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), QStringList { AccountDialog::DeleteQuestion });
        QCOMPARE(Column(*list, 0), QStringList { QStringLiteral("boss2") });
        ClickRow(list, 0);
        env.messages.clear();
        Click(&dialog, QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), QStringList { AccountStore::LastGeneralManagerText });

        // The store refuses it too, whoever calls it.
        AccountStore store(env.database);
        const AccountChange change = store.remove(GeneralManager, store.accounts(GeneralManager, nullptr).first().id);
        QVERIFY(!change.done);
        QCOMPARE(change.message, AccountStore::LastGeneralManagerText);
    }

    void permissionRowsAreShownAndAppliedInTheirSenses_data()
    {
        QTest::addColumn<int>("flag");
        for (int flag = 0; flag < PermissionFlagCount; ++flag)
            QTest::addRow("str%d", flag + 1) << flag;
    }

    void permissionRowsAreShownAndAppliedInTheirSenses()
    {
        QFETCH(int, flag);
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString columnName = QStringLiteral("str%1").arg(flag + 1);
        const bool menuFlag = flag < MenuFlagCount;
        // Row 2 with every flag allowed except this one.
        QStringList assignments;
        for (int i = 0; i < PermissionFlagCount; ++i)
            assignments << QStringLiteral("str%1=%2")
                               .arg(i + 1)
                               .arg(i == flag ? (i < MenuFlagCount ? 1 : 0) : (i < MenuFlagCount ? 0 : 1));
        env.sql(QStringLiteral("UPDATE authority SET %1 WHERE id=2").arg(assignments.join(u',')));

        PermissionDialog dialog(env.services);
        Choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("经理"));
        QCOMPARE(dialog.shownRole(), int(Manager));
        for (int i = 0; i < PermissionFlagCount; ++i)
            QCOMPARE(dialog.flagBox(i)->isChecked(), i != flag);

        // Checking it and applying stores the allowed value of its sense.
        dialog.flagBox(flag)->setChecked(true);
        Click(&dialog, QStringLiteral("applyButton"));
        QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::DoneText });
        const QString read = QStringLiteral("SELECT %1 FROM authority WHERE id=2").arg(columnName);
        QCOMPARE(env.sql(read).first().value(0).toInt(), menuFlag ? 0 : 1);

        dialog.flagBox(flag)->setChecked(false);
        Click(&dialog, QStringLiteral("applyButton"));
        QCOMPARE(env.sql(read).first().value(0).toInt(), menuFlag ? 1 : 0);
        // No other column of the row, and no other row, moved.
        const AuthorityRow row = *LoadAuthorityRow(env.database, Manager, nullptr);
        for (int i = 0; i < PermissionFlagCount; ++i) {
            if (i != flag)
                QCOMPARE(row[i], i < MenuFlagCount ? 0 : 1);
        }
    }

    void permissionDialogSavesOnlyOnApply()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const AuthorityRow cashierRow = *LoadAuthorityRow(env.database, Cashier, nullptr);
        env.sql(QStringLiteral("UPDATE authority SET str1=0, str2=0, str3=0, str4=0, str5=0, str6=0, str7=0, str8=0, "
                               "str9=0, str10=0, str11=0, str12=0, str13=0, str14=0, str15=0, str16=0, str17=0, "
                               "str18=0, str20=0 WHERE id=1"));
        {
            PermissionDialog dialog(env.services);
            QVERIFY(ShowOnScreen(dialog));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("权限设置"));
            auto* roleBox = dialog.findChild<QComboBox*>(QStringLiteral("roleBox"));
            QCOMPARE(roleBox->currentText(), QStringLiteral("收银员"));
            QCOMPARE(dialog.shownFlags(), PermissionsFromRow(cashierRow));
            QCOMPARE(dialog.flagBox(16)->text(), QStringLiteral("技师管理按钮"));
            QCOMPARE(dialog.flagBox(17)->text(), QStringLiteral("查询按钮"));
            dialog.grab().save(TestOutputPath(QStringLiteral("users-permissions.png")));

            // A row of zeros: every menu allowed, both buttons not.
            Choose(roleBox, QStringLiteral("部长"));
            for (int i = 0; i < PermissionFlagCount; ++i)
                QCOMPARE(dialog.flagBox(i)->isChecked(), i < MenuFlagCount);

            // Changes dropped by switching roles, and by 确定 when the question is declined.
            dialog.flagBox(0)->setChecked(false);
            Choose(roleBox, QStringLiteral("收银员"));
            Choose(roleBox, QStringLiteral("部长"));
            QVERIFY(dialog.flagBox(0)->isChecked());
            for (int i = 0; i < PermissionFlagCount; ++i)
                dialog.flagBox(i)->setChecked(true);
            env.messages.queueAnswer(false);
            Click(&dialog, QStringLiteral("okButton"));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::ApplyQuestion });
        QCOMPARE(env.sql(QStringLiteral("SELECT str17 FROM authority WHERE id=1")).first().value(0).toInt(), 0);

        // Checking everything and applying: zeros for the menus, ones for the buttons.
        PermissionDialog dialog(env.services);
        Choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("部长"));
        for (int i = 0; i < PermissionFlagCount; ++i)
            dialog.flagBox(i)->setChecked(true);
        Click(&dialog, QStringLiteral("applyButton"));
        AuthorityRow expected {};
        expected[16] = expected[17] = expected[ServiceItemsFlag] = expected[CardTopUpFlag] = 1;
        QCOMPARE(*LoadAuthorityRow(env.database, Minister, nullptr), expected);
        Click(&dialog, QStringLiteral("cancelButton"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // The role box shows "收银员" with that item selected, so the arrow keys move from it.
    void roleBoxesStartOnTheCashierItem()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        LoginDialog login(env.services);
        AccountDialog accounts(env.services);
        PermissionDialog permissions(env.services);
        for (QDialog* dialog : std::initializer_list<QDialog*> { &login, &accounts, &permissions }) {
            QVERIFY(ShowOnScreen(*dialog));
            auto* box = Child<QComboBox>(dialog, u"roleBox"_s);
            QCOMPARE(box->currentText(), u"收银员"_s);
            QCOMPARE(box->itemText(box->currentIndex()), u"收银员"_s);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Down); // the last item: nothing below it
            QCOMPARE(box->currentText(), u"收银员"_s);
            QTest::keyClick(box, Qt::Key_Up);
            QCOMPARE(box->currentText(), u"部长"_s);
            QCOMPARE(box->itemText(box->currentIndex()), u"部长"_s);
        }
        QCOMPARE(accounts.currentRole(), int(Minister));
        QCOMPARE(permissions.shownRole(), int(Minister));

        // A row clicked shows its role as the selected item too.
        Choose(Child<QComboBox>(&accounts, u"roleBox"_s), u"总经理"_s);
        ClickRow(Child<RowListView>(&accounts, u"accountList"_s), 0);
        auto* box = Child<QComboBox>(&accounts, u"roleBox"_s);
        QCOMPARE(box->itemText(box->currentIndex()), u"总经理"_s);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // The authorisation prompt starts on "部长", the lowest role that can approve, with that item
    // selected; the login itself still starts on "收银员".
    void theAuthorisationPromptStartsOnTheMinister()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        QString shown;
        int shownItem = -1;
        WhenDialogOpens<LoginDialog>([&](LoginDialog* prompt) {
            auto* box = Child<QComboBox>(prompt, u"roleBox"_s);
            shown = box->currentText();
            shownItem = box->currentIndex();
            prompt->reject();
        });
        QVERIFY(!AskApproval(env.services, nullptr, u"收银员不能批准!"_s));
        QCOMPARE(shown, u"部长"_s);
        QCOMPARE(shownItem, int(RoleChoices().indexOf(u"部长"_s)));
        QVERIFY(env.messages.shown().isEmpty());
    }

    // Enter in the account or the password field presses "登录".
    void enterInTheLoginFieldsLogsIn()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        for (const QString& field : { u"accountEdit"_s, u"passwordEdit"_s }) {
            env.messages.clear();
            LoginDialog dialog(env.services);
            QVERIFY(ShowOnScreen(dialog));
            Choose(Child<QComboBox>(&dialog, u"roleBox"_s), u"总经理"_s);
            auto* account = Child<QLineEdit>(&dialog, u"accountEdit"_s);
            auto* password = Child<QLineEdit>(&dialog, u"passwordEdit"_s);
            TypeInto(account, u"admin"_s);
            TypeInto(password, u"wrong"_s);
            QTest::keyClick(Child<QLineEdit>(&dialog, field), Qt::Key_Return);
            QVERIFY(dialog.isVisible());
            QCOMPARE(env.messages.texts(), QStringList { LoginDialog::FailedText });
            TypeInto(password, u"admin"_s);
            QTest::keyClick(Child<QLineEdit>(&dialog, field), Qt::Key_Enter);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.role(), int(GeneralManager));
        }
    }

    // The account dialog is a form: Enter moves on, and only a button acts.
    void theAccountFormKeepsTheTyping()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AccountDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        QCOMPARE(TabOrder(Child<QWidget>(&dialog, u"accountList"_s), 10),
            (QStringList { u"roleBox"_s, u"loginEdit"_s, u"passwordEdit"_s, u"nameEdit"_s, u"addButton"_s,
                u"deleteButton"_s, u"modifyButton"_s, u"okButton"_s, u"cancelButton"_s, u"accountList"_s }));

        auto* login = Child<QLineEdit>(&dialog, u"loginEdit"_s);
        login->setFocus();
        QTRY_VERIFY(login->hasFocus());
        for (const QString& typed : { u"c7"_s, u"pw7"_s, u"小七"_s }) {
            TypeText(QApplication::focusWidget(), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(dialog.isVisible());
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), u"addButton"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(env.sql(u"SELECT name FROM cashier WHERE logoid='c7'"_s).first().value(0).toString(), u"小七"_s);
        QVERIFY(PasswordHash::verify(storedPassword(env, u"cashier"_s, u"c7"_s), u"pw7"_s));
    }

    // An account typed and not added is offered before the dialog closes; once added, or given
    // up, the dialog closes.
    void anAccountNotAddedIsOfferedBeforeClosing()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AccountDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        TypeInto(Child<QLineEdit>(&dialog, u"loginEdit"_s), u"c8"_s);
        TypeInto(Child<QLineEdit>(&dialog, u"passwordEdit"_s), u"pw8"_s);
        env.messages.queueAnswer(false);
        Click(&dialog, u"okButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
        QVERIFY(dialog.isVisible());
        Click(&dialog, u"addButton"_s);
        env.messages.clear();
        Click(&dialog, u"okButton"_s);
        QVERIFY(!dialog.isVisible());
        QVERIFY(env.messages.shown().isEmpty());

        AccountDialog again(env.services);
        QVERIFY(ShowOnScreen(again));
        TypeInto(Child<QLineEdit>(&again, u"nameEdit"_s), u"小八"_s);
        env.messages.queueAnswer(true);
        Click(&again, u"cancelButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
        QVERIFY(!again.isVisible());
        QCOMPARE(env.sql(u"SELECT count(*) FROM cashier WHERE logoid='c8'"_s).first().value(0).toInt(), 1);
    }

    // Boxes changed and not applied are offered before the dialog closes.
    void unappliedPermissionsAreOfferedBeforeClosing()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const auto cashierFlag
            = [&env] { return env.sql(u"SELECT str6 FROM authority WHERE id=0"_s).first().value(0).toInt(); };
        QCOMPARE(cashierFlag(), 1); // 价格设置 not allowed

        // Nothing changed: 确定 closes without a question.
        {
            PermissionDialog dialog(env.services);
            Click(&dialog, u"okButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(env.messages.shown().isEmpty());
        }
        // A box ticked and then Enter: the question, OK applies.
        {
            PermissionDialog dialog(env.services);
            QVERIFY(ShowOnScreen(dialog));
            dialog.flagBox(5)->setFocus();
            QTest::keyClick(dialog.flagBox(5), Qt::Key_Space);
            QVERIFY(dialog.flagBox(5)->isChecked());
            QTest::keyClick(dialog.flagBox(5), Qt::Key_Return);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(
                env.messages.texts(), (QStringList { PermissionDialog::ApplyQuestion, PermissionDialog::DoneText }));
            QCOMPARE(cashierFlag(), 0);
        }
        // The close box: the question, Cancel closes without writing.
        env.messages.clear();
        {
            PermissionDialog dialog(env.services);
            QVERIFY(ShowOnScreen(dialog));
            dialog.flagBox(5)->setChecked(false);
            env.messages.queueAnswer(false);
            QVERIFY(dialog.close());
            QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::ApplyQuestion });
            QCOMPARE(cashierFlag(), 0);
        }
        // Applied boxes are no longer offered; "取消" drops changes without a question.
        env.messages.clear();
        {
            PermissionDialog dialog(env.services);
            dialog.flagBox(5)->setChecked(false);
            Click(&dialog, u"applyButton"_s);
            dialog.flagBox(6)->setChecked(!dialog.flagBox(6)->isChecked());
            Click(&dialog, u"cancelButton"_s);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::DoneText });
            QCOMPARE(cashierFlag(), 1);
        }
        // A row that cannot be written keeps the dialog open with its boxes.
        env.messages.clear();
        env.sql(u"CREATE TRIGGER refuse BEFORE UPDATE ON authority BEGIN SELECT RAISE(ABORT, 'read only'); END"_s);
        PermissionDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        dialog.flagBox(5)->setChecked(true);
        Click(&dialog, u"okButton"_s);
        QVERIFY(dialog.isVisible());
        QCOMPARE(env.messages.shown().size(), 2);
        QVERIFY(env.messages.lastText().contains(u"read only"_s));
        QVERIFY(dialog.flagBox(5)->isChecked());
    }

    void theGeneralManagerKeepsAccountsAndPermissions()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        PermissionDialog dialog(env.services);
        Choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("总经理"));
        const AuthorityRow before = *LoadAuthorityRow(env.database, GeneralManager, nullptr);

        for (int flag : { 2, 3 }) {
            env.messages.clear();
            dialog.flagBox(flag)->setChecked(false);
            Click(&dialog, QStringLiteral("applyButton"));
            QCOMPARE(env.messages.texts().size(), 1);
            QVERIFY(env.messages.lastText().contains(QStringLiteral("允许用户帐号管理")));
            QCOMPARE(*LoadAuthorityRow(env.database, GeneralManager, nullptr), before);
            dialog.flagBox(flag)->setChecked(true);
        }

        // Other flags of the general manager can be taken away.
        env.messages.clear();
        dialog.flagBox(0)->setChecked(false);
        Click(&dialog, QStringLiteral("applyButton"));
        QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::DoneText });
        QCOMPARE(LoadAuthorityRow(env.database, GeneralManager, nullptr)->at(0), 1);

        // For the other roles both may be removed.
        PermissionFlags none {};
        QVERIFY(SaveAuthorityRow(env.database, Manager, none).saved);
        QVERIFY(!SaveAuthorityRow(env.database, GeneralManager, none).saved);
        const PermissionSave missing = SaveAuthorityRow(env.database, 7, none);
        QVERIFY(!missing.saved);
        QCOMPARE(missing.message, QString());
    }

    // The whole round: the general manager creates accounts and sets a role's flags; the
    // cashier who logs in then has exactly the menu items and buttons of the cashier row.
    void aCashierGetsExactlyTheCashierRow()
    {
        DeskFixture desk;
        QVERIFY(desk.start());
        QCOMPARE(MigratePlainPasswords(desk.database()), QString());
        MainWindow& window = desk.window();
        AppServices& services = desk.application().services();
        ScriptedMessageService& messages = desk.messages;

        // What the main window does with the login button.
        const auto logInAs = [&](const QString& role, const QString& account, const QString& password) {
            LoginDialog dialog(services, &window);
            dialog.findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(role);
            dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit"))->setText(account);
            dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
            Click(&dialog, QStringLiteral("loginButton"));
            if (dialog.result() == QDialog::Accepted)
                window.takeLogin(dialog.role(), dialog.displayName());
            return dialog.result() == QDialog::Accepted;
        };
        QVERIFY(logInAs(QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")));
        QCOMPARE(desk.session().userSession().role, int(GeneralManager));

        {
            AccountDialog accounts(services, &window);
            const struct
            {
                QString role, login, name;
            } created[] = { { u"收银员"_s, u"c1"_s, u"小李"_s }, { u"部长"_s, u"m1"_s, u"王部长"_s },
                { u"经理"_s, u"g1"_s, u"赵经理"_s } };
            for (const auto& account : created) {
                Choose(accounts.findChild<QComboBox*>(QStringLiteral("roleBox")), account.role);
                accounts.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(account.login);
                accounts.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("pw"));
                accounts.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(account.name);
                Click(&accounts, QStringLiteral("addButton"));
            }
        }
        PermissionFlags cashierFlags {};
        for (int flag : { 4, 9, 11, 13, 17 }) // 商品库存, 公司信息, 员工资料, 会员资料, 查询按钮
            cashierFlags[flag] = true;
        {
            PermissionDialog permissions(services, &window);
            for (int i = 0; i < PermissionFlagCount; ++i)
                permissions.flagBox(i)->setChecked(cashierFlags[i]);
            Click(&permissions, QStringLiteral("applyButton"));
        }
        QCOMPARE(messages.texts(), QStringList { PermissionDialog::DoneText });

        QVERIFY(logInAs(QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pw")));
        QCOMPARE(desk.session().userSession().displayName, QStringLiteral("小李"));
        QCOMPARE(desk.session().currentCashier(), QStringLiteral("c1"));
        using Command = MainWindow::Command;
        const Command governed[MenuFlagCount] = { Command::GroupCount, Command::QuickNumbering, Command::Accounts,
            Command::Permissions, Command::GoodsStatus, Command::Prices, Command::BillQuery, Command::TechnicianSummary,
            Command::GoodsSummary, Command::CompanyProfile, Command::GoodsRecords, Command::StaffRecords,
            Command::ShiftPlanner, Command::MemberRecords, Command::SalarySheet, Command::CommissionFormula };
        for (int i = 0; i < MenuFlagCount; ++i)
            QCOMPARE(window.action(governed[i])->isEnabled(), cashierFlags[i]);
        QCOMPARE(window.button(MainWindow::Button::StaffManagement)->isEnabled(), cashierFlags[16]);
        QCOMPARE(window.button(MainWindow::Button::BillQuery)->isEnabled(), cashierFlags[17]);

        QVERIFY(logInAs(QStringLiteral("部长"), QStringLiteral("m1"), QStringLiteral("pw")));
        QVERIFY(logInAs(QStringLiteral("经理"), QStringLiteral("g1"), QStringLiteral("pw")));
        QCOMPARE(desk.session().userSession().role, int(Manager));
        QCOMPARE(desk.session().currentCashier(), QStringLiteral("c1"));
    }

    // "操作日志": the rows of a period, a user and a kind, newest first, and their export.
    void theOperatorLogIsListedAndExported()
    {
        DeskFixture desk(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
        QVERIFY(desk.start());
        const auto write = [&desk](const QDateTime& when, int role, const QString& login, const LogEntry& entry) {
            desk.clock.set(when);
            desk.session().logIn(role, login, login);
            QVERIFY(OperatorLog(desk.database(), desk.session()).write(entry).isEmpty());
        };
        write(QDateTime(QDate(2026, 11, 20), QTime(10, 0)), 0, u"c1"_s,
            { .kind = LogKind::Login, .description = u"上月"_s });
        write(QDateTime(QDate(2026, 12, 6), QTime(10, 0)), 0, u"c1"_s,
            { .kind = LogKind::Settlement,
                .description = u"101号房结帐,现金收款"_s,
                .amount = u"40.00"_s,
                .room = u"101"_s,
                .receipt = 7 });
        write(QDateTime(QDate(2026, 12, 6), QTime(11, 0)), 0, u"c1"_s,
            { .kind = LogKind::FailedLogin, .description = u"=cmd|' /C calc'!A0"_s });
        write(QDateTime(QDate(2026, 12, 7), QTime(8, 0)), 2, u"g1"_s,
            { .kind = LogKind::Void,
                .description = u"作废102号房的单据"_s,
                .room = u"102"_s,
                .authoriser = { u"g1"_s, 2, u"赵经理"_s } });
        // Rows are kept as written: the database refuses a change or a removal.
        QVERIFY(!desk.database().exec(u"UPDATE operator_log SET amount='0.00'"_s).ok());
        QVERIFY(!desk.database().exec(u"DELETE FROM operator_log"_s).ok());

        desk.session().logIn(GeneralManager, u"总经理"_s, u"admin"_s);
        OperatorLogWindow log(desk.application().services());
        QVERIFY(ShowOnScreen(log));
        // A week up to today, newest first.
        QCOMPARE(log.rows().rowCount(), 3);
        QCOMPARE(log.rows().text(0, 1), LogKind::Void);
        QCOMPARE(log.rows().text(0, 4), u"g1"_s);
        QCOMPARE(log.rows().text(2, 1), LogKind::Settlement);
        QCOMPARE(Child<QLabel>(&log, u"countLabel"_s)->text(), u"记录总数: 3"_s);
        // The chains are walked on opening and found whole.
        QTRY_VERIFY(!log.isCheckingChains());
        QVERIFY2(log.chainsText().startsWith(u"校验链完整:操作日志 "_s), qPrintable(log.chainsText()));

        Choose(Child<QComboBox>(&log, u"kindBox"_s), LogKind::Settlement);
        Click(&log, u"queryButton"_s);
        QCOMPARE(log.rows().rowCount(), 1);
        QCOMPARE(log.rows().text(0, 7), u"7"_s);
        Choose(Child<QComboBox>(&log, u"kindBox"_s), OperatorLogWindow::AllText);
        Choose(Child<QComboBox>(&log, u"userBox"_s), u"c1"_s);
        Child<QDateEdit>(&log, u"firstDayEdit"_s)->setDate(QDate(2026, 11, 1));
        Click(&log, u"queryButton"_s);
        QCOMPARE(log.rows().rowCount(), 3);
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            log.resize(size.width() - 100, size.height() - 120);
            QVERIFY(log.grab().save(TestOutputPath(u"operator-log-%1.png"_s.arg(size.width()))));
        }

        // A row changed with a tool, once its trigger was dropped: the window names it.
        desk.database().execAsWritten(
            desk.server() ? u"DROP TRIGGER operator_log_kept ON operator_log"_s : u"DROP TRIGGER operator_log_kept"_s);
        desk.database().exec(u"UPDATE operator_log SET amount='4.00' WHERE receipt=7"_s);
        {
            OperatorLogWindow broken(desk.application().services());
            QTRY_VERIFY(!broken.isCheckingChains());
            QVERIFY2(broken.chainsText().contains(u"2026-12-06 10:00:00,结帐,101号房结帐,现金收款,金额 4.00)"_s),
                qPrintable(broken.chainsText()));
            QVERIFY(ShowOnScreen(broken));
            broken.resize(924, 600);
            QVERIFY(broken.grab().save(TestOutputPath(u"operator-log-broken-chain.png"_s)));
        }
        desk.database().exec(u"UPDATE operator_log SET amount='40.00' WHERE receipt=7"_s);

        const QString file = QDir(desk.folder()).filePath(u"log.csv"_s);
        desk.files.queuePath(file);
        Click(&log, u"exportButton"_s);
        QTRY_VERIFY(QFile::exists(file));
        const QByteArray bytes = FileBytes(file);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.first(), u"时间,类别,帐号,权限,授权人,授权人权限,房间号,单据编号,说明,金额"_s);
        QVERIFY2(lines[1].contains(u"'=cmd|"_s), qPrintable(lines[1])); // no formula for a spreadsheet
        QVERIFY2(lines[2].contains(u"101号房结帐"_s) && lines[2].endsWith(u",40.00"_s), qPrintable(lines[2]));
    }
};

QTEST_MAIN(UsersTest)
#include "tst_users.moc"
