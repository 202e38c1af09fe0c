#pragma once

#include "cards/CardDesk.h"

#include <QDialog>

struct AppServices;
class CardLookup;
class CardTextModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

// "会员卡管理": the card found as in the top-up, its ledger as a list (printable for the guest,
// exportable), and what a card's life needs: 挂失, 解挂, 补卡 (to the new number typed), 退卡
// (the principal paid back by the method chosen), 调整 (either part, with the reason) and 设置
// 密码 (empty clears it). Whatever goes beyond a cashier asks for approval on the spot.
class CardManagementDialog : public QDialog
{
    Q_OBJECT

public:
    CardManagementDialog(AppServices& services, const QString& card = {}, QWidget* parent = nullptr);

    CardLookup& lookup() const { return *m_lookup; }
    CardTextModel& ledgerRows() const { return *m_rows; }

private:
    void cardChosen();
    void reportLost();
    void cancelLost();
    void replace();
    void cashOut();
    void adjust();
    void setPassword();
    void print();
    void exportLedger();
    // Shows an outcome: nothing when it went through, its text otherwise; true when it did.
    bool showSetback(const Outcome<>& done);
    std::optional<Authoriser> approval(const QString& refusal);

    AppServices& m_services;
    CardDesk m_desk;
    CardLookup* m_lookup;
    CardTextModel* m_rows;
    QTableView* m_view;
    QLineEdit* m_newCard;
    QComboBox* m_method;
    QLineEdit* m_principal;
    QLineEdit* m_bonus;
    QLineEdit* m_note;
    QLineEdit* m_password;
    QList<QPushButton*> m_actions;
};
