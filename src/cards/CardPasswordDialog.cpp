#include "cards/CardPasswordDialog.h"

#include "app/MessageService.h"
#include "cards/CardLedger.h"
#include "desk/AppServices.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CardPasswordDialog::CardPasswordDialog(AppServices& services, const QString& card, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_card(card)
    , m_password(new QLineEdit(this))
    , m_hint(new QLabel(this))
{
    setObjectName(QStringLiteral("cardPasswordDialog"));
    setWindowTitle(QStringLiteral("会员卡密码"));
    m_password->setObjectName(QStringLiteral("passwordEdit"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(32);
    m_hint->setObjectName(QStringLiteral("hintLabel"));
    auto* ok = NewDialogButton(QStringLiteral("确定"), "okButton", this);
    auto* cancel = NewDialogButton(QStringLiteral("取消"), "cancelButton", this);
    SetEnterButton(m_password, ok);
    connect(ok, &QPushButton::clicked, this, &CardPasswordDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请会员输入会员卡%1的密码:").arg(card), this));
    layout->addWidget(m_password);
    layout->addWidget(m_hint);
    layout->addLayout(buttons);
    resize(320, 150);
}

bool CardPasswordDialog::check(AppServices& services, const QString& card, QWidget* parent)
{
    const Outcome<CardAccount> account = CardLedger(services.database).account(card);
    if (!account) {
        services.messages.inform(account.text());
        return false;
    }
    if (!account.value().hasPassword)
        return true;
    if (account.value().passwordFailures >= CardLedger::PasswordTries) {
        services.messages.inform(CardLedger::LockedText.arg(CardLedger::PasswordTries));
        return false;
    }
    CardPasswordDialog dialog(services, card, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CardPasswordDialog::confirm()
{
    const Outcome<bool> matches = CardLedger(m_services.database).passwordMatches(m_card, m_password->text());
    m_password->clear();
    if (!matches) {
        m_services.messages.inform(matches.text());
        reject();
        return;
    }
    if (matches.value()) {
        accept();
        return;
    }
    const Outcome<CardAccount> account = CardLedger(m_services.database).account(m_card);
    const int left = account ? CardLedger::PasswordTries - account.value().passwordFailures : 0;
    if (left <= 0) {
        m_services.messages.inform(CardLedger::LockedText.arg(CardLedger::PasswordTries));
        reject();
        return;
    }
    m_hint->setText(QStringLiteral("密码错误,还可以输入%1次。").arg(left));
    m_hint->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_password->setFocus();
}
