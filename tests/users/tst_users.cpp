#include "app/DeskApplication.h"
#include "app/MainWindow.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "support/TestEnvironment.h"
#include "support/WidgetFinder.h"
#include "users/AccountDialog.h"
#include "users/AccountStore.h"
#include "users/LoginDialog.h"
#include "users/PasswordHash.h"
#include "users/PermissionDialog.h"
#include "users/PermissionStore.h"
#include "users/Roles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void clickRow(RowListView* list, int row)
{
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

// Types `text` key by key; Chinese characters arrive as the text of a key event.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->clear();
    typeText(edit, text);
}

QStringList column(const RowListView& list, int column)
{
    QStringList texts;
    for (const QStringList& row : list.rows().rows())
        texts << row.value(column);
    return texts;
}

QString storedPassword(TestEnvironment& env, const QString& table, const QString& login)
{
    return env.sql(QStringLiteral("SELECT password FROM %1 WHERE logoid=?").arg(table), { login })
        .first()
        .value(0)
        .toString();
}

// Everything the database keeps on disk: the file and its write-ahead log.
QByteArray databaseBytes(const TestEnvironment& env)
{
    QByteArray bytes;
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
        typeText(dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit")), account);
        typeText(dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit")), password);
        FindButton(&dialog, QStringLiteral("登录"))->click();
        return { dialog.result() == QDialog::Accepted, dialog.role(), dialog.displayName() };
    }

    static void addAccount(
        TestEnvironment& env, int role, const QString& login, const QString& password, const QString& name)
    {
        const AccountChange change = AccountStore(env.database).add(role, login, password, name);
        QVERIFY2(change.done, qPrintable(change.message));
    }

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Tavrel")); }

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
            { "收银员", "c1", "pc", "小李", Cashier },
            { "部长", "m1", "pm", "王部长", Minister },
            { "经理", "g1", "pg", "赵经理", Manager },
            { "总经理", "admin", "admin", "总经理", GeneralManager },
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
            { "经理", "c1", "pc" }, // the account is a cashier's only
            { "收银员", "c1", "PC" },
            { "收银员", "c2", "pc" },
            { "收银员", " c1", "pc" }, // nothing is trimmed
            { "出纳", "c1", "pc" }, // a typed role that is none of the four
            { "收银员", "", "" },
        };
        for (const QStringList& attempt : attempts) {
            env.messages.clear();
            env.desk.currentCashier = QStringLiteral("before");
            const Login login = logIn(env, attempt[0], attempt[1], attempt[2]);
            QVERIFY2(!login.accepted, qPrintable(attempt.join(u'/')));
            QCOMPARE(env.messages.texts(), QStringList { LoginDialog::FailedText });
            QCOMPARE(env.messages.shown().first().caption, QString());
            QCOMPARE(env.desk.currentCashier, QStringLiteral("before"));
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
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        dialog.findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(QStringLiteral("总经理"));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit")), QStringLiteral("admin"));
        QTest::keyClicks(password, QStringLiteral("wrong"));
        dialog.grab().save(TestOutputPath(QStringLiteral("users-login.png")));
        FindButton(&dialog, QStringLiteral("登录"))->click();
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
        QCOMPARE(env.desk.currentCashier, QStringLiteral("o'neil"));
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
        QCOMPARE(env.desk.currentCashier, QString());

        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc")).accepted);
        QCOMPARE(env.desk.currentCashier, QStringLiteral("c1")); // the account, not the name

        // A general manager or a minister logging in leaves the cashier of record.
        QVERIFY(logIn(env, QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")).accepted);
        QVERIFY(logIn(env, QStringLiteral("部长"), QStringLiteral("m1"), QStringLiteral("pm")).accepted);
        QCOMPARE(env.desk.currentCashier, QStringLiteral("c1"));

        // A cashier in an authorisation prompt: the dialog succeeds and sets the cashier; the
        // caller judges the role.
        const Login prompt = logIn(env, QStringLiteral("收银员"), QStringLiteral("c2"), QStringLiteral("pc2"));
        QVERIFY(prompt.accepted);
        QCOMPARE(prompt.role, int(Cashier));
        QCOMPARE(env.desk.currentCashier, QStringLiteral("c2"));

        // A cancelled or failed login changes nothing.
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("bad")).accepted);
        LoginDialog cancelled(env.services);
        QTest::keyClicks(cancelled.findChild<QLineEdit*>(QStringLiteral("accountEdit")), QStringLiteral("c1"));
        FindButton(&cancelled, QStringLiteral("取消"))->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(env.desk.currentCashier, QStringLiteral("c2"));
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
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("用户帐户管理"));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        auto* roleBox = dialog.findChild<QComboBox*>(QStringLiteral("roleBox"));
        auto* login = dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));

        // Opening lists the cashiers, newest on top, passwords masked.
        QCOMPARE(list->rows().headers().mid(0, 4), (QStringList { "帐号", "密码", "姓名", "权限" }));
        QCOMPARE(roleBox->currentText(), QStringLiteral("收银员"));
        QCOMPARE(column(*list, 0), (QStringList { "c2", "c1" }));
        QCOMPARE(column(*list, 1), QStringList(2, AccountDialog::MaskedPassword));
        QCOMPARE(column(*list, 3), QStringList(2, QStringLiteral("收银员")));

        // Empty account, empty password.
        typeInto(login, QStringLiteral("   "));
        typeInto(password, QStringLiteral("x"));
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QCOMPARE(env.messages.lastText(), QStringLiteral("账号不能为空!"));
        typeInto(login, QStringLiteral("c3"));
        password->clear();
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QCOMPARE(env.messages.lastText(), QStringLiteral("密码不能为空!"));
        QCOMPARE(list->rowCount(), 2);

        // Blanks around the account are dropped; the password is kept as typed (and hashed).
        typeInto(login, QStringLiteral("  c3 "));
        typeInto(password, QStringLiteral(" p 3 "));
        typeInto(name, QStringLiteral("小王"));
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(
            list->rows().row(0).mid(0, 4), (QStringList { "c3", AccountDialog::MaskedPassword, "小王", "收银员" }));
        QCOMPARE(login->text(), QStringLiteral("c3"));
        const QString stored = storedPassword(env, QStringLiteral("cashier"), QStringLiteral("c3"));
        QVERIFY(PasswordHash::verify(stored, QStringLiteral(" p 3 ")));
        QVERIFY(!PasswordHash::verify(stored, QStringLiteral("p 3")));

        // Twice in the same role is refused, in another role it is fine.
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QCOMPARE(env.messages.shown().last().text, QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(env.messages.shown().last().caption, QStringLiteral("警告"));
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM cashier WHERE logoid='c3'")).first().value(0).toInt(), 1);
        choose(roleBox, QStringLiteral("部长"));
        QCOMPARE(list->rowCount(), 0);
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QCOMPARE(column(*list, 3), QStringList { QStringLiteral("部长") });
        QCOMPARE(
            env.sql(QStringLiteral("SELECT count(*) FROM minister WHERE logoid='c3'")).first().value(0).toInt(), 1);

        choose(roleBox, QStringLiteral("总经理"));
        QCOMPARE(column(*list, 0), QStringList { QStringLiteral("admin") });
        QCOMPARE(column(*list, 3), QStringList { QStringLiteral("总经理") });
        dialog.grab().save(TestOutputPath(QStringLiteral("users-accounts.png")));
    }

    void accountsAreChangedAndDeleted()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        addAccount(env, Cashier, QStringLiteral("c1"), QStringLiteral("pc1"), QStringLiteral("小李"));
        addAccount(env, Cashier, QStringLiteral("c2"), QStringLiteral("pc2"), QStringLiteral("小张"));

        AccountDialog dialog(env.services);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        auto* login = dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit"));
        auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));

        // Nothing selected: 删除 and 修改 say so and change nothing.
        FindButton(&dialog, QStringLiteral("删除"))->click();
        QCOMPARE(env.messages.texts(), (QStringList { "请选择要删除的帐户!", "请在列表中先择要删除的选项!" }));
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("修改"))->click();
        QCOMPARE(env.messages.texts(), QStringList { "请在列表中先择要删除的选项!" });
        QCOMPARE(list->rowCount(), 2);

        // A row click shows the account; the password field stays empty.
        clickRow(list, 1);
        QCOMPARE(login->text(), QStringLiteral("c1"));
        QCOMPARE(password->text(), QString());
        QCOMPARE(name->text(), QStringLiteral("小李"));
        // A click beside the rows empties the fields; 删除 then has no row to delete.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->viewport()->height() - 5));
        QCOMPARE(login->text(), QString());
        QCOMPARE(name->text(), QString());
        QCOMPARE(list->selectedRow(), -1);
        clickRow(list, 1);

        // 修改 with an empty password keeps the stored one.
        typeInto(name, QStringLiteral("李收银"));
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("修改"))->click();
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(
            list->rows().row(1).mid(0, 4), (QStringList { "c1", AccountDialog::MaskedPassword, "李收银", "收银员" }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // Taking another account's login is refused and changes neither side.
        typeInto(login, QStringLiteral("c2"));
        typeInto(password, QStringLiteral("new"));
        FindButton(&dialog, QStringLiteral("修改"))->click();
        QCOMPARE(env.messages.lastText(), QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(column(*list, 0), (QStringList { "c2", "c1" }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c2"), QStringLiteral("pc2")).accepted);
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // A new login and password for the selected account.
        typeInto(login, QStringLiteral(" c9 "));
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("修改"))->click();
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(column(*list, 0), (QStringList { "c2", "c9" }));
        QVERIFY(logIn(env, QStringLiteral("收银员"), QStringLiteral("c9"), QStringLiteral("new")).accepted);
        QVERIFY(!logIn(env, QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pc1")).accepted);

        // A declined confirmation deletes nothing; the next operation works.
        clickRow(list, 0);
        env.messages.clear();
        env.messages.queueAnswer(false);
        FindButton(&dialog, QStringLiteral("删除"))->click();
        QCOMPARE(env.messages.shown().size(), 1);
        QCOMPARE(env.messages.shown().first().text, AccountDialog::DeleteQuestion);
        QCOMPARE(env.messages.shown().first().caption, QStringLiteral("警告"));
        QVERIFY(env.messages.shown().first().question);
        QCOMPARE(list->rowCount(), 2);
        FindButton(&dialog, QStringLiteral("删除"))->click();
        QCOMPARE(column(*list, 0), QStringList { QStringLiteral("c9") });
        QCOMPARE(env.sql(QStringLiteral("SELECT logoid FROM cashier")).rows.size(), 1);
        QCOMPARE(
            env.sql(QStringLiteral("SELECT logoid FROM cashier")).first().value(0).toString(), QStringLiteral("c9"));
    }

    void theLastGeneralManagerStays()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AccountDialog dialog(env.services);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = dialog.findChild<RowListView*>(QStringLiteral("accountList"));
        choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("总经理"));
        QCOMPARE(list->rowCount(), 1);

        clickRow(list, 0);
        FindButton(&dialog, QStringLiteral("删除"))->click();
        QCOMPARE(env.messages.texts(), QStringList { AccountStore::LastGeneralManagerText });
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM adm")).first().value(0).toInt(), 1);

        // With a second general manager either of them may go, but not both.
        typeInto(dialog.findChild<QLineEdit*>(QStringLiteral("loginEdit")), QStringLiteral("boss2"));
        typeInto(dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit")), QStringLiteral("pw"));
        FindButton(&dialog, QStringLiteral("添加"))->click();
        QCOMPARE(list->rowCount(), 2);
        clickRow(list, 1); // admin
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("删除"))->click();
        QCOMPARE(env.messages.texts(), QStringList { AccountDialog::DeleteQuestion });
        QCOMPARE(column(*list, 0), QStringList { QStringLiteral("boss2") });
        clickRow(list, 0);
        env.messages.clear();
        FindButton(&dialog, QStringLiteral("删除"))->click();
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
        choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("经理"));
        QCOMPARE(dialog.shownRole(), int(Manager));
        for (int i = 0; i < PermissionFlagCount; ++i)
            QCOMPARE(dialog.flagBox(i)->isChecked(), i != flag);

        // Checking it and applying stores the allowed value of its sense.
        dialog.flagBox(flag)->setChecked(true);
        FindButton(&dialog, QStringLiteral("应用"))->click();
        QCOMPARE(env.messages.texts(), QStringList { PermissionDialog::DoneText });
        const QString read = QStringLiteral("SELECT %1 FROM authority WHERE id=2").arg(columnName);
        QCOMPARE(env.sql(read).first().value(0).toInt(), menuFlag ? 0 : 1);

        dialog.flagBox(flag)->setChecked(false);
        FindButton(&dialog, QStringLiteral("应用"))->click();
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
                               "str18=0 WHERE id=1"));
        {
            PermissionDialog dialog(env.services);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("权限设置"));
            auto* roleBox = dialog.findChild<QComboBox*>(QStringLiteral("roleBox"));
            QCOMPARE(roleBox->currentText(), QStringLiteral("收银员"));
            QCOMPARE(dialog.shownFlags(), PermissionsFromRow(cashierRow));
            QCOMPARE(dialog.flagBox(16)->text(), QStringLiteral("技师管理按钮"));
            QCOMPARE(dialog.flagBox(17)->text(), QStringLiteral("查询按钮"));
            dialog.grab().save(TestOutputPath(QStringLiteral("users-permissions.png")));

            // A row of zeros: every menu allowed, both buttons not.
            choose(roleBox, QStringLiteral("部长"));
            for (int i = 0; i < PermissionFlagCount; ++i)
                QCOMPARE(dialog.flagBox(i)->isChecked(), i < MenuFlagCount);

            // Changes dropped by switching roles, and by 确定.
            dialog.flagBox(0)->setChecked(false);
            choose(roleBox, QStringLiteral("收银员"));
            choose(roleBox, QStringLiteral("部长"));
            QVERIFY(dialog.flagBox(0)->isChecked());
            for (int i = 0; i < PermissionFlagCount; ++i)
                dialog.flagBox(i)->setChecked(true);
            FindButton(&dialog, QStringLiteral("确定"))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(env.sql(QStringLiteral("SELECT str17 FROM authority WHERE id=1")).first().value(0).toInt(), 0);

        // Checking everything and applying: zeros for the menus, ones for the buttons.
        PermissionDialog dialog(env.services);
        choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("部长"));
        for (int i = 0; i < PermissionFlagCount; ++i)
            dialog.flagBox(i)->setChecked(true);
        FindButton(&dialog, QStringLiteral("应用"))->click();
        AuthorityRow expected {};
        expected[16] = expected[17] = 1;
        QCOMPARE(*LoadAuthorityRow(env.database, Minister, nullptr), expected);
        FindButton(&dialog, QStringLiteral("取消"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void theGeneralManagerKeepsAccountsAndPermissions()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        PermissionDialog dialog(env.services);
        choose(dialog.findChild<QComboBox*>(QStringLiteral("roleBox")), QStringLiteral("总经理"));
        const AuthorityRow before = *LoadAuthorityRow(env.database, GeneralManager, nullptr);

        for (int flag : { 2, 3 }) {
            env.messages.clear();
            dialog.flagBox(flag)->setChecked(false);
            FindButton(&dialog, QStringLiteral("应用"))->click();
            QCOMPARE(env.messages.texts().size(), 1);
            QVERIFY(env.messages.lastText().contains(QStringLiteral("允许用户帐号管理")));
            QCOMPARE(*LoadAuthorityRow(env.database, GeneralManager, nullptr), before);
            dialog.flagBox(flag)->setChecked(true);
        }

        // Other flags of the general manager can be taken away.
        env.messages.clear();
        dialog.flagBox(0)->setChecked(false);
        FindButton(&dialog, QStringLiteral("应用"))->click();
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
        QTemporaryDir folder;
        ScriptedMessageService messages;
        ManualClock clock;
        PdfPrinterChooser printers(folder.filePath(QStringLiteral("print")));
        RecordingDesktopLauncher launcher;
        DeskApplication desk({ messages, clock, printers, launcher });
        QVERIFY(desk.start(folder.path()));
        QCOMPARE(MigratePlainPasswords(desk.database()), QString());
        MainWindow& window = desk.mainWindow();

        // What the main window does with the login button.
        const auto logInAs = [&](const QString& role, const QString& account, const QString& password) {
            LoginDialog dialog(desk.services(), &window);
            dialog.findChild<QComboBox*>(QStringLiteral("roleBox"))->setCurrentText(role);
            dialog.findChild<QLineEdit*>(QStringLiteral("accountEdit"))->setText(account);
            dialog.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
            FindButton(&dialog, QStringLiteral("登录"))->click();
            if (dialog.result() == QDialog::Accepted)
                window.takeLogin(dialog.role(), dialog.displayName());
            return dialog.result() == QDialog::Accepted;
        };
        QVERIFY(logInAs(QStringLiteral("总经理"), QStringLiteral("admin"), QStringLiteral("admin")));
        QCOMPARE(desk.desk().userSession.role, int(GeneralManager));

        {
            AccountDialog accounts(desk.services(), &window);
            const struct
            {
                QString role, login, name;
            } created[] = { { "收银员", "c1", "小李" }, { "部长", "m1", "王部长" }, { "经理", "g1", "赵经理" } };
            for (const auto& account : created) {
                choose(accounts.findChild<QComboBox*>(QStringLiteral("roleBox")), account.role);
                accounts.findChild<QLineEdit*>(QStringLiteral("loginEdit"))->setText(account.login);
                accounts.findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("pw"));
                accounts.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(account.name);
                FindButton(&accounts, QStringLiteral("添加"))->click();
            }
        }
        PermissionFlags cashierFlags {};
        for (int flag : { 4, 9, 11, 13, 17 }) // 商品库存, 公司信息, 员工资料, 会员资料, 查询按钮
            cashierFlags[flag] = true;
        {
            PermissionDialog permissions(desk.services(), &window);
            for (int i = 0; i < PermissionFlagCount; ++i)
                permissions.flagBox(i)->setChecked(cashierFlags[i]);
            FindButton(&permissions, QStringLiteral("应用"))->click();
        }
        QCOMPARE(messages.texts(), QStringList { PermissionDialog::DoneText });

        QVERIFY(logInAs(QStringLiteral("收银员"), QStringLiteral("c1"), QStringLiteral("pw")));
        QCOMPARE(desk.desk().userSession.displayName, QStringLiteral("小李"));
        QCOMPARE(desk.desk().currentCashier, QStringLiteral("c1"));
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
        QCOMPARE(desk.desk().userSession.role, int(Manager));
        QCOMPARE(desk.desk().currentCashier, QStringLiteral("c1"));
    }
};

QTEST_MAIN(UsersTest)
#include "tst_users.moc"
