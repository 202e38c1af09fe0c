#include "rooms/RoomLamp.h"

#include "skin/Artwork.h"
#include "skin/PaintedText.h"

#include <QPainter>

#include <algorithm>

RoomLamp::RoomLamp(QWidget* parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(StateToolTip);
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

void RoomLamp::setClock(const QString& minutesText, ClockAlert alert)
{
    if (m_minutesText == minutesText && m_alert == alert)
        return;
    m_minutesText = minutesText;
    m_alert = alert;
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
    const QRect panel = rect().adjusted(0, 0, -1, -1);

    // A raised face that sinks while pressed.
    const bool sunk = isDown();
    QLinearGradient fill(panel.topLeft(), panel.bottomLeft());
    switch (m_lit ? m_alert : ClockAlert::Normal) {
    case ClockAlert::Due:
        fill.setColorAt(0, QColor(255, 196, 186));
        fill.setColorAt(1, QColor(236, 96, 82));
        break;
    case ClockAlert::Warning:
        fill.setColorAt(0, QColor(255, 236, 190));
        fill.setColorAt(1, QColor(250, 180, 70));
        break;
    case ClockAlert::Normal:
        fill.setColorAt(0, m_lit ? QColor(255, 250, 225) : QColor(250, 250, 250));
        fill.setColorAt(1, m_lit ? QColor(245, 225, 170) : QColor(222, 222, 222));
        break;
    }
    painter.fillRect(panel, fill);
    painter.setPen(sunk ? QColor(20, 20, 20) : Qt::white);
    painter.drawLine(panel.topLeft(), panel.topRight());
    painter.drawLine(panel.topLeft(), panel.bottomLeft());
    painter.setPen(sunk ? Qt::white : QColor(120, 120, 120));
    painter.drawLine(panel.bottomLeft(), panel.bottomRight());
    painter.drawLine(panel.topRight(), panel.bottomRight());
    if (hasFocus()) {
        painter.setPen(QPen(QColor(60, 110, 200), 1, Qt::DotLine));
        painter.drawRect(panel.adjusted(2, 2, -2, -2));
    }

    const int offset = sunk ? 1 : 0;
    const Face shownFace = face();
    const int size = shownFace.bulbSize;
    const QRect bulbRect(BulbLeft + offset, (height() - size) / 2 + offset, size, size);
    painter.drawPixmap(bulbRect, bulb(size, showsLitBulb()));

    // A room served by many technicians shows every number, on as many lines as it takes.
    const LampText& shown = shownFace.text;
    const QRect area = shownFace.textArea.translated(offset, offset);
    const int lineHeight = LampText::lineHeight(shown.font);
    int y = area.top() + (area.height() - lineHeight * static_cast<int>(shown.lines.size())) / 2;
    painter.setFont(shown.font);
    painter.setPen(isEnabled() ? QColor(20, 20, 20) : QColor(140, 140, 140));
    for (const QString& line : shown.lines) {
        painter.drawText(QRect(area.left(), y, area.width(), lineHeight), Qt::AlignCenter, line);
        y += lineHeight;
    }
}

QRect RoomLamp::textAreaBeside(int bulbSize) const
{
    const int left = BulbLeft + bulbSize + 2;
    return { left, 2, std::max(1, width() - left - 3), std::max(1, height() - 4) };
}

RoomLamp::Face RoomLamp::face() const
{
    // The bulb leaves the larger part of the face to the text; when the text would have to
    // shrink below an easily read size, the bulb gives up to two fifths of its size first.
    const int largest = std::max(12, std::min(height() - 6, width() * 2 / 5));
    const int smallest = std::max(12, largest * 3 / 5);
    const int readable = std::min(font().pixelSize(), ReadablePixelSize);
    const QStringList extraLines = m_minutesText.isEmpty() ? QStringList() : QStringList { m_minutesText };
    Face best;
    for (int size = largest; size >= smallest; size -= 2) {
        Face candidate { size, textAreaBeside(size), {} };
        candidate.text = LampText::fit(text(), candidate.textArea.size(), font(), extraLines);
        const bool better = candidate.text.complete != best.text.complete
            ? candidate.text.complete
            : candidate.text.font.pixelSize() > best.text.font.pixelSize();
        if (size == largest || better)
            best = candidate;
        if (best.text.complete && best.text.font.pixelSize() >= readable)
            break;
    }
    return best;
}

QRect RoomLamp::textArea() const
{
    return face().textArea;
}

LampText RoomLamp::shownText() const
{
    return face().text;
}
