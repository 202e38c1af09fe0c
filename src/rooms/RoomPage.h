#pragma once

#include "rooms/RoomServiceExchange.h"

#include <QList>
#include <QWidget>

struct AppServices;
class ClockWatch;
class QMenu;
class QScrollArea;
class RoomBoard;
class RoomCell;

// One room group: 40 rooms in 5 rows of 8, each with its lamp, number and seat label. The
// numbers and seats come from the room board; the lamps show the rooms' states as the desk
// session holds them and follow its changes. A page too small for its rooms scrolls.
class RoomPage : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RoomCount = 40;
    static constexpr int Columns = 8;
    static constexpr int Rows = 5;
    // Below this size the rooms do not fit; the page then scrolls.
    static constexpr int MinimumGridWidth = 660;
    static constexpr int MinimumGridHeight = 350;

    RoomPage(int groupIndex, RoomBoard& board, AppServices& services, QWidget* parent = nullptr);

    int groupIndex() const { return m_groupIndex; }

    // The room service dialog that a lamp click opens. Without one a click does nothing.
    void setRoomServiceOpener(RoomServiceOpener opener) { m_opener = std::move(opener); }
    // The clocks of the rooms in service, shown on their lamps as the watch reads them.
    void setClockWatch(const ClockWatch* watch);

    // Room 1 to 40 of this page that shows `number`; 0 when none does.
    int roomWithNumber(const QString& number) const;

    // Room 1 to 40 of this page.
    RoomCell* room(int room) const;
    QString lampText(int room) const;
    QString numberText(int room) const;
    QString seatText(int room) const;

    // Shows the numbers, seats and lamp states again.
    void refreshRooms();

    // Writes the room numbers and seats of this group to its pagesel file.
    void saveRoomNumbers();
    // Numbers the rooms of this group in one go (menu "快速设置房间号(&K)").
    void runQuickNumbering();

    // What a click on a room's lamp, number label or seat label does.
    void openRoomService(int room);
    void editNumber(int room);
    void editSeats(int room);

    // The menu of a right click on a room's lamp: "换房" for a room with a guest or a bill,
    // "换技师" for a room in service (object names moveGuestAction, changeTechnicianAction),
    // each disabled otherwise. The caller owns it.
    QMenu* roomMenu(int room);
    // "换房": the guest of the room, with its bill, goes to an idle room chosen in a dialog.
    void moveGuest(int room);
    // "换技师": a technician of the room in service gives his place to another.
    void changeTechnician(int room);

private:
    void refreshRoom(int room);
    void showLamp(int room, const QString& number);
    // The session changed the room with this number: its lamp, if it is on this page.
    void showRoomState(const QString& number);

    int m_groupIndex;
    RoomBoard& m_board;
    AppServices& m_services;
    RoomServiceOpener m_opener;
    const ClockWatch* m_clockWatch = nullptr;
    QScrollArea* m_scroll;
    QList<RoomCell*> m_cells;
};
