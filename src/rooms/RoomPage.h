#pragma once

#include <QWidget>

struct AppServices;

// One room group: 40 rooms in 5 rows of 8, each with its lamp, number and seat label.
class RoomPage : public QWidget
{
    Q_OBJECT

public:
    RoomPage(int groupIndex, AppServices& services, QWidget* parent = nullptr);

    int groupIndex() const { return m_groupIndex; }

    // Writes the room numbers and seats of this group to its pagesel file.
    void saveRoomNumbers();
    // Numbers the rooms of this group in one go (menu "快速设置房间号(&K)").
    void runQuickNumbering();

private:
    int m_groupIndex;
    AppServices& m_services;
};
