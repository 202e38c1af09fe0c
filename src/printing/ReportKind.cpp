#include "printing/ReportKind.h"

#include <algorithm>
#include <utility>

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

// A header whose captions start at the given x, spaced on the character grid of the body
// font (13 pixels: a blank is half as wide as a Chinese character), from the header's x of 40.
QString headerAt(const QList<std::pair<int, QString>>& captions)
{
    constexpr double HalfWidth = 6.5;
    QString header;
    int position = 0; // in half widths from x 40
    for (const auto& [x, caption] : captions) {
        int wanted = int((x - 40) / HalfWidth + 0.5);
        if (!header.isEmpty())
            wanted = std::max(wanted, position + 1);
        header += QString(wanted - position, u' ') + caption;
        position = wanted + 2 * int(caption.size());
    }
    return header;
}

ReportKindLayout splitSalarySheet()
{
    // Ten amount columns between the name and the signature, those of four characters wider.
    constexpr int First = 120;
    const QList<std::pair<QString, int>> amounts { { QStringLiteral("工资"), 56 }, { QStringLiteral("补贴"), 48 },
        { QStringLiteral("所得税"), 50 }, { QStringLiteral("罚款"), 48 }, { QStringLiteral("工衣"), 48 },
        { QStringLiteral("借款"), 48 }, { QStringLiteral("实发工资"), 60 }, { QStringLiteral("项目提成"), 60 },
        { QStringLiteral("点钟加提"), 60 }, { QStringLiteral("提成合计"), 60 } };
    QList<std::pair<int, QString>> captions { { 40, QStringLiteral("编号") }, { 82, QStringLiteral("姓名") } };
    ReportKindLayout layout;
    layout.gridLines = { 30, 31, 70 };
    layout.cells = { { 0, 36, 0, Body }, { 1, 76, 0, Body } };
    int left = First;
    for (int i = 0; i < amounts.size(); ++i) {
        const auto& [caption, width] = amounts[i];
        captions.append({ left + (width - 13 * int(caption.size())) / 2, caption });
        layout.gridLines.append(left);
        layout.cells.append({ 2 + i, left + 4, 0, Body });
        left += width;
    }
    captions.append({ left + (744 - left - 26) / 2, QStringLiteral("签名") });
    layout.gridLines << left << 744 << 745;
    layout.headerText = headerAt(captions);
    layout.totalColumn = 8; // 实发工资, as on the sheet without the split
    return layout;
}

// A plain list of columns of the given widths from x 31, each caption centred over its column
// and each cell 4 pixels into it, the page total adding `totalColumn`.
ReportKindLayout columnsLayout(const QList<std::pair<QString, int>>& columns, int totalColumn)
{
    ReportKindLayout layout;
    QList<std::pair<int, QString>> captions;
    layout.gridLines = { 30, 31 };
    int left = 31;
    for (int i = 0; i < columns.size(); ++i) {
        const auto& [caption, width] = columns[i];
        captions.append({ std::max(40, left + (width - 13 * int(caption.size())) / 2), caption });
        layout.cells.append({ i, left + 4, 0, Body });
        left += width;
        layout.gridLines.append(left);
    }
    layout.gridLines.append(left + 1);
    layout.headerText = headerAt(captions);
    layout.totalColumn = totalColumn;
    return layout;
}

ReportKindLayout itemSummary()
{
    return columnsLayout(
        { { QStringLiteral("编号"), 60 }, { QStringLiteral("项目名称"), 224 }, { QStringLiteral("数量"), 110 },
            { QStringLiteral("金额"), 160 }, { QStringLiteral("提成"), 160 } },
        3); // 金额
}

ReportKindLayout technicianCallSummary()
{
    return columnsLayout(
        { { QStringLiteral("编号"), 60 }, { QStringLiteral("姓名"), 114 }, { QStringLiteral("钟数"), 110 },
            { QStringLiteral("点钟数"), 110 }, { QStringLiteral("点钟率"), 110 }, { QStringLiteral("提成"), 210 } },
        5); // 提成
}

} // namespace

const ReportKindLayout& ReportKindLayout::of(ReportKind kind)
{
    static const ReportKindLayout layouts[] = { receipts(), technicianServices(), salarySheet(), splitSalarySheet(),
        itemSummary(), technicianCallSummary() };
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
