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
    Count
};
} // namespace SalaryColumn

// The net pay of a sheet row from its cells as typed (missing cells count 0):
// 工资 + 补贴 − 所得税 − 罚款 − 工衣 − 借款, each read by the leading-number rule ("5a" is 5,
// a letter 0), "%.2f".
QString NetPayText(const QStringList& cells);

// The title of the printed sheet: "%d 月 份 工 资" with the month of the period start.
QString SalarySheetTitle(QDate periodStart);
