#include "rooms/RoomNumbersFile.h"

#include "app/SettingFile.h"
#include "app/SettingPlace.h"

#include <algorithm>

QString RoomNumbers::fileName(int groupIndex)
{
    if (groupIndex >= 0 && groupIndex <= 4)
        return QStringLiteral("pagesel%1.dat").arg(groupIndex);
    return QStringLiteral("pagesel.dat");
}

RoomNumbers RoomNumbers::delivered()
{
    RoomNumbers rooms;
    for (int i = 0; i < RoomCount; ++i) {
        rooms.numbers[i] = 101 + i;
        rooms.seats[i] = (i % 8 == 7) ? 4 : 2; // a larger room closes every row
    }
    return rooms;
}

std::optional<RoomNumbers> RoomNumbers::read(SettingPlace& place, const QString& fileName, MessageService& messages)
{
    const std::optional<QByteArray> bytes = place.read(fileName, FileSize, messages);
    if (!bytes)
        return std::nullopt;
    const QList<qint32> values = UnpackInt32List(*bytes, RoomCount * 2);
    RoomNumbers rooms;
    rooms.numbers = values.mid(0, RoomCount);
    rooms.seats = values.mid(RoomCount, RoomCount);
    return rooms;
}

bool RoomNumbers::write(SettingPlace& place, const QString& fileName, MessageService& messages) const
{
    return place.write(fileName, PackInt32List(numbers + seats), messages);
}

bool RoomNumbers::writeNewGroups(SettingPlace& place, int firstNew, int count, MessageService& messages)
{
    bool written = true;
    for (int group = std::max(firstNew, 0); group < count; ++group) {
        const QString name = fileName(group);
        if (!place.holds(name) && !RoomNumbers().write(place, name, messages))
            written = false;
    }
    return written;
}
