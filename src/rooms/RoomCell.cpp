#include "rooms/RoomCell.h"

#include "rooms/RoomLamp.h"
#include "rooms/RoomState.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

RoomCell::RoomCell(int room, QWidget* parent)
    : QWidget(parent)
    , m_room(room)
    , m_lamp(new RoomLamp(this))
{
    setObjectName(QStringLiteral("room%1").arg(room));
    m_lamp->setObjectName(QStringLiteral("lamp%1").arg(room));
    m_lamp->setText(RoomStates::IdleText);
    m_number = makeLabel(QStringLiteral("000"), QStringLiteral("number%1").arg(room));
    m_seats = makeLabel(QStringLiteral("0"), QStringLiteral("seats%1").arg(room));
    connect(m_lamp, &RoomLamp::clicked, this, &RoomCell::lampClicked);
    resize(BaseWidth, BaseHeight);
}

QLabel* RoomCell::makeLabel(const QString& text, const QString& objectName)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    label->setCursor(Qt::PointingHandCursor);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 250));
    palette.setColor(QPalette::WindowText, QColor(20, 20, 20));
    label->setPalette(palette);
    label->installEventFilter(this);
    return label;
}

void RoomCell::resizeEvent(QResizeEvent*)
{
    // The base positions: number label (3, 3) 40x18, seat label (57, 3) 18x18, lamp below
    // the labels from y 20 to the bottom. They scale with the cell.
    const qreal sx = width() / qreal(BaseWidth);
    const qreal sy = height() / qreal(BaseHeight);
    const auto place = [sx, sy](QWidget* widget, qreal x, qreal y, qreal w, qreal h) {
        widget->setGeometry(qRound(x * sx), qRound(y * sy), qRound(w * sx), qRound(h * sy));
    };
    place(m_number, 3, 3, 40, 18);
    place(m_seats, 57, 3, 20, 18);
    place(m_lamp, 2, 22, 76, 42);

    QFont labelFont(QStringLiteral("宋体"));
    labelFont.setPixelSize(std::max(12, qRound(12 * sy)));
    m_number->setFont(labelFont);
    m_seats->setFont(labelFont);
    QFont lampFont(QStringLiteral("宋体"));
    lampFont.setPixelSize(std::max(13, qRound(13 * sy)));
    m_lamp->setFont(lampFont);
}

void RoomCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, QColor(236, 232, 220));
    // A relief two pixels deep: white at top and left, near black at bottom and right.
    for (int inset = 0; inset < 2; ++inset) {
        const QRect edge = frame.adjusted(inset, inset, -inset, -inset);
        painter.setPen(Qt::white);
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(QColor(20, 20, 20));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
    }
}

bool RoomCell::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = qobject_cast<QLabel*>(watched);
        if (mouse->button() == Qt::LeftButton && label && label->rect().contains(mouse->position().toPoint())) {
            if (label == m_number)
                emit numberClicked();
            else if (label == m_seats)
                emit seatClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
