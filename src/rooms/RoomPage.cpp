#include "rooms/RoomPage.h"

#include "app/AppServices.h"

RoomPage::RoomPage(int groupIndex, AppServices& services, QWidget* parent)
    : QWidget(parent)
    , m_groupIndex(groupIndex)
    , m_services(services)
{ }

void RoomPage::saveRoomNumbers() { }

void RoomPage::runQuickNumbering() { }
