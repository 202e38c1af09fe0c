#include "printing/ReportKind.h"

namespace {

using Part = ReportCell::Part;
constexpr ReportCell::Size Body = ReportCell::Size::Body;
constexpr ReportCell::Size Small = ReportCell::Size::Small;

ReportKindLayout receipts()
{
    return {
        QStringLiteral("单号    房号        时   间       按摩(钟)  洗脚(钟)  修脚(次) 商品销售额  打 折    签 名    "
                       "总 额   收银员"),
        { 30, 31, 80, 125, 245, 308, 375, 436, 510, 560, 620, 675, 744, 745 },
        {
            { 0, 36, 0, Body }, // 单据编号
            { 2, 86, 0, Body }, // 房间号
            { 3, 140, -5, Small, Part::BeforeDash }, // 时间段: start
            { 3, 140, 5, Small, Part::AfterDash }, // 时间段: end
            { 6, 381, 0, Small }, // 修脚(次)
            { 7, 442, 0, Small }, // 商品销售额
            { 8, 516, 0, Small }, // 打折
            { 9, 566, 0, Small }, // 打折人签名
            { 1, 626, 0, Small }, // 总额
            { 12, 681, 0, Small }, // 收银员
            { 4, 251, 0, Body }, // 按摩(钟)
            { 5, 314, 0, Body }, // 洗脚(钟)
        },
        1, // 总额
    };
}

ReportKindLayout technicianServices()
{
    return {
        QStringLiteral("单号    编号        姓   名       按摩(钟)  洗脚(钟)  总   额              下 单 时 间         "
                       "      收银员"),
        { 30, 31, 80, 125, 245, 308, 375, 510, 675, 744, 745 },
        {
            { 0, 36, 0, Body }, // 单据编号
            { 3, 86, 0, Body }, // 技师编号
            { 2, 131, 0, Body }, // 姓名
            { 1, 381, 0, Body }, // 总额
            { 6, 516, 0, Body }, // 下单时间
            { 7, 681, 0, Body }, // 收银员
            { 4, 251, 0, Body }, // 按摩(钟)
            { 5, 314, 0, Body }, // 洗脚(钟)
        },
        1, // 总额
    };
}

ReportKindLayout salarySheet()
{
    return {
        QStringLiteral(
            "编号    姓名        工   资       补  贴    所得税    罚  款   工   衣     借款     实发工资 签    名"),
        { 30, 31, 80, 125, 245, 308, 375, 510, 744, 745 },
        {
            { 0, 36, 0, Body }, // 编号
            { 1, 86, 0, Body }, // 姓名
            { 2, 131, 0, Body }, // 工资
            { 3, 251, 0, Body }, // 补贴
            { 4, 314, 0, Body }, // 所得税
            { 5, 381, 0, Body }, // 罚款
            { 6, 442, 0, Body }, // 工衣
            { 7, 516, 0, Body }, // 借款
            { 8, 566, 0, Body }, // 实发工资
        },
        // The page total of a salary sheet is what is paid out: 实发工资, not the name in
        // column 1, which would always add up to 0.00.
        8, // 实发工资
    };
}

} // namespace

const ReportKindLayout& ReportKindLayout::of(ReportKind kind)
{
    static const ReportKindLayout layouts[] = { receipts(), technicianServices(), salarySheet() };
    return layouts[static_cast<int>(kind)];
}

QString ReportCellText(const QString& text, ReportCell::Part part)
{
    if (part == Part::Whole)
        return text;
    const qsizetype dash = text.indexOf(u'—');
    if (dash < 0)
        return {};
    return part == Part::BeforeDash ? text.left(dash) : text.mid(dash + 1);
}
