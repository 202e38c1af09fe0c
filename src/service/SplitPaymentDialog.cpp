#include "service/SplitPaymentDialog.h"

#include "app/MessageService.h"
#include "app/TypedNumber.h"
#include "desk/AppServices.h"
#include "service/Payment.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

QString SplitPaymentDialog::partEditName(PaymentMethod method)
{
    static const std::array<QString, PaymentMethodCount> names { QStringLiteral("cashPartEdit"),
        QStringLiteral("weChatPartEdit"), QStringLiteral("alipayPartEdit"), QStringLiteral("bankCardPartEdit"),
        QStringLiteral("memberCardPartEdit") };
    return names[size_t(method)];
}

SplitPaymentDialog::SplitPaymentDialog(AppServices& services, Money payable, QString card,
    std::optional<Money> cardBalance, const QList<PaymentPart>& start, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_payable(payable)
    , m_card(std::move(card))
    , m_remainingLabel(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("splitPaymentDialog"));
    setWindowTitle(QStringLiteral("组合支付"));
    m_remainingLabel->setObjectName(QStringLiteral("remainingLabel"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(8);
    fields->addWidget(PaintedLabel(QStringLiteral("应收金额: %1元").arg(m_payable.text()), this), 0, 0, 1, 3);
    int row = 1;
    for (const PaymentMethod method : PaymentMethods) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(partEditName(method));
        m_edits[size_t(method)] = edit;
        fields->addWidget(PaintedLabel(PaymentMethodName(method) + u':', this), row, 0);
        fields->addWidget(edit, row, 1);
        if (method == PaymentMethod::MemberCard) {
            QString note = QStringLiteral("请先按“打折”输入会员卡号");
            if (!m_card.isEmpty())
                note = cardBalance ? QStringLiteral("卡号%1 余额%2元").arg(m_card, cardBalance->text())
                                   : QStringLiteral("卡号%1").arg(m_card);
            edit->setEnabled(!m_card.isEmpty());
            fields->addWidget(PaintedLabel(note, this), row, 2);
        }
        ++row;
    }
    fields->addWidget(m_remainingLabel, row, 0, 1, 3);
    fields->setColumnMinimumWidth(1, 110);

    for (const PaymentPart& part : start)
        m_edits[size_t(part.method)]->setText(part.amount.text());

    QPushButton* ok = nullptr;
    SetFieldsAndOkCancel(this, fields, &ok);

    for (QLineEdit* edit : m_edits)
        connect(edit, &QLineEdit::textChanged, this, &SplitPaymentDialog::showRemaining);
    connect(ok, &QPushButton::clicked, this, &SplitPaymentDialog::confirm);
    showRemaining();
    m_edits.front()->setFocus();
}

std::optional<QList<PaymentPart>> SplitPaymentDialog::typedParts(QString* refusal) const
{
    const TypedRule rule = TypedRule::amount().orEmptyAsZero();
    QList<PaymentPart> parts;
    for (const PaymentMethod method : PaymentMethods) {
        const TypedReading reading = ReadTyped(m_edits[size_t(method)]->text(), rule);
        if (!reading.ok()) {
            *refusal = TypedProblemText(reading.problem, PaymentMethodName(method) + QStringLiteral("金额"), rule);
            return std::nullopt;
        }
        const Money amount = TypedMoney(reading);
        if (amount > Money())
            parts.append({ method, amount, method == PaymentMethod::MemberCard ? m_card : QString() });
    }
    return parts;
}

void SplitPaymentDialog::showRemaining()
{
    QString refusal;
    const std::optional<QList<PaymentPart>> parts = typedParts(&refusal);
    if (!parts) {
        m_remainingLabel->setText(refusal);
        return;
    }
    Money paid;
    for (const PaymentPart& part : *parts)
        paid += part.amount;
    const Money left = m_payable - paid;
    m_remainingLabel->setText(left.isNegative() ? QStringLiteral("已付%1元,多付%2元").arg(paid.text(), (-left).text())
                                                : QStringLiteral("已付%1元,还差%2元").arg(paid.text(), left.text()));
}

void SplitPaymentDialog::confirm()
{
    QString refusal;
    std::optional<QList<PaymentPart>> parts = typedParts(&refusal);
    if (parts)
        refusal = PaymentPartsRefusal(*parts, m_payable);
    if (!refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    m_parts = std::move(*parts);
    accept();
}
