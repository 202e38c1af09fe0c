#pragma once

#include "rooms/RoomNumbersFile.h"

#include <QList>
#include <QString>
#include <QStringList>

class MessageService;
class DeskSession;
class SettingPlace;

// The room numbers and seat counts of every room group the desk shows, one pagesel file per
// group. A room number is the key of the room's bill in the desk session, so the board keeps
// every number unique across all groups and refuses to renumber a room with a guest or a
// service running. Every change is written to the group's file at once, so that a crash
// does not lose a renumbering.
//
// Rooms are counted 1 to 40 within a group; groups 0 to groupCount() - 1.
class RoomBoard
{
public:
    static constexpr int RoomCount = RoomNumbers::RoomCount;
    static constexpr int MaxGroups = 5;

    inline static const QString DuplicateText = QStringLiteral("已经有这个房间编号了,请更改为其它!");
    inline static const QString RoomInUseText = QStringLiteral("这个房间有客人或正在上钟,不能更改房间编号!");
    inline static const QString UnnumberedText
        = QStringLiteral("这个房间没有编号或编号与其它房间相同,请先设置房间编号!");

    // Groups beyond MaxGroups are not kept. Each group's numbers are read from and written to
    // `place`.
    RoomBoard(SettingPlace& place, int groupCount);

    // Reads the file of every group. A group whose file cannot be read shows "打开一个二进制文件
    // 失败!" once and keeps its rooms unnumbered ("000" and "0"); its file is written at the
    // first change or when the desk closes.
    void load(MessageService& messages);
    // Writes one group's file whole; "创建一个二进制文件失败!" when that fails.
    bool save(int group, MessageService& messages) const;

    int groupCount() const { return static_cast<int>(m_groups.size()); }
    qint32 number(int group, int room) const;
    qint32 seats(int group, int room) const;
    // The texts of the room's labels. The number text is also the room's key in the desk
    // session (its open bill, its guest).
    QString numberText(int group, int room) const;
    QString seatText(int group, int room) const;

    // Whether any room of any group has this number.
    bool numberTaken(qint32 number) const;
    // A room can take a guest only with a number that no other room has; 0 means unnumbered.
    bool hasOwnNumber(int group, int room) const;
    bool isIdle(int group, int room, const DeskSession& session) const;
    // The numbers of the rooms that may take a guest now (idle, numbered alone), group by
    // group, room by room: where "换房" may send one.
    QStringList idleRoomNumbers(const DeskSession& session) const;

    // The refusal of giving a room this number (the room is in use, or another room shows the
    // number; the room's own number counts too), or empty when the change may be made.
    QString numberChangeRefusal(int group, int room, qint32 number, const DeskSession& session) const;
    // Sets and saves; the change stays on the board even when the file cannot be written, and
    // is written again when the desk closes.
    bool setNumber(int group, int room, qint32 number, MessageService& messages);
    bool setSeats(int group, int room, qint32 seats, MessageService& messages);

    // The numbers quick numbering gives to rooms 1, 2, ... : from `start` up to `end`, skipping
    // the unwanted numbers, at most one per room.
    static QList<qint32> quickNumbers(int start, int end, const QList<int>& unwanted);
    // The refusal of giving rooms 1, 2, ... of the group these numbers, or empty. A room in use
    // keeps its number: the numbering is refused when it would change one; and a number shown
    // by a room outside the numbered rooms (here or on another page) may not be given again.
    QString quickNumberingRefusal(int group, const QList<qint32>& numbers, const DeskSession& session) const;
    bool applyQuickNumbering(int group, const QList<qint32>& numbers, MessageService& messages);

private:
    struct Group
    {
        RoomNumbers rooms;
        bool loaded = false; // its file was read: labels show the numbers even when 0
    };

    bool isValid(int group, int room) const;
    int roomsWithNumber(qint32 number) const;

    SettingPlace& m_place;
    QList<Group> m_groups;
};
