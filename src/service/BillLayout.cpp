#include "service/BillLayout.h"

#include "service/Bill.h"

#include <QFontMetrics>

namespace {

// Columns of the service and goods rows.
constexpr int NameX = 50;
constexpr int CountX = 140;
constexpr int PriceX = 192;
constexpr int DiscountX = 256; // the discount on the massage row, the unit on goods rows
constexpr int AmountX = 332;

constexpr int RowHeight = 20;
constexpr int FirstRowY = 77;
constexpr int RuleLeft = 20;
constexpr int RuleRight = 400;

qsizetype goodsTextLength(const QList<PricedGoodsLine>& goods)
{
    qsizetype length = 0;
    for (const PricedGoodsLine& line : goods)
        length += line.goods.name.size() + QString::number(line.goods.quantity).size() + line.goods.unitPrice.size()
            + line.goods.unit.size() + 4;
    return length;
}

} // namespace

BillLayout::BillLayout(const BillHeading& heading, const Bill& bill)
{
    const QFont body = bodyFont();
    m_drawing.addText(116, 8, heading.companyName, headingFont());
    m_drawing.addText(20, 35, QStringLiteral("下单时间:"), body);
    m_drawing.addText(78, 35, heading.billTimeText, body);
    m_drawing.addText(220, 35, QStringLiteral("收银员:"), body);
    m_drawing.addText(326, 35, QStringLiteral("NO:00") + QString::number(heading.receiptNumber), body);
    if (!heading.reprintedAt.isEmpty())
        m_drawing.addText(20, 8, reprintMark(), headingFont());
    m_drawing.addLine(RuleLeft, 50, RuleRight, 50);

    m_drawing.addText(NameX, 56, QStringLiteral("服务项目"), body);
    m_drawing.addText(CountX, 56, QStringLiteral("数量"), body);
    m_drawing.addText(PriceX, 56, QStringLiteral("单价"), body);
    m_drawing.addText(DiscountX, 56, QStringLiteral("折扣"), body);
    m_drawing.addText(AmountX, 56, QStringLiteral("金额"), body);

    int y = FirstRowY;
    if (bill.hasOpenBill) {
        drawServices(bill, y);
        drawGoods(bill, y);
    }
    // Change waived at the cashier's word is a line of its own, so the lines add up to 合计.
    if (!bill.waived.isZero()) {
        m_drawing.addLine(RuleLeft, y, RuleRight, y);
        m_drawing.addText(NameX, y + 5, QStringLiteral("抹零"), body);
        m_drawing.addText(PriceX, y + 5, QStringLiteral("应收%1").arg(bill.totalAmount.text()), body);
        m_drawing.addText(AmountX, y + 5, (-bill.waived).text(), body);
        y += 25;
    }

    m_totalsLineY = y;
    m_drawing.addLine(RuleLeft, y, RuleRight, y);
    m_drawing.addText(20, y + 5, QStringLiteral("合计:"), body);
    m_drawing.addText(55, y + 5, bill.total, body);
    m_drawing.addText(PriceX, y + 5, QStringLiteral("收款:"), body);
    m_drawing.addText(20, y + 25, QStringLiteral("实收:"), body);
    m_drawing.addText(PriceX, y + 25, QStringLiteral("找回:"), body);
    m_drawing.addText(20, y + 45, QStringLiteral("祝你生活愉快,欢迎再次光临!    Tel:") + heading.companyTel, body);
    if (!heading.reprintedAt.isEmpty())
        m_drawing.addText(20, y + 65, QStringLiteral("重打时间: ") + heading.reprintedAt, body);

    // A double rule parts the bill from the technicians' side.
    m_drawing.addLine(420, 20, 420, bottom());
    m_drawing.addLine(421, 20, 421, bottom());
    m_drawing.addText(650, 20, QStringLiteral("按摩时间:"), body);
    m_drawing.addText(650, 58, QStringLiteral("洗脚时间:"), body);
}

void BillLayout::drawServices(const Bill& bill, int& y)
{
    const QFont body = bodyFont();
    const auto drawRow = [&](const QString& name, const ServiceLine& line, const QString& discount) {
        m_drawing.addText(NameX, y, name, body);
        m_drawing.addText(CountX, y, line.count, body);
        m_drawing.addText(PriceX, y, line.unitPrice, body);
        if (!discount.isEmpty())
            m_drawing.addText(DiscountX, y, discount, body);
        m_drawing.addText(AmountX, y, line.amount, body);
        y += RowHeight;
    };
    if (bill.massage)
        drawRow(QStringLiteral("按摩(钟)"), *bill.massage, bill.discount);
    if (bill.footWash)
        drawRow(QStringLiteral("洗脚(钟)"), *bill.footWash, {});
    if (bill.pedicure)
        drawRow(QStringLiteral("修脚(人次)"), *bill.pedicure, {});
    // The menu's items follow the three services, each named with its unit as they are; a
    // long name is cut short of the count.
    const QFontMetrics metrics(body);
    for (const PricedItemLine& item : bill.items) {
        const QString name = metrics.elidedText(
            QStringLiteral("%1(%2)").arg(item.line.name, item.item.unit), Qt::ElideRight, CountX - NameX - 4);
        drawRow(
            name, ServiceLine { QString::number(item.line.count), item.unitPrice, item.amount.text() }, item.discount);
    }
}

void BillLayout::drawGoods(const Bill& bill, int& y)
{
    const QFont body = bodyFont();
    m_drawing.addLine(RuleLeft, y, RuleRight, y);
    m_drawing.addText(NameX, y + 5, QStringLiteral("商品名称"), body);
    m_drawing.addText(CountX, y + 5, QStringLiteral("数量"), body);
    m_drawing.addText(PriceX, y + 5, QStringLiteral("单价"), body);
    m_drawing.addText(DiscountX, y + 5, QStringLiteral("单位"), body);
    m_drawing.addText(AmountX, y + 5, QStringLiteral("金额"), body);
    y += 25;

    m_goodsTextTooLong = goodsTextLength(bill.goods) > GoodsTextLimit;
    for (const PricedGoodsLine& line : bill.goods) {
        m_drawing.addText(NameX, y, line.goods.name, body);
        m_drawing.addText(CountX, y, QString::number(line.goods.quantity), body);
        m_drawing.addText(PriceX, y, line.goods.unitPrice, body);
        m_drawing.addText(DiscountX, y, line.goods.unit, body);
        m_drawing.addText(AmountX, y, line.amount, body);
        y += RowHeight;
    }
}

QString BillLayout::goodsTextTooLongMessage()
{
    return QStringLiteral("数据过大,请检查列表的内容!");
}

QFont BillLayout::headingFont()
{
    // The house prints its name 10 units wide on a 15-unit face, a third wider than the face.
    return PageDrawing::font(15, 133);
}

QFont BillLayout::bodyFont()
{
    return PageDrawing::font(12);
}
