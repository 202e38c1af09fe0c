#include "rooms/RoomState.h"

#include "app/DeskState.h"
#include "app/LeadingNumber.h"
#include "app/RowText.h"

namespace RoomStates {

namespace {

constexpr int TechnicianColumns = 4;

void takeCounts(RoomServiceRecord& record, const RoomServiceOutcome& outcome)
{
    record.massageClocks = LeadingInt(outcome.massageText);
    record.footWashClocks = LeadingInt(outcome.footWashText);
    record.pedicureCount = LeadingInt(outcome.pedicureText);
    record.technicianRows = outcome.technicianRows;
    record.goodsRows = outcome.goodsRows;
}

} // namespace

RoomState stateOf(const DeskState& desk, const QString& roomNumber)
{
    if (desk.roomServiceTable.contains(roomNumber))
        return RoomState::InService;
    if (desk.guestInRooms.contains(roomNumber))
        return RoomState::GuestIn;
    return RoomState::Idle;
}

QString lampText(const DeskState& desk, const QString& roomNumber)
{
    switch (stateOf(desk, roomNumber)) {
    case RoomState::InService:
        return technicianNumbers(desk.roomServiceTable.value(roomNumber).technicianRows);
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

QString technicianNumbers(const QString& technicianRows)
{
    QString numbers;
    for (const QStringList& row : RowText::toRows(technicianRows, TechnicianColumns)) {
        numbers += row.first();
        numbers += u' ';
    }
    return numbers;
}

RoomServiceRequest requestForLamp(
    const DeskState& desk, const QString& roomNumber, const QString& lampText, bool* unrecognised)
{
    RoomServiceRequest request;
    request.roomNumber = roomNumber;
    bool missing = false;
    if (stateOfLampText(lampText) == RoomState::InService) {
        const auto found = desk.roomServiceTable.constFind(roomNumber);
        if (found != desk.roomServiceTable.constEnd()) {
            request.inService = true;
            request.record = found.value();
        } else {
            missing = true;
        }
    }
    if (unrecognised)
        *unrecognised = missing;
    return request;
}

RoomState applyOutcome(DeskState& desk, const QString& roomNumber, const RoomServiceOutcome& outcome)
{
    if (outcome.closed) {
        // Checkout and voiding remove the record themselves; removing it here again keeps the
        // room idle whichever way the stay ended.
        desk.roomServiceTable.remove(roomNumber);
        desk.guestInRooms.remove(roomNumber);
    } else if (outcome.accepted) {
        const auto found = desk.roomServiceTable.find(roomNumber);
        if (found != desk.roomServiceTable.end()) {
            takeCounts(found.value(), outcome);
            desk.guestInRooms.remove(roomNumber);
        } else if (outcome.inService) {
            RoomServiceRecord record;
            record.startTime = outcome.startTime;
            takeCounts(record, outcome);
            desk.roomServiceTable.insert(roomNumber, record);
            desk.guestInRooms.remove(roomNumber);
        } else {
            desk.guestInRooms.insert(roomNumber);
        }
    }
    return stateOf(desk, roomNumber);
}

} // namespace RoomStates
