#include "service/StockSale.h"

#include "app/LeadingNumber.h"

#include <algorithm>
#include <limits>

StockSale StockSale::sell(QStringView stockText, int quantity)
{
    const qint64 exact = qint64(LeadingInt(stockText)) - quantity;
    const int remaining
        = int(std::clamp<qint64>(exact, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return leaving(remaining);
}

QString LowStockText(const QString& goodsName)
{
    return goodsName + QStringLiteral("数量已不多,请及时采购!");
}
