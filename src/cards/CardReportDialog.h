#pragma once

#include <QDialog>

struct AppServices;
class CardTextModel;
class QDateTimeEdit;
class QLabel;
class QTableView;

// "会员充值表": the card movements of a period per kind and method (充值 per method with its
// bonus, 消费, 退款, 退卡 …), and the balance the house owes to all cards now, card by card.
// Each list prints and exports.
class CardReportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CardReportDialog(AppServices& services, QWidget* parent = nullptr);

    CardTextModel& totals() const { return *m_totals; }
    CardTextModel& balances() const { return *m_balances; }
    QDateTimeEdit* startEdit() const { return m_start; }
    QDateTimeEdit* endEdit() const { return m_end; }
    QString liabilityText() const;

private:
    void query();
    void print();
    void exportTotals();
    void exportBalances();

    AppServices& m_services;
    QDateTimeEdit* m_start;
    QDateTimeEdit* m_end;
    CardTextModel* m_totals;
    CardTextModel* m_balances;
    QTableView* m_totalsView;
    QTableView* m_balancesView;
    QLabel* m_summary;
    QLabel* m_liability;
};
