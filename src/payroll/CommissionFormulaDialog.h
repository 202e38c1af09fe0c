#pragma once

#include "app/Money.h"
#include "payroll/CommissionFormula.h"

#include <QDialog>

struct AppServices;
class QComboBox;
class QLabel;
class QLineEdit;
class RowListView;

// "技师公式设置": the commission a technician earns for his 1st, 2nd, 3rd and every later massage
// clock of a bill, how many clocks earn a free one, and the amount per foot-wash clock. A row
// of the list is chosen and its amount typed in the box below; "确定" reads the six entries
// strictly and writes them as typed (in plain digits) to row 2003 of jstichen, or names the
// first entry that is not a sane amount or count and writes nothing; "取消" writes nothing.
// "点钟加提" is the supplement per clock of a requested technician (a house figure in fen):
// saved with the formula in one transaction, refused when it is not a sane amount.
class CommissionFormulaDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoOrderText; // "没有选择是第几个钟!请选择!"

    explicit CommissionFormulaDialog(AppServices& services, QWidget* parent = nullptr);

    // The formula as the list and the boxes hold it.
    CommissionFormula typedFormula() const;

private:
    void showFormula(const CommissionFormula& formula);
    void chooseOrder(int row);
    void enterAmount(const QString& text);
    void confirm();
    // Selects a refused entry (0 to 3 the list's rows, 4 the foot-wash box, 5 the free-clock
    // count) and puts the focus into its box.
    void showRefusedEntry(int entry);

    AppServices& m_services;
    RowListView* m_orders;
    QLabel* m_orderCaption;
    QLineEdit* m_amountEdit;
    QComboBox* m_freeClockBox;
    QLineEdit* m_washEdit;
    QLineEdit* m_supplementEdit;
    Money m_storedSupplement;
    bool m_loaded = false; // the stored formula was read
};
