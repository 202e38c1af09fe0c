#pragma once

#include <QDialog>
#include <QStringList>

struct AppServices;
class QListWidget;

// "换房": the guest of one room, with the room's open bill when it is in service, goes to an
// idle room chosen from the list; the lamps swap and the clocks run on. "确定" moves the guest
// through the desk session in one action; a refusal is shown and the dialog stays, listing the
// idle rooms as they are now.
class MoveGuestDialog : public QDialog
{
    Q_OBJECT

public:
    // `idleRooms` are the rooms of the board that may take the guest, in board order.
    MoveGuestDialog(
        AppServices& services, const QString& room, const QStringList& idleRooms, QWidget* parent = nullptr);

    // The room the guest went to, once "确定" moved him.
    QString movedTo() const { return m_movedTo; }

private:
    void confirm();

    AppServices& m_services;
    QString m_room;
    QListWidget* m_rooms;
    QString m_movedTo;
};
