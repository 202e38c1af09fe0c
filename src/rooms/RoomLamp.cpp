#include "rooms/RoomLamp.h"

#include "skin/Artwork.h"
#include "skin/PaintedText.h"

#include <QPainter>

#include <algorithm>

RoomLamp::RoomLamp(QWidget* parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("房间状态,入客或上钟"));
    setFocusPolicy(Qt::TabFocus);
    setFont(PaintedFont());
}

void RoomLamp::setLit(bool lit)
{
    if (m_lit == lit)
        return;
    m_lit = lit;
    update();
}

QSize RoomLamp::sizeHint() const
{
    return { 80, 46 };
}

void RoomLamp::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RoomLamp::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

QPixmap RoomLamp::bulb(int size, bool lit) const
{
    // Forty lamps repaint together when the page is shown: draw each bulb once per size.
    const qreal ratio = devicePixelRatioF();
    if (size != m_bulbSize || ratio != m_bulbRatio) {
        for (bool on : { false, true }) {
            QPixmap picture = Artwork::bulb(qRound(size * ratio), on);
            picture.setDevicePixelRatio(ratio);
            m_bulbs[on ? 1 : 0] = picture;
        }
        m_bulbSize = size;
        m_bulbRatio = ratio;
    }
    return m_bulbs[lit ? 1 : 0];
}

void RoomLamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect face = rect().adjusted(0, 0, -1, -1);

    // A raised face that sinks while pressed.
    const bool sunk = isDown();
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    fill.setColorAt(0, m_lit ? QColor(255, 250, 225) : QColor(250, 250, 250));
    fill.setColorAt(1, m_lit ? QColor(245, 225, 170) : QColor(222, 222, 222));
    painter.fillRect(face, fill);
    painter.setPen(sunk ? QColor(20, 20, 20) : Qt::white);
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(sunk ? Qt::white : QColor(120, 120, 120));
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());
    if (hasFocus()) {
        painter.setPen(QPen(QColor(60, 110, 200), 1, Qt::DotLine));
        painter.drawRect(face.adjusted(2, 2, -2, -2));
    }

    const int offset = sunk ? 1 : 0;
    const int bulbSize = std::max(16, std::min(height() - 6, width() / 2 - 4));
    const QRect bulbRect(3 + offset, (height() - bulbSize) / 2 + offset, bulbSize, bulbSize);
    painter.drawPixmap(bulbRect, bulb(bulbSize, showsLitBulb()));

    const QRect textRect(bulbRect.right() + 2 + offset, 2 + offset, width() - bulbRect.right() - 5, height() - 4);
    painter.setPen(isEnabled() ? QColor(20, 20, 20) : QColor(140, 140, 140));
    // A room served by many technicians shows every number: the text shrinks until it fits.
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    const QString shown = text().trimmed();
    QFont textFont = font();
    while (textFont.pixelSize() > 8
        && QFontMetrics(textFont).boundingRect(textRect, flags, shown).height() > textRect.height())
        textFont.setPixelSize(textFont.pixelSize() - 1);
    painter.setFont(textFont);
    painter.drawText(textRect, flags, shown);
}
