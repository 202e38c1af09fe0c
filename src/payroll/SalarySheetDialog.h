#pragma once

#include <QDialog>

#include <array>

struct AppServices;
class QDateTimeEdit;
class QLineEdit;
class RowListView;

// "工资设定": the technicians' pay for a period. "工资生成" sums each technician's commissions
// between the two pickers into "工资"; an allowance and four deductions typed for the selected
// technician go into his row as they are typed, each read strictly (full-width digits count,
// "12,5" or "-3" is refused with the reason and the row keeps its old amount); "实发工资"
// follows the net pay rule at once, whenever the wage or a typed amount changes. "打印" prints the sheet, 35 rows a
// page. The sheet lives on the screen and on paper only: nothing is written to the database.
//
// A house that sells the menu's items or pays a 点钟 supplement sees the split of the
// commissions after the other columns: "项目提成", "点钟加提" and their sum with the wage,
// "提成合计", which the net pay then counts in place of the wage.
class SalarySheetDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoTechniciansText; // "请在员工管理中录入技师资料!"
    static const QString NoTechnicianChosenText; // "没有选择技师,请选择技师!"

    explicit SalarySheetDialog(AppServices& services, QWidget* parent = nullptr);

    RowListView& sheet() const { return *m_sheet; }
    QDateTimeEdit* startEdit() const { return m_start; }
    QDateTimeEdit* endEdit() const { return m_end; }
    // Whether the sheet shows the split of the commissions.
    bool showsSplit() const { return m_split; }

    void generate();
    void print();
    // "导出": the sheet as it stands to a workbook or a CSV file.
    void exportSheet();

private:
    struct AmountField
    {
        int column;
        QString name; // the column's caption, as a refusal names it
        QLineEdit* edit;
        QString accepted; // the text the field last took
    };

    void fillTechnicians();
    void clearAmounts();
    void takeAmount(AmountField& field);
    void updateNetPay(int row);

    AppServices& m_services;
    RowListView* m_sheet;
    QDateTimeEdit* m_start;
    QDateTimeEdit* m_end;
    std::array<AmountField, 5> m_amounts {};
    bool m_split = false;
};
