#pragma once

#include "rooms/RoomServiceExchange.h"

#include <QString>

struct DeskState;

// The state of one room. It is kept in the desk state, not in the lamp: a room with an
// entry in the room service table is in service, a room in the guest-in set has a guest,
// every other room is idle.
enum class RoomState { Idle, GuestIn, InService };

namespace RoomStates {

inline const QString IdleText = QStringLiteral("空闲");
inline const QString GuestInText = QStringLiteral("入客");
inline const QString UnrecognisedText = QStringLiteral("操作错误,系统无法识别!");

RoomState stateOf(const DeskState& desk, const QString& roomNumber);

// The lamp text of a room: "空闲", "入客", or the technician numbers of its record.
QString lampText(const DeskState& desk, const QString& roomNumber);

// The state a lamp text stands for; blanks at both ends do not count. Any text other than
// "空闲" and "入客" means a service is running.
RoomState stateOfLampText(const QString& lampText);

// The first cell of every technician row, in text order, each followed by one blank.
QString technicianNumbers(const QString& technicianRows);

// What the room service dialog is opened with after a click on a lamp showing `lampText`.
// A lamp that shows a service for a room without a record sets `unrecognised`; the room is
// then opened as an idle one.
RoomServiceRequest requestForLamp(
    const DeskState& desk, const QString& roomNumber, const QString& lampText, bool* unrecognised = nullptr);

// Applies the end of the room service dialog to the desk state:
// - the stay ended (closed): the room is idle;
// - "确定" on a room with a record: the record takes the rows and counts, its start time stays;
// - "确定" with "上钟" and no record: a new record from the dialog's values;
// - "确定" without "上钟" and no record: the room has a guest;
// - otherwise (Esc, close box): nothing changes.
// Returns the room's state afterwards.
RoomState applyOutcome(DeskState& desk, const QString& roomNumber, const RoomServiceOutcome& outcome);

} // namespace RoomStates
