#include "cards/CardLookup.h"

#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* valueLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(110);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CardLookup::CardLookup(AppServices& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_ledger(services.database)
    , m_search(new QLineEdit(this))
    , m_find(NewDialogButton(QStringLiteral("查找"), "findButton", this))
    , m_matches(new QComboBox(this))
    , m_member(valueLabel("memberLabel", this))
    , m_state(valueLabel("stateLabel", this))
    , m_principal(valueLabel("principalLabel", this))
    , m_bonus(valueLabel("bonusLabel", this))
    , m_total(valueLabel("balanceLabel", this))
{
    setObjectName(QStringLiteral("cardLookup"));
    m_search->setObjectName(QStringLiteral("cardSearchEdit"));
    m_search->setPlaceholderText(QStringLiteral("卡号或电话"));
    m_search->setMaxLength(22);
    m_matches->setObjectName(QStringLiteral("matchBox"));
    m_matches->setMinimumWidth(260);
    m_matches->setEnabled(false);
    SetEnterButton(m_search, m_find);
    connect(m_find, &QPushButton::clicked, this, &CardLookup::find);
    connect(m_matches, &QComboBox::activated, this, &CardLookup::choose);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("卡号/电话:"), this));
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_find);
    searchRow->addWidget(m_matches, 1);

    auto* frame = new QGroupBox(QStringLiteral("会员卡"), this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(captionLabel(QStringLiteral("会员:"), frame), 0, 0);
    grid->addWidget(m_member, 0, 1);
    grid->addWidget(captionLabel(QStringLiteral("状态:"), frame), 0, 2);
    grid->addWidget(m_state, 0, 3);
    grid->addWidget(captionLabel(QStringLiteral("余额:"), frame), 0, 4);
    grid->addWidget(m_total, 0, 5);
    grid->addWidget(captionLabel(QStringLiteral("本金:"), frame), 1, 0);
    grid->addWidget(m_principal, 1, 1);
    grid->addWidget(captionLabel(QStringLiteral("赠送:"), frame), 1, 2);
    grid->addWidget(m_bonus, 1, 3);
    grid->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(searchRow);
    layout->addWidget(frame);
    show(std::nullopt);
}

void CardLookup::findCard(const QString& typed)
{
    m_search->setText(typed);
    find();
}

void CardLookup::find()
{
    const QString typed = m_search->text().trimmed();
    m_matches->clear();
    m_found.clear();
    m_matches->setEnabled(false);
    if (typed.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请输入会员卡号或电话!"));
        show(std::nullopt);
        return;
    }
    const Outcome<QList<CardAccount>> found = m_ledger.find(typed);
    if (!found) {
        m_services.messages.inform(found.text(), {}, MessageService::Icon::Warning);
        show(std::nullopt);
        return;
    }
    m_found = found.value();
    if (m_found.isEmpty()) {
        m_services.messages.inform(CardLedger::UnknownCardText);
        show(std::nullopt);
        return;
    }
    for (const CardAccount& account : std::as_const(m_found))
        m_matches->addItem(QStringLiteral("%1  %2  %3  %4")
                               .arg(account.card, account.member, account.phone, CardStateText(account.state)));
    m_matches->setEnabled(m_found.size() > 1);
    m_matches->setCurrentIndex(0);
    choose(0);
}

void CardLookup::choose(int index)
{
    if (index < 0 || index >= m_found.size())
        return;
    show(m_found[index]);
}

void CardLookup::refresh()
{
    if (!m_account)
        return;
    const Outcome<CardAccount> now = m_ledger.account(m_account->card);
    show(now ? std::optional<CardAccount>(now.value()) : std::nullopt);
}

void CardLookup::show(const std::optional<CardAccount>& account)
{
    m_account = account;
    m_member->setText(account ? account->member : QString());
    m_state->setText(account ? CardStateText(account->state) : QString());
    m_state->setStyleSheet(
        account && account->state != CardState::Normal ? QStringLiteral("color: #c00000;") : QString());
    m_principal->setText(account ? account->balance.principal.text() : QString());
    m_bonus->setText(account ? account->balance.bonus.text() : QString());
    m_total->setText(account ? account->balance.total().text() : QString());
    emit chosen();
}
