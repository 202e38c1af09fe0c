#pragma once

#include <QDialog>

struct AppServices;
class QComboBox;
class QLineEdit;

// The login: a role, an account and a password checked against the role's account table.
// The main window takes role() and displayName() into its session after exec() returned
// Accepted; dialogs that need someone above a cashier open it as an authorisation prompt and
// judge role() themselves. Every successful cashier login, in a prompt too, makes the typed
// account the current cashier.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString FailedText; // "请确认你的登录权限类型、帐号、密码是否一致!"

    explicit LoginDialog(AppServices& services, QWidget* parent = nullptr);

    // The RoleLevel that matched and the account's display name; meaningful after Accepted.
    int role() const { return m_role; }
    // Shows `role` in the role box: an authorisation prompt starts on the lowest role that
    // can approve.
    void showRole(int role);
    QString displayName() const { return m_displayName; }
    QString account() const { return m_account; }

private:
    void tryLogin();

    AppServices& m_services;
    QComboBox* m_roleBox;
    QLineEdit* m_accountEdit;
    QLineEdit* m_passwordEdit;
    int m_role = 0;
    QString m_displayName;
    QString m_account;
};
