#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

// What the desk records for one room in service until its bill is settled or voided.
struct RoomServiceRecord
{
    QDateTime startTime;
    int massageClocks = 0;
    int footWashClocks = 0;
    int pedicureCount = 0;
    QString technicianRows; // RowText, 4 cells: number, name, massage clocks, foot-wash clocks
    QString goodsRows; // RowText, 4 cells: goods name, quantity, unit price, unit
};

// Room number text -> record; an entry exists exactly while the room is in service.
using RoomServiceTable = QMap<QString, RoomServiceRecord>;
