#include "service/WaiverDialog.h"

#include "app/MessageService.h"
#include "app/TypedNumber.h"
#include "desk/AppServices.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"
#include "users/AuthorisationPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

const QStringList WaiverDialog::KindTexts { QStringLiteral("不抹零"), QStringLiteral("抹到元"),
    QStringLiteral("抹到角"), QStringLiteral("其他金额") };

namespace {

const QString AmountField = QStringLiteral("抹零金额");

} // namespace

WaiverDialog::WaiverDialog(AppServices& services, Money total, Money limit, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_total(total)
    , m_limit(limit)
    , m_kindBox(new QComboBox(this))
    , m_amountEdit(new QLineEdit(this))
    , m_resultLabel(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("waiverDialog"));
    setWindowTitle(QStringLiteral("抹零"));

    m_kindBox->setObjectName(QStringLiteral("kindBox"));
    m_kindBox->addItems(KindTexts);
    m_amountEdit->setObjectName(QStringLiteral("waivedEdit"));
    m_amountEdit->setEnabled(false);
    m_resultLabel->setObjectName(QStringLiteral("resultLabel"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(10);
    fields->addWidget(PaintedLabel(QStringLiteral("抹零方式:"), this), 0, 0);
    fields->addWidget(m_kindBox, 0, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("抹零金额:"), this), 1, 0);
    fields->addWidget(m_amountEdit, 1, 1);
    fields->addWidget(m_resultLabel, 2, 0, 1, 2);
    fields->addWidget(PaintedLabel(QStringLiteral("抹零超过%1元需经理授权").arg(m_limit.text()), this), 3, 0, 1, 2);
    fields->setColumnMinimumWidth(1, 150);

    QPushButton* ok = nullptr;
    SetFieldsAndOkCancel(this, fields, &ok);

    connect(m_kindBox, &QComboBox::activated, this, &WaiverDialog::chooseKind);
    connect(m_amountEdit, &QLineEdit::textChanged, this, &WaiverDialog::showResult);
    connect(ok, &QPushButton::clicked, this, &WaiverDialog::confirm);
    showResult();
    m_kindBox->setFocus();
}

void WaiverDialog::chooseKind(int index)
{
    m_kind = WaiverKind(index);
    m_amountEdit->setEnabled(m_kind == WaiverKind::Amount);
    if (m_kind == WaiverKind::Amount)
        m_amountEdit->setFocus();
    else
        m_amountEdit->setText(RoundedOff(m_kind, m_total).text());
    showResult();
}

std::optional<Money> WaiverDialog::typedWaiver(QString* refusal) const
{
    if (m_kind != WaiverKind::Amount)
        return RoundedOff(m_kind, m_total);
    const TypedRule rule = TypedRule::amount().orEmptyAsZero();
    const TypedReading reading = ReadTyped(m_amountEdit->text(), rule);
    if (!reading.ok()) {
        *refusal = TypedProblemText(reading.problem, AmountField, rule);
        return std::nullopt;
    }
    const Money waived = TypedMoney(reading);
    *refusal = WaiverRefusal(waived, m_total);
    if (!refusal->isEmpty())
        return std::nullopt;
    return waived;
}

void WaiverDialog::showResult()
{
    QString refusal;
    const std::optional<Money> waived = typedWaiver(&refusal);
    m_resultLabel->setText(waived ? QStringLiteral("应收%1元  抹零%2元  实收%3元")
                                        .arg(m_total.text(), waived->text(), (m_total - *waived).text())
                                  : refusal);
}

void WaiverDialog::confirm()
{
    QString refusal;
    const std::optional<Money> waived = typedWaiver(&refusal);
    if (!waived) {
        m_services.messages.inform(refusal);
        return;
    }
    if (WaiverNeedsApproval(*waived, m_limit)) {
        const std::optional<Authoriser> approver
            = AskApproval(m_services, this, QStringLiteral("抹零超过%1元,收银员不能抹零!").arg(m_limit.text()));
        if (!approver)
            return;
        m_approver = *approver;
    } else {
        m_approver = {};
    }
    m_waived = *waived;
    if (m_waived.isZero())
        m_kind = WaiverKind::None;
    accept();
}
