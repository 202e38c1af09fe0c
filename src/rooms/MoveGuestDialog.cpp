#include "rooms/MoveGuestDialog.h"

#include "app/MessageService.h"
#include "app/SetbackMessage.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

MoveGuestDialog::MoveGuestDialog(
    AppServices& services, const QString& room, const QStringList& idleRooms, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_room(room)
    , m_rooms(new QListWidget(this))
{
    setObjectName(QStringLiteral("moveGuestDialog"));
    setWindowTitle(QStringLiteral("换房"));

    const bool inService = m_services.session.roomState(room) == RoomState::InService;
    auto* caption = PaintedLabel(QStringLiteral("把%1号房的%2换到下面选中的空房:")
                                     .arg(room, inService ? QStringLiteral("客人和单据") : QStringLiteral("客人")),
        this);
    caption->setObjectName(QStringLiteral("moveCaption"));

    m_rooms->setObjectName(QStringLiteral("idleRoomList"));
    m_rooms->setViewMode(QListView::IconMode); // the rooms side by side, as on the board
    m_rooms->setFlow(QListView::LeftToRight);
    m_rooms->setWrapping(true);
    m_rooms->setResizeMode(QListView::Adjust);
    m_rooms->setMovement(QListView::Static);
    m_rooms->setGridSize(QSize(64, 30));
    m_rooms->setUniformItemSizes(true);
    m_rooms->setMinimumSize(360, 200);
    for (const QString& idle : idleRooms) {
        auto* item = new QListWidgetItem(idle, m_rooms);
        item->setTextAlignment(Qt::AlignCenter);
    }
    if (m_rooms->count() > 0)
        m_rooms->setCurrentRow(0);
    connect(m_rooms, &QListWidget::itemDoubleClicked, this, &MoveGuestDialog::confirm);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &MoveGuestDialog::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(caption);
    layout->addWidget(m_rooms, 1);
    layout->addLayout(buttons);
    m_rooms->setFocus();
}

void MoveGuestDialog::confirm()
{
    const QListWidgetItem* chosen = m_rooms->currentItem();
    if (!chosen || !chosen->isSelected()) {
        m_services.messages.inform(QStringLiteral("请选择要换到的空房!"));
        return;
    }
    const QString to = chosen->text();
    if (const Outcome<> moved = m_services.session.moveGuest(m_room, to); !moved) {
        ShowSetback(m_services.messages, moved);
        // The room chosen is no longer idle: it leaves the list.
        if (m_services.session.roomState(to) != RoomState::Idle)
            delete m_rooms->takeItem(m_rooms->row(chosen));
        return;
    }
    m_movedTo = to;
    accept();
}
