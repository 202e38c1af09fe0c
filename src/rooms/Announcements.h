#pragma once

#include <QString>
#include <QStringView>

class Database;
class Speech;

// What the desk says aloud, and whether it says it: each announcement has a house switch
// (HouseSettings::CallingTechniciansSilenced, HouseSettings::DueRoomsSilenced) that is on
// until a manager turns it off.
namespace Announcements {

// "请 12 号技师到 208 房上钟": the technician's number as stored, the room's as shown.
QString technicianCall(const QString& technician, const QString& room);
// "208 房已到钟".
QString roomDue(const QString& room);

// Hands `text` to `speech` when it has a voice and the house has not silenced the
// announcement with the switch `silenced`. A switch that cannot be read keeps the desk quiet.
// Returns whether the text was handed over.
bool sayUnlessSilenced(Speech& speech, Database& database, QStringView silenced, const QString& text);

} // namespace Announcements
