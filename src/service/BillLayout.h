#pragma once

#include "printing/PageDrawing.h"

#include <QString>

class QPainter;
struct Bill;

// What the bill shows above its lines.
struct BillHeading
{
    QString companyName;
    QString companyTel;
    QString billTimeText; // "yyyy-MM-dd HH:mm:ss"
    int receiptNumber = 0;
    // A receipt printed again is marked "重打" with the moment of the reprint; empty for the
    // receipt of the settlement itself.
    QString reprintedAt {};
};

// The bill of checkout, one drawing for the screen and the printed receipt: the heading, the
// service rows, the goods rows, the totals and the footer at fixed positions in logical
// units (a pixel on the screen, 1/96 inch on paper). The labels of the checkout's boxes are
// part of it; the amounts typed into those boxes are not.
class BillLayout
{
public:
    BillLayout(const BillHeading& heading, const Bill& bill);

    const PageDrawing& drawing() const { return m_drawing; }
    void paint(QPainter& painter) const { m_drawing.paint(painter); }

    // The y of the line above the totals; checkout places its payment boxes and buttons
    // from it.
    int totalsLineY() const { return m_totalsLineY; }
    // The lowest y the drawing reaches (the end of the vertical rule beside the bill).
    int bottom() const { return m_totalsLineY + 55; }
    static QString reprintMark() { return QStringLiteral("重打"); }
    static constexpr int Width = 760; // the technician labels on the right included

    // Goods whose text form (every cell followed by "/") exceeds 1024 characters: a list that
    // long is almost surely a mistake, so the desk shows "数据过大,请检查列表的内容!". Every
    // line is still drawn, because every line is billed: a receipt must explain its total.
    bool goodsTextTooLong() const { return m_goodsTextTooLong; }
    static constexpr int GoodsTextLimit = 1024;
    static QString goodsTextTooLongMessage();

    static QFont headingFont(); // 宋体 15, widened as the house's heading
    static QFont bodyFont(); // 宋体 12

private:
    void drawServices(const Bill& bill, int& y);
    void drawGoods(const Bill& bill, int& y);

    PageDrawing m_drawing;
    int m_totalsLineY = 0;
    bool m_goodsTextTooLong = false;
};
