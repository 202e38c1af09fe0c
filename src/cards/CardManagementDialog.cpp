#include "cards/CardManagementDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/TextFormat.h"
#include "cards/CardLookup.h"
#include "cards/CardTexts.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/ExportRunner.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"
#include "users/AuthorisationPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QLineEdit* field(const char* name, int length, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(length);
    return edit;
}

// A signed amount typed for 调整: empty is 0, a leading "-" takes money off.
Outcome<Money> signedAmount(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return Money();
    const bool off = text.startsWith(u'-') || text.startsWith(u'－');
    if (off)
        text = text.mid(1);
    const Outcome<Money> amount = ReadCardAmount(text);
    if (!amount)
        return amount;
    return off ? -amount.value() : amount.value();
}

} // namespace

CardManagementDialog::CardManagementDialog(AppServices& services, const QString& card, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_desk(services.database, services.session)
    , m_lookup(new CardLookup(services, this))
    , m_rows(new CardTextModel(CardTexts::ledgerColumns(), this))
    , m_view(new QTableView(this))
    , m_newCard(field("newCardEdit", 12, this))
    , m_method(new QComboBox(this))
    , m_principal(field("adjustPrincipalEdit", 13, this))
    , m_bonus(field("adjustBonusEdit", 13, this))
    , m_note(field("noteEdit", 60, this))
    , m_password(field("passwordEdit", 32, this))
{
    setObjectName(QStringLiteral("cardManagementDialog"));
    setWindowTitle(QStringLiteral("会员卡管理"));
    m_method->setObjectName(QStringLiteral("methodBox"));
    m_method->addItems(CardPaymentMethods());
    m_password->setEchoMode(QLineEdit::Password);
    m_principal->setPlaceholderText(QStringLiteral("如 50 或 -50"));
    m_bonus->setPlaceholderText(QStringLiteral("如 20 或 -20"));
    m_password->setPlaceholderText(QStringLiteral("留空为清除密码"));

    m_view->setObjectName(QStringLiteral("ledgerView"));
    m_view->setModel(m_rows);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(22);
    const QList<ExportColumn> columns = CardTexts::ledgerColumns();
    for (int i = 0; i < columns.size(); ++i)
        m_view->setColumnWidth(i, columns[i].width);
    m_view->horizontalHeader()->setStretchLastSection(true);

    const auto action = [this](const QString& text, const char* name, void (CardManagementDialog::*slot)()) {
        QPushButton* button = NewDialogButton(text, name, this);
        connect(button, &QPushButton::clicked, this, slot);
        m_actions << button;
        return button;
    };
    QPushButton* lost = action(QStringLiteral("挂失"), "lostButton", &CardManagementDialog::reportLost);
    QPushButton* found = action(QStringLiteral("解挂"), "cancelLostButton", &CardManagementDialog::cancelLost);
    QPushButton* replace = action(QStringLiteral("补卡"), "replaceButton", &CardManagementDialog::replace);
    QPushButton* cashOut = action(QStringLiteral("退卡"), "cashOutButton", &CardManagementDialog::cashOut);
    QPushButton* adjust = action(QStringLiteral("调整"), "adjustButton", &CardManagementDialog::adjust);
    QPushButton* password = action(QStringLiteral("设置密码"), "passwordButton", &CardManagementDialog::setPassword);
    QPushButton* print = action(QStringLiteral("打印对帐单"), "printButton", &CardManagementDialog::print);
    QPushButton* exportButton = action(QStringLiteral("导出"), "exportButton", &CardManagementDialog::exportLedger);
    auto* close = NewDialogButton(QStringLiteral("关闭"), "closeButton", this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lookup, &CardLookup::chosen, this, &CardManagementDialog::cardChosen);
    SetEnterButton(m_newCard, replace);
    SetEnterButton(m_note, adjust);
    SetEnterButton(m_password, password);

    auto* actions = new QGroupBox(QStringLiteral("操作"), this);
    auto* grid = new QGridLayout(actions);
    grid->addWidget(lost, 0, 0);
    grid->addWidget(found, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("新卡号:"), actions), 0, 2, Qt::AlignRight);
    grid->addWidget(m_newCard, 0, 3);
    grid->addWidget(replace, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("退款方式:"), actions), 0, 5, Qt::AlignRight);
    grid->addWidget(m_method, 0, 6);
    grid->addWidget(cashOut, 0, 7);
    grid->addWidget(new QLabel(QStringLiteral("调整本金:"), actions), 1, 0, Qt::AlignRight);
    grid->addWidget(m_principal, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("调整赠送:"), actions), 1, 2, Qt::AlignRight);
    grid->addWidget(m_bonus, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("原因:"), actions), 1, 4, Qt::AlignRight);
    grid->addWidget(m_note, 1, 5, 1, 2);
    grid->addWidget(adjust, 1, 7);
    grid->addWidget(new QLabel(QStringLiteral("新密码:"), actions), 2, 0, Qt::AlignRight);
    grid->addWidget(m_password, 2, 1);
    grid->addWidget(password, 2, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lookup);
    layout->addWidget(actions);
    layout->addWidget(new QLabel(QStringLiteral("会员卡流水:"), this));
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    resize(960, 620);

    cardChosen();
    if (!card.isEmpty())
        m_lookup->findCard(card);
}

void CardManagementDialog::cardChosen()
{
    const std::optional<CardAccount>& account = m_lookup->account();
    QList<QStringList> rows;
    if (account) {
        const Outcome<QList<CardMovement>> movements = m_desk.ledger().movements(account->card);
        if (!movements)
            m_services.messages.inform(movements.text(), {}, MessageService::Icon::Warning);
        else
            for (const CardMovement& movement : movements.value())
                rows << CardTexts::ledgerRow(movement);
    }
    m_rows->setRows(rows);
    if (!rows.isEmpty())
        m_view->scrollToBottom();
    const bool open = account && account->state != CardState::Closed;
    for (QPushButton* button : std::as_const(m_actions))
        button->setEnabled(open);
    // The ledger of a closed card can still be printed and exported.
    for (const char* name : { "printButton", "exportButton" })
        findChild<QPushButton*>(QString::fromLatin1(name))->setEnabled(account.has_value());
    if (account) {
        findChild<QPushButton*>(QStringLiteral("lostButton"))->setEnabled(account->state == CardState::Normal);
        findChild<QPushButton*>(QStringLiteral("cancelLostButton"))->setEnabled(account->state == CardState::Lost);
    }
}

bool CardManagementDialog::showSetback(const Outcome<>& done)
{
    if (done)
        return true;
    m_services.messages.inform(
        done.text(), {}, done.isFailure() ? MessageService::Icon::Warning : MessageService::Icon::Information);
    return false;
}

std::optional<Authoriser> CardManagementDialog::approval(const QString& refusal)
{
    return AskApproval(m_services, this, refusal);
}

void CardManagementDialog::reportLost()
{
    const CardAccount account = *m_lookup->account();
    if (!m_services.messages.ask(QStringLiteral("确定将会员卡%1(%2)挂失吗?").arg(account.card, account.member)))
        return;
    if (showSetback(m_desk.reportLost(account.card)))
        m_services.messages.inform(QStringLiteral("会员卡%1已挂失。").arg(account.card));
    m_lookup->refresh();
}

void CardManagementDialog::cancelLost()
{
    const CardAccount account = *m_lookup->account();
    const std::optional<Authoriser> approver = approval(QStringLiteral("收银员不能解挂会员卡,请部长或经理授权!"));
    if (!approver)
        return;
    if (showSetback(m_desk.cancelLost(account.card, *approver)))
        m_services.messages.inform(QStringLiteral("会员卡%1已解挂。").arg(account.card));
    m_lookup->refresh();
}

void CardManagementDialog::replace()
{
    const CardAccount account = *m_lookup->account();
    const QString number = m_newCard->text().trimmed();
    if (number.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请输入新卡号!"));
        m_newCard->setFocus();
        return;
    }
    if (!m_services.messages.ask(QStringLiteral("会员卡%1补卡为%2,余额%3元转入新卡,旧卡注销。确定吗?")
                                     .arg(account.card, number, account.balance.total().text())))
        return;
    const std::optional<Authoriser> approver = approval(QStringLiteral("收银员不能补卡,请部长或经理授权!"));
    if (!approver)
        return;
    const Outcome<CardBalance> moved = m_desk.replace(account.card, number, *approver);
    if (!moved) {
        showSetback(moved.setback<void>());
        return;
    }
    m_newCard->clear();
    m_services.messages.inform(QStringLiteral("补卡成功!新卡%1余额%2元。").arg(number, moved.value().total().text()));
    m_lookup->findCard(number);
}

void CardManagementDialog::cashOut()
{
    const CardAccount account = *m_lookup->account();
    if (!m_services.messages.ask(QStringLiteral("会员卡%1退卡:以%2退还本金%3元,赠送%4元作废,卡注销。确定吗?")
                                     .arg(account.card, m_method->currentText(), account.balance.principal.text(),
                                         account.balance.bonus.text())))
        return;
    const std::optional<Authoriser> approver = approval(QStringLiteral("收银员不能退卡,请经理授权!"));
    if (!approver)
        return;
    const Outcome<Money> paid = m_desk.cashOut(account.card, m_method->currentText(), *approver);
    if (!paid) {
        showSetback(paid.setback<void>());
        return;
    }
    m_services.messages.inform(
        QStringLiteral("退卡成功!请以%1退还会员%2元。").arg(m_method->currentText(), paid.value().text()));
    m_lookup->refresh();
}

void CardManagementDialog::adjust()
{
    const CardAccount account = *m_lookup->account();
    const Outcome<Money> principal = signedAmount(m_principal->text());
    const Outcome<Money> bonus = signedAmount(m_bonus->text());
    for (const Outcome<Money>* amount : { &principal, &bonus }) {
        if (!*amount) {
            m_services.messages.inform(amount->text());
            return;
        }
    }
    if (m_note->text().trimmed().isEmpty()) {
        m_services.messages.inform(CardDesk::NoteNeededText);
        m_note->setFocus();
        return;
    }
    const std::optional<Authoriser> approver = approval(QStringLiteral("收银员不能调整会员卡余额,请经理授权!"));
    if (!approver)
        return;
    const Outcome<CardBalance> after
        = m_desk.adjust(account.card, principal.value(), bonus.value(), m_note->text(), *approver);
    if (!after) {
        showSetback(after.setback<void>());
        return;
    }
    m_principal->clear();
    m_bonus->clear();
    m_note->clear();
    m_services.messages.inform(
        QStringLiteral("调整完成!余额%1元(本金%2元,赠送%3元)")
            .arg(after.value().total().text(), after.value().principal.text(), after.value().bonus.text()));
    m_lookup->refresh();
}

void CardManagementDialog::setPassword()
{
    const CardAccount account = *m_lookup->account();
    // Changing or clearing a password that exists takes someone above a cashier.
    Authoriser approver;
    if (account.hasPassword) {
        const std::optional<Authoriser> approved
            = approval(QStringLiteral("收银员不能修改会员卡密码,请部长或经理授权!"));
        if (!approved)
            return;
        approver = *approved;
    }
    if (showSetback(m_desk.setPassword(account.card, m_password->text(), {}, approver)))
        m_services.messages.inform(m_password->text().isEmpty()
                ? QStringLiteral("会员卡%1的密码已清除。").arg(account.card)
                : QStringLiteral("会员卡%1的密码已设置。").arg(account.card));
    m_password->clear();
    m_lookup->refresh();
}

void CardManagementDialog::print()
{
    const CardAccount account = *m_lookup->account();
    const Outcome<QList<CardMovement>> movements = m_desk.ledger().movements(account.card);
    if (!movements) {
        showSetback(movements.setback<void>());
        return;
    }
    const std::unique_ptr<QPrinter> printer = m_services.printers.choosePrinter(this);
    if (!printer)
        return;
    printer->setDocName(QStringLiteral("会员卡对帐单"));
    const QList<PageDrawing> pages = CardTexts::statementPages(
        CardHouseName(m_services.database), account, movements.value(), DateTimeText(m_services.clock.now()));
    QPainter painter;
    bool printed = painter.begin(printer.get());
    for (qsizetype page = 0; printed && page < pages.size(); ++page) {
        if (page > 0)
            printed = printer->newPage();
        PageDrawing::useLogicalInches(painter);
        pages[page].paint(painter);
    }
    if (painter.isActive())
        printed = painter.end() && printed;
    if (!printed || printer->printerState() == QPrinter::Error)
        m_services.messages.inform(
            QStringLiteral("对帐单没有打印出来,请检查打印机。"), {}, MessageService::Icon::Warning);
}

void CardManagementDialog::exportLedger()
{
    const CardAccount account = *m_lookup->account();
    const ExportTable table = CardTexts::exportTable(QStringLiteral("会员卡流水"),
        QStringLiteral("会员卡%1(%2)流水  余额%3元").arg(account.card, account.member, account.balance.total().text()),
        CardTexts::ledgerColumns(), m_rows->rowTexts());
    RunExport(m_services, this, table, QStringLiteral("会员卡%1流水").arg(account.card));
}
