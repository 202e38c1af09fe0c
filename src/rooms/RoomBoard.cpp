#include "rooms/RoomBoard.h"

#include "app/MessageService.h"
#include "desk/DeskSession.h"

#include <algorithm>

RoomBoard::RoomBoard(SettingPlace& place, int groupCount)
    : m_place(place)
    , m_groups(std::clamp(groupCount, 0, MaxGroups))
{ }

void RoomBoard::load(MessageService& messages)
{
    for (int group = 0; group < groupCount(); ++group) {
        if (std::optional<RoomNumbers> rooms = RoomNumbers::read(m_place, RoomNumbers::fileName(group), messages)) {
            m_groups[group].rooms = *rooms;
            m_groups[group].loaded = true;
        }
    }
}

bool RoomBoard::save(int group, MessageService& messages) const
{
    if (group < 0 || group >= groupCount())
        return false;
    return m_groups[group].rooms.write(m_place, RoomNumbers::fileName(group), messages);
}

bool RoomBoard::isValid(int group, int room) const
{
    return group >= 0 && group < groupCount() && room >= 1 && room <= RoomCount;
}

qint32 RoomBoard::number(int group, int room) const
{
    return isValid(group, room) ? m_groups[group].rooms.numbers[room - 1] : 0;
}

qint32 RoomBoard::seats(int group, int room) const
{
    return isValid(group, room) ? m_groups[group].rooms.seats[room - 1] : 0;
}

QString RoomBoard::numberText(int group, int room) const
{
    const qint32 value = number(group, room);
    if (value == 0 && isValid(group, room) && !m_groups[group].loaded)
        return QStringLiteral("000");
    return QString::number(value);
}

QString RoomBoard::seatText(int group, int room) const
{
    return QString::number(seats(group, room));
}

int RoomBoard::roomsWithNumber(qint32 value) const
{
    int count = 0;
    for (const Group& group : m_groups)
        count += static_cast<int>(group.rooms.numbers.count(value));
    return count;
}

bool RoomBoard::numberTaken(qint32 value) const
{
    return roomsWithNumber(value) > 0;
}

bool RoomBoard::hasOwnNumber(int group, int room) const
{
    const qint32 value = number(group, room);
    return isValid(group, room) && value != 0 && roomsWithNumber(value) == 1;
}

bool RoomBoard::isIdle(int group, int room, const DeskSession& session) const
{
    return session.roomState(numberText(group, room)) == RoomState::Idle;
}

QString RoomBoard::numberChangeRefusal(int group, int room, qint32 value, const DeskSession& session) const
{
    if (!isIdle(group, room, session))
        return RoomInUseText;
    if (numberTaken(value))
        return DuplicateText;
    return {};
}

bool RoomBoard::setNumber(int group, int room, qint32 value, MessageService& messages)
{
    if (!isValid(group, room))
        return false;
    m_groups[group].rooms.numbers[room - 1] = value;
    return save(group, messages);
}

bool RoomBoard::setSeats(int group, int room, qint32 value, MessageService& messages)
{
    if (!isValid(group, room))
        return false;
    m_groups[group].rooms.seats[room - 1] = value;
    return save(group, messages);
}

QList<qint32> RoomBoard::quickNumbers(int start, int end, const QList<int>& unwanted)
{
    QList<qint32> numbers;
    qint32 next = start;
    while (numbers.size() < RoomCount) {
        while (unwanted.contains(next) && next <= end)
            ++next;
        if (next > end)
            break;
        numbers.append(next++);
    }
    return numbers;
}

QString RoomBoard::quickNumberingRefusal(int group, const QList<qint32>& numbers, const DeskSession& session) const
{
    if (group < 0 || group >= groupCount())
        return {};
    const int numbered = std::min(static_cast<int>(numbers.size()), static_cast<int>(RoomCount));

    QStringList inUse;
    for (int room = 1; room <= numbered; ++room) {
        if (number(group, room) != numbers[room - 1] && !isIdle(group, room, session))
            inUse << numberText(group, room);
    }
    if (!inUse.isEmpty())
        return QStringLiteral("房间%1有客人或正在上钟,不能更改房间编号!").arg(inUse.join(u'、'));

    QStringList taken;
    for (int other = 0; other < groupCount(); ++other) {
        const int firstOutside = other == group ? numbered + 1 : 1;
        for (int room = firstOutside; room <= RoomCount; ++room) {
            const qint32 value = number(other, room);
            if (numbers.mid(0, numbered).contains(value) && !taken.contains(QString::number(value)))
                taken << QString::number(value);
        }
    }
    if (!taken.isEmpty())
        return QStringLiteral("房间编号%1已被其它房间使用,请更改编号范围!").arg(taken.join(u'、'));
    return {};
}

bool RoomBoard::applyQuickNumbering(int group, const QList<qint32>& numbers, MessageService& messages)
{
    if (group < 0 || group >= groupCount())
        return false;
    const int numbered = std::min(static_cast<int>(numbers.size()), static_cast<int>(RoomCount));
    for (int room = 1; room <= numbered; ++room)
        m_groups[group].rooms.numbers[room - 1] = numbers[room - 1];
    return save(group, messages);
}

QStringList RoomBoard::idleRoomNumbers(const DeskSession& session) const
{
    QStringList rooms;
    for (int group = 0; group < groupCount(); ++group) {
        for (int room = 1; room <= RoomNumbers::RoomCount; ++room) {
            if (hasOwnNumber(group, room) && isIdle(group, room, session))
                rooms.append(numberText(group, room));
        }
    }
    return rooms;
}
