#pragma once

#include <QAbstractButton>
#include <QPixmap>

// The lamp button of one room: a bulb and the room's state text ("空闲", "入客" or the
// technician numbers). The bulb is grey while the room is idle and lights up in colour while
// the mouse is over it; it stays lit while a guest is in or a service is running.
class RoomLamp : public QAbstractButton
{
    Q_OBJECT

public:
    explicit RoomLamp(QWidget* parent = nullptr);

    void setLit(bool lit);
    bool isLit() const { return m_lit; }
    // Whether the bulb is drawn in colour now: lit, or idle with the mouse over it.
    bool showsLitBulb() const { return m_lit || m_hovered; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap bulb(int size, bool lit) const;

    bool m_lit = false;
    bool m_hovered = false;
    mutable QPixmap m_bulbs[2];
    mutable int m_bulbSize = 0;
    mutable qreal m_bulbRatio = 0;
};
