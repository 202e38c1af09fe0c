#pragma once

#include "cards/CardDesk.h"

#include <QDialog>

#include <optional>

struct AppServices;
class CardLookup;
class QComboBox;
class QLineEdit;
class QPushButton;

// "会员充值": the card found by its number or telephone, the amount and how it was paid; the
// bonus is filled by the house's rules as the amount is typed and changes only with someone
// above a cashier approving (改赠送). 确定 writes the top-up, its bonus and its log row in one
// transaction and prints the slip on the page printer; the dialog stays open for the next.
class CardTopUpDialog : public QDialog
{
    Q_OBJECT

public:
    CardTopUpDialog(AppServices& services, const QString& card = {}, QWidget* parent = nullptr);

    CardLookup& lookup() const { return *m_lookup; }
    // The slip of the last top-up written.
    const std::optional<TopUpSlip>& lastSlip() const { return m_lastSlip; }

private:
    void amountTyped();
    void changeBonus();
    void confirm();
    void cardChosen();
    void printSlip(const TopUpSlip& slip);

    AppServices& m_services;
    CardDesk m_desk;
    QList<TopUpRule> m_rules;
    CardLookup* m_lookup;
    QLineEdit* m_amount;
    QComboBox* m_method;
    QLineEdit* m_bonus;
    QPushButton* m_changeBonus;
    QPushButton* m_ok;
    Authoriser m_bonusApprover;
    std::optional<TopUpSlip> m_lastSlip;
};
