#pragma once

#include "service/RoomServiceRecord.h"

#include <QDateTime>
#include <QString>

#include <functional>

// What a lamp click hands to the room service dialog: the room, whether a service is running
// in it, and (then) the room's record as the dialog starts from it.
struct RoomServiceRequest
{
    QString roomNumber;
    bool inService = false;
    RoomServiceRecord record; // meaningful only while inService
};

// What the room service dialog gives back when it ends. The counts are the texts of the
// dialog's boxes; they are read by their leading number.
struct RoomServiceOutcome
{
    bool accepted = false; // ended with "确定"
    bool closed = false; // the stay ended in the dialog: settled or voided
    bool inService = false; // "上钟" chosen when the dialog ended
    QDateTime startTime;
    QString technicianRows; // RowText, 4 cells per row
    QString goodsRows; // RowText, 4 cells per row
    QString massageText;
    QString footWashText;
    QString pedicureText;
};

// Runs the room service dialog for one room and returns how it ended. The room page is given
// one by the main window; without one, a lamp click does nothing.
using RoomServiceOpener = std::function<RoomServiceOutcome(const RoomServiceRequest&)>;
