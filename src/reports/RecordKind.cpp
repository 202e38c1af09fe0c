#include "reports/RecordKind.h"

#include "app/ReceiptStore.h"

#include <QStringList>

namespace {

RecordKindLayout receipts()
{
    return { QString(ReceiptTable::Receipts), QStringLiteral("经营单据"),
        {
            { QStringLiteral("单据编号"), QStringLiteral("id") },
            { QStringLiteral("总额"), QStringLiteral("alljine") },
            { QStringLiteral("房间号"), QStringLiteral("housnum"), 60 },
            { QStringLiteral("时间段"), QStringLiteral("bytime"), 120 },
            { QStringLiteral("按摩(钟)"), QStringLiteral("massagetime") },
            { QStringLiteral("洗脚(钟)"), QStringLiteral("washfoottime") },
            { QStringLiteral("修脚(次)"), QStringLiteral("trimfoot") },
            { QStringLiteral("商品销售额"), QStringLiteral("spjine") },
            { QStringLiteral("打折"), QStringLiteral("dazhe") },
            { QStringLiteral("打折人签名"), QStringLiteral("dazheperson") },
            { QStringLiteral("付款方式"), QStringLiteral("paytype") },
            { QStringLiteral("下单时间"), QStringLiteral("time"), 180 },
            { QStringLiteral("收银员"), QStringLiteral("cashier") },
            // Added after the columns the printed report reads by position.
            { QStringLiteral("收款方式"), QStringLiteral("paymethod") },
        },
        3 };
}

RecordKindLayout technicianServices()
{
    return { QString(ReceiptTable::Salaries), QStringLiteral("技师服务"),
        {
            { QStringLiteral("单据编号"), QStringLiteral("id") },
            { QStringLiteral("总额"), QStringLiteral("salary") },
            { QStringLiteral("姓名"), QStringLiteral("name"), 60 },
            { QStringLiteral("技师编号"), QStringLiteral("num"), 120 },
            { QStringLiteral("按摩(钟)"), QStringLiteral("massagetime") },
            { QStringLiteral("洗脚(钟)"), QStringLiteral("washfoottime") },
            { QStringLiteral("下单时间"), QStringLiteral("time"), 180 },
            { QStringLiteral("收银员"), QStringLiteral("cashier") },
        },
        2 };
}

RecordKindLayout goodsSales()
{
    return { QString(ReceiptTable::Goods), QStringLiteral("商品销售情况查询"),
        {
            { QStringLiteral("单据编号"), QStringLiteral("id") },
            { QStringLiteral("总额"), QStringLiteral("jine") },
            { QStringLiteral("名称"), QStringLiteral("name"), 60 },
            { QStringLiteral("单价"), QStringLiteral("danjia"), 120 },
            { QStringLiteral("数量"), QStringLiteral("counter") },
            { QStringLiteral("单位"), QStringLiteral("danwe") },
            { QStringLiteral("下单时间"), QStringLiteral("time"), 180 },
            { QStringLiteral("收银员"), QStringLiteral("cashier") },
        },
        1 };
}

} // namespace

const RecordKindLayout& RecordKindLayout::of(RecordKind kind)
{
    static const RecordKindLayout layouts[] = { receipts(), technicianServices(), goodsSales() };
    return layouts[static_cast<int>(kind)];
}

QStringList RecordKindLayout::captions() const
{
    QStringList texts;
    for (const QueryColumn& column : columns)
        texts << column.caption;
    return texts;
}

QStringList RecordKindLayout::columnNames() const
{
    QStringList names;
    for (const QueryColumn& column : columns)
        names << column.name;
    return names;
}

QList<int> RecordKindLayout::widths() const
{
    QList<int> widths;
    for (const QueryColumn& column : columns)
        widths << column.width;
    return widths;
}
