#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The columns of the salary sheet, as it lists and prints them.
namespace SalaryColumn {
enum : int {
    Number, // 编号
    Name, // 姓名
    Wage, // 工资: the commissions of the period
    Allowance, // 补贴
    IncomeTax, // 所得税
    Fine, // 罚款
    WorkClothes, // 工衣
    Advance, // 借款
    NetPay, // 实发工资
    Count, // the columns of every sheet
    // The split of the commissions, after the others, on the sheet of a house that sells the
    // menu's items or pays a 点钟 supplement:
    ItemCommission = Count, // 项目提成: the commissions of the item lines
    Supplement, // 点钟加提: the 点钟 supplements
    CommissionTotal, // 提成合计: 工资 + 项目提成 + 点钟加提
    SplitCount
};
} // namespace SalaryColumn

// The net pay of a sheet row from its cells as typed (missing cells count 0):
// 工资 + 补贴 − 所得税 − 罚款 − 工衣 − 借款, each read by the leading-number rule ("5a" is 5,
// a letter 0), "%.2f". On a row with the split of the commissions, 提成合计 stands for 工资.
QString NetPayText(const QStringList& cells);

// The title of the printed sheet: "%d 月 份 工 资" with the month of the period start.
QString SalarySheetTitle(QDate periodStart);
