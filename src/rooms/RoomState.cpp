#include "rooms/RoomState.h"

namespace RoomStates {

QString lampText(const DeskSession& session, const QString& roomNumber)
{
    switch (session.roomState(roomNumber)) {
    case RoomState::InService:
        return technicianNumbers(*session.bill(roomNumber));
    case RoomState::GuestIn:
        return GuestInText;
    case RoomState::Idle:
        break;
    }
    return IdleText;
}

RoomState stateOfLampText(const QString& lampText)
{
    const QString text = lampText.trimmed();
    if (text == IdleText)
        return RoomState::Idle;
    if (text == GuestInText)
        return RoomState::GuestIn;
    return RoomState::InService;
}

QString technicianNumbers(const OpenBill& bill)
{
    QString numbers;
    for (const TechnicianLine& line : bill.technicians) {
        if (line.released)
            numbers += u'*';
        numbers += line.number;
        numbers += u' ';
    }
    return numbers;
}

QString technicianCalls(const OpenBill& bill)
{
    QStringList calls;
    for (const TechnicianLine& line : bill.technicians) {
        calls << (line.released ? QStringLiteral("*") : QString()) + line.number
                + (line.requested ? QStringLiteral("(点)") : QStringLiteral("(轮)"));
    }
    return calls.join(u' ');
}

RoomServiceRequest requestForLamp(
    const DeskSession& session, const QString& roomNumber, const QString& lampText, bool* unrecognised)
{
    RoomServiceRequest request;
    request.roomNumber = roomNumber;
    bool missing = false;
    if (stateOfLampText(lampText) == RoomState::InService) {
        if (const std::optional<OpenBill> bill = session.bill(roomNumber)) {
            request.inService = true;
            request.bill = *bill;
        } else {
            missing = true;
        }
    }
    if (unrecognised)
        *unrecognised = missing;
    return request;
}

Outcome<> applyOutcome(DeskSession& session, const QString& roomNumber, const RoomServiceOutcome& outcome)
{
    if (outcome.closed) {
        // Checkout and voiding close the room themselves; closing it here again keeps the room
        // idle whichever way the stay ended.
        return session.closeRoom(roomNumber);
    }
    if (!outcome.accepted)
        return {};
    if (session.roomState(roomNumber) == RoomState::InService)
        return session.replaceBill(roomNumber, outcome.bill);
    if (outcome.inService)
        return session.openBill(roomNumber, outcome.bill);
    return session.markGuestIn(roomNumber);
}

} // namespace RoomStates
