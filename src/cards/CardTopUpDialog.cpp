#include "cards/CardTopUpDialog.h"

#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "cards/CardLookup.h"
#include "cards/CardTexts.h"
#include "desk/AppServices.h"
#include "desk/PaymentMethod.h"
#include "printing/SlipSending.h"
#include "printing/SlipSettings.h"
#include "printing/ThermalSlip.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"
#include "users/AuthorisationPrompt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

CardTopUpDialog::CardTopUpDialog(AppServices& services, const QString& card, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_desk(services.database, services.session)
    , m_lookup(new CardLookup(services, this))
    , m_amount(new QLineEdit(this))
    , m_method(new QComboBox(this))
    , m_bonus(new QLineEdit(this))
    , m_changeBonus(NewDialogButton(QStringLiteral("改赠送"), "changeBonusButton", this))
    , m_ok(NewDialogButton(QStringLiteral("确定充值"), "okButton", this))
{
    setObjectName(QStringLiteral("cardTopUpDialog"));
    setWindowTitle(QStringLiteral("会员充值"));
    if (const Outcome<QList<TopUpRule>> rules = LoadTopUpRules(services.database); rules)
        m_rules = rules.value();

    m_amount->setObjectName(QStringLiteral("amountEdit"));
    m_amount->setMaxLength(12);
    m_method->setObjectName(QStringLiteral("methodBox"));
    m_method->addItems(CardPaymentMethods());
    m_bonus->setObjectName(QStringLiteral("bonusEdit"));
    m_bonus->setMaxLength(12);
    m_bonus->setReadOnly(true);
    m_bonus->setText(Money().text());
    auto* cancel = NewDialogButton(QStringLiteral("关闭"), "cancelButton", this);
    connect(m_amount, &QLineEdit::textEdited, this, &CardTopUpDialog::amountTyped);
    connect(m_changeBonus, &QPushButton::clicked, this, &CardTopUpDialog::changeBonus);
    connect(m_ok, &QPushButton::clicked, this, &CardTopUpDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lookup, &CardLookup::chosen, this, &CardTopUpDialog::cardChosen);
    // Enter in the amount moves on to the next field; only 确定充值 writes.
    MarkAsForm(this);

    QStringList ruleTexts;
    for (const TopUpRule& rule : std::as_const(m_rules))
        ruleTexts << QStringLiteral("充%1送%2").arg(rule.threshold.text(), rule.bonus.text());
    auto* rules = new QLabel(ruleTexts.isEmpty() ? QStringLiteral("充值规则:无赠送")
                                                 : QStringLiteral("充值规则:") + ruleTexts.join(QStringLiteral("、")),
        this);
    rules->setObjectName(QStringLiteral("rulesLabel"));
    rules->setWordWrap(true);

    for (QWidget* field :
        { static_cast<QWidget*>(m_amount), static_cast<QWidget*>(m_method), static_cast<QWidget*>(m_bonus) })
        field->setFixedWidth(200);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("充值金额:"), m_amount);
    form->addRow(QStringLiteral("付款方式:"), m_method);
    auto* bonusRow = new QHBoxLayout;
    bonusRow->addWidget(m_bonus);
    bonusRow->addWidget(m_changeBonus);
    bonusRow->addStretch();
    form->addRow(QStringLiteral("赠送金额:"), bonusRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lookup);
    layout->addLayout(form);
    layout->addWidget(rules);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(620, 360);

    cardChosen();
    if (!card.isEmpty())
        m_lookup->findCard(card);
}

void CardTopUpDialog::cardChosen()
{
    const bool normal = m_lookup->account() && m_lookup->account()->state == CardState::Normal;
    m_ok->setEnabled(normal);
}

void CardTopUpDialog::amountTyped()
{
    // A bonus someone approved stays as it was typed; otherwise the rules fill it.
    if (m_bonusApprover.isPresent())
        return;
    const Outcome<Money> amount = ReadCardAmount(m_amount->text());
    m_bonus->setText((amount ? BonusFor(m_rules, amount.value()) : Money()).text());
}

void CardTopUpDialog::changeBonus()
{
    const std::optional<Authoriser> approver
        = AskApproval(m_services, this, QStringLiteral("收银员不能修改赠送金额,请部长或经理授权!"));
    if (!approver)
        return;
    m_bonusApprover = *approver;
    m_bonus->setReadOnly(false);
    m_bonus->setFocus();
    m_bonus->selectAll();
}

void CardTopUpDialog::confirm()
{
    if (!m_lookup->account()) {
        m_services.messages.inform(QStringLiteral("请先查找会员卡!"));
        return;
    }
    const Outcome<Money> amount = ReadCardAmount(m_amount->text());
    if (!amount) {
        m_services.messages.inform(amount.text());
        m_amount->setFocus();
        return;
    }
    Money bonus;
    if (!m_bonus->text().trimmed().isEmpty() && m_bonus->text().trimmed() != Money().text()) {
        const Outcome<Money> typed = ReadCardAmount(m_bonus->text());
        if (!typed) {
            m_services.messages.inform(QStringLiteral("赠送") + typed.text());
            return;
        }
        bonus = typed.value();
    }
    const CardAccount account = *m_lookup->account();
    if (!m_services.messages.ask(
            QStringLiteral("会员卡%1(%2)充值%3元,%4,赠送%5元。确定吗?")
                .arg(account.card, account.member, amount.value().text(), m_method->currentText(), bonus.text())))
        return;
    const Outcome<TopUpSlip> slip
        = m_desk.topUp(account.card, amount.value(), bonus, m_method->currentText(), m_bonusApprover);
    if (!slip) {
        m_services.messages.inform(
            slip.text(), {}, slip.isFailure() ? MessageService::Icon::Warning : MessageService::Icon::Information);
        return;
    }
    m_lastSlip = slip.value();
    m_lookup->refresh();
    m_amount->clear();
    m_bonus->setText(Money().text());
    m_bonus->setReadOnly(true);
    m_bonusApprover = {};
    printSlip(slip.value());
    m_services.messages.inform(QStringLiteral("充值成功!卡内余额%1元(本金%2元,赠送%3元)")
                                   .arg(slip.value().after.total().text(), slip.value().after.principal.text(),
                                       slip.value().after.bonus.text()));
}

void CardTopUpDialog::printSlip(const TopUpSlip& slip)
{
    // A desk with a thermal printer prints the slip on its roll and opens the drawer for cash.
    if (const SlipSettings settings = SlipSettings::load(); settings.isSet()) {
        const bool kick = settings.drawerOnCash && slip.method == PaymentMethodName(PaymentMethod::Cash);
        SendSlip(m_services, settings, slip.thermal(settings.columns()).bytes(kick),
            QStringLiteral("充值已经入帐,但充值单未打印"));
        return;
    }
    const std::unique_ptr<QPrinter> printer = m_services.printers.choosePrinter(this);
    if (!printer)
        return;
    printer->setDocName(QStringLiteral("会员充值单"));
    const PageDrawing drawing = CardTexts::slipDrawing(slip);
    QPainter painter;
    bool printed = painter.begin(printer.get());
    if (printed) {
        PageDrawing::useLogicalInches(painter, CardTexts::SlipWindow);
        drawing.paint(painter);
        printed = painter.end();
    }
    if (!printed || printer->printerState() == QPrinter::Error)
        m_services.messages.inform(
            QStringLiteral("充值单没有打印出来,请检查打印机。充值已经入帐。"), {}, MessageService::Icon::Warning);
}
