#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One technician serving a room: the clocks are those entered for him at checkout, and
// "released" is set once "下钟" sent him back to the queue (shown as "*" before his number).
struct TechnicianLine
{
    QString number; // worksinfo.str1
    QString name;
    int massageClocks = 0;
    int footWashClocks = 0;
    bool released = false;
    bool requested = false; // 点钟: the guest asked for him by number; otherwise 轮钟

    friend bool operator==(const TechnicianLine&, const TechnicianLine&) = default;
};

// One line of the house's menu on a bill: `count` units of the item (service_item.id), served
// by one technician. The name is the item's when the line was added; the price, discounts and
// commission are the item's at checkout, as the three services take their prices then. The
// minutes per unit are those booked when the line was added: the room's clock counts them.
struct ItemLine
{
    qint64 item = 0;
    QString name;
    QString technician; // worksinfo.str1; empty for an item served by nobody in particular
    int count = 0;
    bool requested = false; // 点钟
    int minutes = 0; // per unit

    friend bool operator==(const ItemLine&, const ItemLine&) = default;
};

// One article a guest took. The unit price is kept as the goods record gives it (the text
// that lands in spsalay.danjia); its value is read by the leading-number rule.
struct GoodsLine
{
    QString name; // kucheninfo.str2
    int quantity = 0;
    QString unitPrice;
    QString unit;

    friend bool operator==(const GoodsLine&, const GoodsLine&) = default;
};

// The open bill of one room in service: everything checkout prices and settles. Lines are
// kept in the order of the room's lists when they were last stored, top row first; the lists
// insert each row at the top, so a room reopened shows its rows in the reverse order.
struct OpenBill
{
    QDateTime startTime;
    int massageClocks = 0;
    int footWashClocks = 0;
    int pedicureCount = 0;
    QList<TechnicianLine> technicians;
    QList<ItemLine> items;
    QList<GoodsLine> goods;

    friend bool operator==(const OpenBill&, const OpenBill&) = default;
};
