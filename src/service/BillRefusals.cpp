#include "service/BillRefusals.h"

#include "desk/OpenBill.h"
#include "service/ServiceSettings.h"

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Whether the text begins with a number by the leading-number rule ("5.5元" does, "" and
// "元" do not), so that a missing price is told apart from a price of 0.
bool startsWithNumber(QStringView text)
{
    text = text.trimmed();
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-'))
        text = text.mid(1);
    if (!text.isEmpty() && text.front() == u'.')
        text = text.mid(1);
    return !text.isEmpty() && isDigit(text.front());
}

} // namespace

QString ServiceCountsRefusal(int massageClocks, int footWashClocks, int pedicureCount)
{
    if (massageClocks < 0)
        return QStringLiteral("按摩钟数不能小于0,请重新输入!");
    if (footWashClocks < 0)
        return QStringLiteral("洗脚钟数不能小于0,请重新输入!");
    if (pedicureCount < 0)
        return QStringLiteral("修脚次数不能小于0,请重新输入!");
    return {};
}

QString GoodsQuantityRefusal(int quantity)
{
    if (quantity < 1)
        return QStringLiteral("商品数量至少为1,请重新输入!");
    return {};
}

QString GoodsLineRefusal(const GoodsLine& line)
{
    if (QString refusal = GoodsQuantityRefusal(line.quantity); !refusal.isEmpty())
        return refusal;
    if (!startsWithNumber(line.unitPrice))
        return line.name + QStringLiteral("不在商品库中,没有单价,请重新选择商品!");
    return {};
}

QString TechnicianClocksRefusal(const QList<TechnicianLine>& lines)
{
    for (const TechnicianLine& line : lines) {
        if (line.massageClocks < 0 || line.footWashClocks < 0)
            return line.number + QStringLiteral("号技师的钟数不能小于0,请重新输入!");
    }
    return {};
}

QStringList TechniciansWithoutClocks(const OpenBill& bill, const QList<TechnicianLine>& lines)
{
    QStringList numbers;
    if (bill.massageClocks <= 0 && bill.footWashClocks <= 0)
        return numbers;
    for (const TechnicianLine& line : lines) {
        if (line.massageClocks == 0 && line.footWashClocks == 0)
            numbers << line.number;
    }
    return numbers;
}

QString OpenBillRefusal(const OpenBill& bill)
{
    if (QString refusal = ServiceCountsRefusal(bill.massageClocks, bill.footWashClocks, bill.pedicureCount);
        !refusal.isEmpty())
        return refusal;
    for (const GoodsLine& line : bill.goods) {
        if (QString refusal = GoodsLineRefusal(line); !refusal.isEmpty())
            return refusal;
    }
    return {};
}

QString SettlementRefusal(const ServiceSettings& prices)
{
    if (!prices.complete)
        return QStringLiteral("服务价格没有设置,不能打单!请先在价格设置中设置服务价格!");
    return {};
}
