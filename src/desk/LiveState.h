#pragma once

#include "desk/OpenBill.h"
#include "desk/TechnicianQueue.h"

#include <QDate>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

// The live state of the desk as the database keeps it: what a crash must not lose.
struct LiveState
{
    QSet<QString> guestInRooms; // rooms with a guest and no service running
    QMap<QString, OpenBill> bills; // room number -> open bill; exactly the rooms in service

    TechnicianQueue idleQueue; // head = next technician to offer
    TechnicianQueue workingList; // technicians now serving

    QStringList attendanceList; // who came in, in order of marking
    QStringList earlyRota; // in order of queuing
    QStringList lateRota;

    // The business day the idle queue and the rota lists belong to; a later day starts them
    // empty.
    QDate businessDay;

    friend bool operator==(const LiveState&, const LiveState&) = default;
};
