#pragma once

#include <QDialog>

struct AppServices;
class QCheckBox;
class QTableWidget;

// "充值规则设置": the house's top-up bonuses, one row per threshold ("充1000送100"). 增加 adds a
// row, 删除 removes the selected one, 保存 checks every row and writes them all at once.
// For managers: the window opens only for a manager or the general manager.
class TopUpRulesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TopUpRulesDialog(AppServices& services, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    void addRow(const QString& threshold = {}, const QString& bonus = {});
    void removeRow();
    void save();

    AppServices& m_services;
    QTableWidget* m_table;
    QCheckBox* m_bonusFirst;
};
