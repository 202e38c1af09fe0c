#pragma once

#include "desk/ServiceClock.h"
#include "rooms/LampText.h"

#include <QAbstractButton>
#include <QPixmap>

// The lamp button of one room: a bulb and the room's state text ("空闲", "入客" or the
// technician numbers). The bulb is grey while the room is idle and lights up in colour while
// the mouse is over it; it stays lit while a guest is in or a service is running. The text
// wraps and shrinks until every number fits the face (LampText); a room of many technicians
// makes the bulb smaller before the numbers become hard to read.
//
// A room in service also shows, on a line of its own under the numbers, the minutes since its
// service started; the face turns amber when the end of its clocks is near and red once they
// are over.
class RoomLamp : public QAbstractButton
{
    Q_OBJECT

public:
    static inline const QString StateToolTip = QStringLiteral("房间状态,入客或上钟");

    explicit RoomLamp(QWidget* parent = nullptr);

    // The part of the face beside the bulb that holds the text.
    QRect textArea() const;
    // The text as the face shows it now, in its lines and font.
    LampText shownText() const;

    void setLit(bool lit);
    bool isLit() const { return m_lit; }

    // The minutes line ("35分钟"; empty for none) and the alert of the room's clocks.
    void setClock(const QString& minutesText, ClockAlert alert);
    QString minutesText() const { return m_minutesText; }
    ClockAlert alert() const { return m_alert; }
    // Whether the bulb is drawn in colour now: lit, or idle with the mouse over it.
    bool showsLitBulb() const { return m_lit || m_hovered; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    static constexpr int BulbLeft = 3;
    static constexpr int ReadablePixelSize = 12;

    // How the face is shared between the bulb and the text.
    struct Face
    {
        int bulbSize = 0;
        QRect textArea;
        LampText text;
    };
    Face face() const;
    QRect textAreaBeside(int bulbSize) const;
    QPixmap bulb(int size, bool lit) const;

    bool m_lit = false;
    bool m_hovered = false;
    QString m_minutesText;
    ClockAlert m_alert = ClockAlert::Normal;
    mutable QPixmap m_bulbs[2];
    mutable int m_bulbSize = 0;
    mutable qreal m_bulbRatio = 0;
};
