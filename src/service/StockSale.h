#pragma once

#include <QString>

// What selling `quantity` of an article does to its stock (kucheninfo.str6, read by its
// leading integer). The stock may go below 0: goods are sold even when the count ran out.
struct StockSale
{
    int remaining = 0;
    bool lowStock = false; // 10 or fewer left: the desk warns that it is time to buy

    static constexpr int LowStockLevel = 10;

    static StockSale sell(QStringView stockText, int quantity);
    // What is left once `remaining` is what the stock holds after a sale.
    static StockSale leaving(int remaining) { return { remaining, remaining <= LowStockLevel }; }
    // The stock text written back: "%d".
    QString remainingText() const { return QString::number(remaining); }
};

// "%s数量已不多,请及时采购!" with the article's name.
QString LowStockText(const QString& goodsName);
