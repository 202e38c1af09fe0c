#pragma once

#include "desk/OperatorLog.h"
#include "service/Discount.h"

#include <QDialog>

struct AppServices;
class QComboBox;
class QLabel;
class QLineEdit;

// "打折或积分": checkout's way to a lower massage price, by a manager's discount ("贵宾")
// approved through the login prompt, or by a member card on file ("会员卡"). It only decides;
// checkout applies what it returns after Accepted.
class DiscountDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString ManagerText; // "贵宾"
    static const QString MemberCardText; // "会员卡"

    explicit DiscountDialog(AppServices& services, QWidget* parent = nullptr);

    DiscountMode mode() const { return m_mode; }
    // The typed text as "确定" last read it: the factor or the card number.
    QString valueText() const { return m_valueText; }
    // The factor typed for a manager's discount (its leading number).
    Decimal factor() const;
    // The display name of whoever approved a manager's discount.
    QString approver() const { return m_approver.displayName; }
    // Who approved it, for the operator log.
    const Authoriser& authoriser() const { return m_approver; }

private:
    void chooseType(int index);
    void confirm();
    void confirmManagerDiscount();
    void confirmMemberCard();

    AppServices& m_services;
    QComboBox* m_typeBox;
    QLabel* m_valueLabel;
    QLineEdit* m_valueEdit;
    DiscountMode m_mode = DiscountMode::ManagerDiscount;
    QString m_valueText;
    Authoriser m_approver;
};
