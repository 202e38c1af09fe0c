#pragma once

#include "app/TechnicianQueue.h"
#include "service/RoomServiceRecord.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

// Who is logged in: the role (0 cashier, 1 minister, 2 manager, 3 general manager) and the
// display name shown in the status bar.
struct UserSession
{
    int role = 0;
    QString displayName = QStringLiteral("未登录");
};

// The state the desk shares between its windows for one run. The application owns one and
// hands it to windows and dialogs through their constructors.
struct DeskState
{
    UserSession userSession;
    QString currentCashier; // login id of the cashier who logged in last
    QString companyName;
    QString companyTel;

    RoomServiceTable roomServiceTable;
    QSet<QString> guestInRooms; // rooms with a guest but no service running

    TechnicianQueue idleQueue; // head = next technician to offer
    TechnicianQueue workingList; // technicians now serving

    QStringList attendanceList;
    QStringList earlyRota;
    QStringList lateRota;

    QDateTime shiftStartTime; // lower bound of the hand-over list
};
