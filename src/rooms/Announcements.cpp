#include "rooms/Announcements.h"

#include "app/HouseSettings.h"
#include "app/Speech.h"

namespace Announcements {

QString technicianCall(const QString& technician, const QString& room)
{
    return QStringLiteral("请 %1 号技师到 %2 房上钟").arg(technician, room);
}

QString roomDue(const QString& room)
{
    return QStringLiteral("%1 房已到钟").arg(room);
}

bool sayUnlessSilenced(Speech& speech, Database& database, QStringView silenced, const QString& text)
{
    if (!speech.available())
        return false;
    QString error;
    if (HouseSettings::isOn(database, silenced, &error) || !error.isEmpty())
        return false;
    speech.say(text);
    return true;
}

} // namespace Announcements
