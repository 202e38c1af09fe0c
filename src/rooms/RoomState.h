#pragma once

#include "app/Outcome.h"
#include "desk/DeskSession.h"
#include "rooms/RoomServiceExchange.h"

#include <QString>

// The lamps of the room board and what the end of the room service dialog does to a room.
// A room's state is kept by the desk session, not by its lamp.
namespace RoomStates {

inline const QString IdleText = QStringLiteral("空闲");
inline const QString GuestInText = QStringLiteral("入客");
inline const QString& UnrecognisedText = DeskSession::UnrecognisedText; // "操作错误,系统无法识别!"

// The lamp text of a room: "空闲", "入客", or the technician numbers of its bill.
QString lampText(const DeskSession& session, const QString& roomNumber);

// The state a lamp text stands for; blanks at both ends do not count. Any text other than
// "空闲" and "入客" means a service is running.
RoomState stateOfLampText(const QString& lampText);

// The number of every technician line, top first, each followed by one blank; a technician
// released at checkout shows with "*" before his number.
QString technicianNumbers(const OpenBill& bill);
// The same for the lamp's tooltip, each number marked with how the guest took him: "03(点)"
// asked for by number, "05(轮)" the next in the queue; "*01(轮)" released.
QString technicianCalls(const OpenBill& bill);

// What the room service dialog is opened with after a click on a lamp showing `lampText`.
// A lamp that shows a service for a room without a bill sets `unrecognised`; the room is
// then opened as an idle one.
RoomServiceRequest requestForLamp(
    const DeskSession& session, const QString& roomNumber, const QString& lampText, bool* unrecognised = nullptr);

// Applies the end of the room service dialog through the desk session:
// - the stay ended (closed): the room is idle;
// - "确定" on a room with a bill: the bill takes the lines and counts, its start time stays;
// - "确定" with "上钟" and no bill: the bill of the dialog opens;
// - "确定" without "上钟" and no bill: the room has a guest;
// - otherwise (Esc, close box): nothing changes.
// A refusal or a failed write leaves the room as it was.
Outcome<> applyOutcome(DeskSession& session, const QString& roomNumber, const RoomServiceOutcome& outcome);

} // namespace RoomStates
