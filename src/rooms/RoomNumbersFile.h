#pragma once

#include <QList>
#include <QString>

#include <optional>

class MessageService;
class SettingPlace;

// Room numbers and seat counts of one room group: pagesel0.dat .. pagesel4.dat, 320 bytes,
// 80 little-endian int32 (40 room numbers, then 40 seat counts).
struct RoomNumbers
{
    static constexpr int RoomCount = 40;
    static constexpr int FileSize = RoomCount * 2 * 4;

    QList<qint32> numbers = QList<qint32>(RoomCount, 0);
    QList<qint32> seats = QList<qint32>(RoomCount, 0);

    // "pagesel0.dat" .. "pagesel4.dat"; "pagesel.dat" for any other group index.
    static QString fileName(int groupIndex);
    // The first group of a new installation: rooms 101 to 140.
    static RoomNumbers delivered();

    // Missing file: "打开一个二进制文件失败!" and nothing. A short file leaves its missing values 0.
    static std::optional<RoomNumbers> read(SettingPlace& place, const QString& fileName, MessageService& messages);
    bool write(SettingPlace& place, const QString& fileName, MessageService& messages) const;

    // Writes a file of unnumbered rooms for each group from `firstNew` to `count` - 1 that has
    // none, so that the start after the group count grew finds every new group's file. A
    // group below `firstNew` whose file has gone missing is left to the message at start.
    static bool writeNewGroups(SettingPlace& place, int firstNew, int count, MessageService& messages);
};
