#include "service/DiscountDialog.h"

#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "desk/AppServices.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"
#include "users/AuthorisationPrompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

const QString DiscountDialog::ManagerText = QStringLiteral("贵宾");
const QString DiscountDialog::MemberCardText = QStringLiteral("会员卡");

namespace {

const QString FactorLabel = QStringLiteral("打折:");
const QString CardLabel = QStringLiteral("卡号:");

} // namespace

DiscountDialog::DiscountDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_typeBox(new QComboBox(this))
    , m_valueLabel(PaintedLabel(FactorLabel, this))
    , m_valueEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("discountDialog"));
    setWindowTitle(QStringLiteral("打折或积分"));

    m_typeBox->setObjectName(QStringLiteral("typeBox"));
    m_typeBox->setEditable(true);
    m_typeBox->setInsertPolicy(QComboBox::NoInsert);
    m_typeBox->addItems({ ManagerText, MemberCardText });
    m_typeBox->setCurrentIndex(0);
    m_valueLabel->setObjectName(QStringLiteral("valueLabel"));
    m_valueEdit->setObjectName(QStringLiteral("valueEdit"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(10);
    fields->addWidget(PaintedLabel(QStringLiteral("选择类型:"), this), 0, 0);
    fields->addWidget(m_typeBox, 0, 1);
    fields->addWidget(m_valueLabel, 1, 0);
    fields->addWidget(m_valueEdit, 1, 1);
    fields->setColumnMinimumWidth(1, 150);

    QPushButton* ok = nullptr;
    SetFieldsAndOkCancel(this, fields, &ok);

    connect(m_typeBox, &QComboBox::activated, this, &DiscountDialog::chooseType);
    connect(ok, &QPushButton::clicked, this, &DiscountDialog::confirm);
    m_valueEdit->setFocus();
}

Decimal DiscountDialog::factor() const
{
    return DiscountFactor(m_valueText);
}

void DiscountDialog::chooseType(int index)
{
    const bool memberCard = m_typeBox->itemText(index) == MemberCardText;
    m_mode = memberCard ? DiscountMode::MemberCard : DiscountMode::ManagerDiscount;
    m_valueLabel->setText(memberCard ? CardLabel : FactorLabel);
    m_valueEdit->setText(m_valueText);
}

void DiscountDialog::confirm()
{
    m_valueText = m_valueEdit->text();
    if (m_mode == DiscountMode::MemberCard)
        confirmMemberCard();
    else
        confirmManagerDiscount();
}

void DiscountDialog::confirmManagerDiscount()
{
    if (const QString refusal = DiscountFactorRefusal(m_valueText); !refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    const std::optional<Authoriser> approver = AskApproval(m_services, this, QStringLiteral("收银员没有打折的权限!"));
    if (!approver)
        return;
    m_approver = *approver;
    accept();
}

void DiscountDialog::confirmMemberCard()
{
    const Outcome<bool> found = MemberCardExists(m_services.database, m_valueText);
    if (!found) {
        // A failed lookup grants nothing: the desk sees why and may try again.
        m_services.messages.inform(found.text(), {}, MessageService::Icon::Warning);
        return;
    }
    if (!found.value()) {
        m_services.messages.inform(QStringLiteral("没有找到这卡,请重新输入!"));
        return;
    }
    accept();
}
