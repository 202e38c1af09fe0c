#pragma once

#include "desk/OpenBill.h"

#include <QString>

#include <functional>

// What a lamp click hands to the room service dialog: the room, whether a service is running
// in it, and (then) the room's open bill as the dialog starts from it.
struct RoomServiceRequest
{
    QString roomNumber;
    bool inService = false;
    OpenBill bill; // meaningful only while inService
};

// What the room service dialog gives back when it ends: how it ended and, after "确定", the
// bill as its lists and boxes hold it (the counts read from the boxes by their leading
// number).
struct RoomServiceOutcome
{
    bool accepted = false; // ended with "确定"
    bool closed = false; // the stay ended in the dialog: settled or voided
    bool inService = false; // "上钟" chosen when the dialog ended
    OpenBill bill; // its start time is when "上钟" was chosen
};

// Runs the room service dialog for one room and returns how it ended. The room page is given
// one by the main window; without one, a lamp click does nothing.
using RoomServiceOpener = std::function<RoomServiceOutcome(const RoomServiceRequest&)>;
