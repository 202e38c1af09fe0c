#include "users/LoginDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "users/AccountStore.h"
#include "users/LoginThrottle.h"
#include "users/RoleBox.h"
#include "users/Roles.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString LoginDialog::FailedText = QStringLiteral("请确认你的登录权限类型、帐号、密码是否一致!");

LoginDialog::LoginDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_roleBox(NewRoleBox(this))
    , m_accountEdit(new QLineEdit(this))
    , m_passwordEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("登录"));

    m_accountEdit->setObjectName(QStringLiteral("accountEdit"));
    m_passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);

    auto* loginButton = new QPushButton(QStringLiteral("登录"), this);
    loginButton->setObjectName(QStringLiteral("loginButton"));
    loginButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(loginButton, &QPushButton::clicked, this, &LoginDialog::tryLogin);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in either field logs in, also when the focus came there from another button.
    SetEnterButton(m_accountEdit, loginButton);
    SetEnterButton(m_passwordEdit, loginButton);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(10);
    fields->addWidget(PaintedLabel(QStringLiteral("权 限:"), this), 0, 0);
    fields->addWidget(m_roleBox, 0, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("帐 号:"), this), 1, 0);
    fields->addWidget(m_accountEdit, 1, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("密 码:"), this), 2, 0);
    fields->addWidget(m_passwordEdit, 2, 1);
    fields->setColumnMinimumWidth(1, 160);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(loginButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(16);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    m_accountEdit->setFocus();
}

void LoginDialog::tryLogin()
{
    const int role = RoleFromName(m_roleBox->currentText());
    const QString account = m_accountEdit->text();
    const QString password = m_passwordEdit->text();

    // An account that failed too often waits; its password is not even checked meanwhile.
    const QDateTime now = m_services.clock.now();
    LoginThrottle throttle(m_services.database);
    const Outcome<qint64> wait = role >= 0 ? throttle.waitSeconds(role, account, now) : Outcome<qint64>(0);
    if (!wait) {
        m_services.messages.inform(wait.text(), {}, MessageService::Icon::Warning);
        return;
    }
    if (wait.value() > 0) {
        const LogEntry refused { .kind = LogKind::FailedLogin,
            .description = QStringLiteral("以%1帐号“%2”登录,失败次数过多,须等待%3秒")
                               .arg(m_roleBox->currentText(), account)
                               .arg(wait.value()) };
        if (const QString error = OperatorLog(m_services.database, m_services.session).write(refused); !error.isEmpty())
            m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        m_services.messages.inform(LoginThrottle::waitText(wait.value()), {}, MessageService::Icon::Warning);
        return;
    }

    LoginCheck check;
    if (role >= 0)
        check = AccountStore(m_services.database).check(role, account, password);
    if (!check.error.isEmpty())
        m_services.messages.inform(check.error, {}, MessageService::Icon::Warning);
    if (!check.matched) {
        // Who tried which account stays in the operator log; the password never does.
        const LogEntry failed { .kind = LogKind::FailedLogin,
            .description = QStringLiteral("以%1帐号“%2”登录失败").arg(m_roleBox->currentText(), account) };
        const Outcome<> logged
            = OperatorLog(m_services.database, m_services.session).record(failed, [&]() -> Outcome<> {
                  if (role < 0)
                      return {};
                  if (const QString error = throttle.addFailure(role, account, now); !error.isEmpty())
                      return Failure { error };
                  return {};
              });
        if (!logged && check.error.isEmpty())
            m_services.messages.inform(logged.text(), {}, MessageService::Icon::Warning);
        QString text = FailedText;
        if (const Outcome<qint64> next = role >= 0 ? throttle.waitSeconds(role, account, now) : Outcome<qint64>(0);
            next && next.value() > 0)
            text += u'\n' + LoginThrottle::waitText(next.value());
        m_services.messages.inform(text, {}, MessageService::Icon::Warning);
        return;
    }
    if (const QString error = throttle.clear(role, account); !error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    m_role = role;
    m_displayName = check.displayName;
    m_account = account;
    if (role == Cashier)
        m_services.session.setCurrentCashier(account);
    accept();
}

void LoginDialog::showRole(int role)
{
    ShowRole(m_roleBox, role);
}
