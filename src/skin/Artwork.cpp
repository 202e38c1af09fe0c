#include "skin/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>

namespace {

// Every picture is drawn on a 64 x 64 canvas and scaled by the painter.
constexpr qreal Canvas = 64.0;

void drawPerson(QPainter& p, QPointF centre, qreal scale, const QColor& colour)
{
    p.setPen(QPen(colour.darker(150), 2));
    p.setBrush(colour);
    p.drawEllipse(centre + QPointF(0, -12 * scale), 8 * scale, 8 * scale);
    QPainterPath body;
    body.moveTo(centre + QPointF(-14 * scale, 16 * scale));
    body.cubicTo(centre + QPointF(-14 * scale, -2 * scale), centre + QPointF(14 * scale, -2 * scale),
        centre + QPointF(14 * scale, 16 * scale));
    body.closeSubpath();
    p.drawPath(body);
}

void drawTechnicianStatus(QPainter& p)
{
    drawPerson(p, { 26, 32 }, 1.2, QColor(64, 128, 200));
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(46, 170, 80));
    p.drawEllipse(QPointF(50, 20), 8, 8);
    p.setBrush(QColor(220, 70, 60));
    p.drawEllipse(QPointF(50, 42), 8, 8);
}

void drawRota(QPainter& p)
{
    p.setPen(QPen(QColor(40, 70, 120), 4));
    p.setBrush(QColor(250, 250, 240));
    p.drawEllipse(QPointF(32, 32), 26, 26);
    p.setPen(QPen(QColor(40, 70, 120), 2));
    for (int hour = 0; hour < 12; ++hour) {
        p.save();
        p.translate(32, 32);
        p.rotate(hour * 30.0);
        p.drawLine(QPointF(0, -21), QPointF(0, hour % 3 == 0 ? -16 : -18));
        p.restore();
    }
    p.setPen(QPen(QColor(200, 60, 40), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 32), QPointF(32, 15));
    p.drawLine(QPointF(32, 32), QPointF(44, 38));
}

void drawPrinter(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(18, 6, 28, 20));
    p.setBrush(QColor(120, 130, 150));
    p.drawRoundedRect(QRectF(6, 22, 52, 24), 5, 5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(16, 38, 32, 20));
    p.setPen(QPen(QColor(90, 90, 90), 2));
    for (int y = 44; y <= 52; y += 4)
        p.drawLine(QPointF(21, y), QPointF(43, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 200, 90));
    p.drawEllipse(QPointF(50, 30), 3, 3);
}

void drawBillQuery(QPainter& p)
{
    p.setPen(QPen(QColor(80, 80, 80), 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 4, 34, 46));
    p.setPen(QPen(QColor(140, 140, 140), 2));
    for (int y = 14; y <= 38; y += 8)
        p.drawLine(QPointF(14, y), QPointF(36, y));
    p.setPen(QPen(QColor(30, 90, 170), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(46, 46), QPointF(58, 58));
    p.setPen(QPen(QColor(30, 90, 170), 4));
    p.setBrush(QColor(200, 230, 255, 200));
    p.drawEllipse(QPointF(38, 38), 11, 11);
}

void drawStaffManagement(QPainter& p)
{
    drawPerson(p, { 42, 34 }, 1.0, QColor(230, 150, 60));
    drawPerson(p, { 24, 38 }, 1.15, QColor(64, 128, 200));
}

void drawLogin(QPainter& p)
{
    p.setPen(QPen(QColor(150, 110, 20), 3));
    p.setBrush(QColor(240, 190, 60));
    p.drawEllipse(QPointF(20, 32), 13, 13);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(17, 32), 4, 4);
    p.setBrush(QColor(240, 190, 60));
    QPainterPath blade;
    blade.addRect(QRectF(32, 28, 26, 8));
    blade.addRect(QRectF(46, 36, 5, 8));
    blade.addRect(QRectF(53, 36, 5, 10));
    p.drawPath(blade.simplified());
}

void drawHelp(QPainter& p)
{
    QRadialGradient shade(QPointF(26, 22), 34);
    shade.setColorAt(0, QColor(110, 170, 250));
    shade.setColorAt(1, QColor(20, 80, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QPointF(32, 32), 28, 28);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("?"));
}

QPixmap render(int size, const std::function<void(QPainter&)>& draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(size / Canvas, size / Canvas);
    draw(painter);
    return pixmap;
}

} // namespace

namespace Artwork {

QPixmap picture(Picture which, int size)
{
    switch (which) {
    case Picture::TechnicianStatus:
        return render(size, drawTechnicianStatus);
    case Picture::Rota:
        return render(size, drawRota);
    case Picture::HandOverPrint:
        return render(size, drawPrinter);
    case Picture::BillQuery:
        return render(size, drawBillQuery);
    case Picture::StaffManagement:
        return render(size, drawStaffManagement);
    case Picture::Login:
        return render(size, drawLogin);
    case Picture::Help:
        return render(size, drawHelp);
    }
    return {};
}

QIcon toolbarIcon(Picture which)
{
    QIcon icon;
    for (int size : { 16, 24, 32, 48, 64 })
        icon.addPixmap(picture(which, size));
    return icon;
}

QPixmap bulb(int size, bool lit)
{
    return render(size, [lit](QPainter& p) {
        QRadialGradient glass(QPointF(28, 22), 26);
        if (lit) {
            glass.setColorAt(0, QColor(255, 255, 220));
            glass.setColorAt(0.5, QColor(255, 220, 60));
            glass.setColorAt(1, QColor(240, 150, 0));
        } else {
            glass.setColorAt(0, QColor(245, 245, 245));
            glass.setColorAt(1, QColor(170, 170, 170));
        }
        if (lit) {
            p.setPen(QPen(QColor(255, 200, 40, 160), 2));
            for (int ray = 0; ray < 8; ++ray) {
                p.save();
                p.translate(32, 24);
                p.rotate(ray * 45.0);
                p.drawLine(QPointF(0, -27), QPointF(0, -31));
                p.restore();
            }
        }
        p.setPen(QPen(lit ? QColor(190, 120, 0) : QColor(120, 120, 120), 2));
        p.setBrush(glass);
        QPainterPath shape;
        shape.moveTo(23, 42);
        shape.cubicTo(23, 34, 12, 32, 12, 22);
        shape.arcTo(QRectF(12, 2, 40, 40), 180, -180);
        shape.cubicTo(52, 32, 41, 34, 41, 42);
        shape.closeSubpath();
        p.drawPath(shape);
        p.setBrush(lit ? QColor(150, 150, 160) : QColor(150, 150, 150));
        p.setPen(QPen(QColor(90, 90, 100), 1.5));
        p.drawRoundedRect(QRectF(22, 43, 20, 6), 2, 2);
        p.drawRoundedRect(QRectF(23, 49, 18, 6), 2, 2);
        p.drawRoundedRect(QRectF(26, 55, 12, 5), 2, 2);
    });
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128 }) {
        icon.addPixmap(render(size, [](QPainter& p) {
            QLinearGradient water(0, 0, 0, 64);
            water.setColorAt(0, QColor(40, 140, 200));
            water.setColorAt(1, QColor(10, 70, 130));
            p.setPen(Qt::NoPen);
            p.setBrush(water);
            p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
            p.setPen(QPen(QColor(255, 255, 255, 220), 4, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 3; ++i) {
                QPainterPath steam;
                const qreal x = 18 + i * 14;
                steam.moveTo(x, 40);
                steam.cubicTo(x - 6, 32, x + 6, 26, x, 16);
                p.drawPath(steam);
            }
            p.setBrush(QColor(255, 210, 80));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(10, 44, 44, 10), 5, 5);
        }));
    }
    return icon;
}

QPixmap splash()
{
    QPixmap pixmap(480, 280);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 280);
    sky.setColorAt(0, QColor(20, 90, 150));
    sky.setColorAt(1, QColor(5, 40, 80));
    p.fillRect(pixmap.rect(), sky);
    p.drawPixmap(40, 70, applicationIcon().pixmap(128, 128));
    QFont title(QStringLiteral("Noto Sans CJK SC"));
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(190, 70, 280, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavrel"));
    QFont subtitle(QStringLiteral("Noto Sans CJK SC"));
    subtitle.setPixelSize(20);
    p.setFont(subtitle);
    p.setPen(QColor(220, 235, 250));
    p.drawText(QRect(190, 130, 280, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("桑拿足浴前台收银管理系统"));
    p.setPen(QColor(170, 200, 230));
    p.drawText(QRect(190, 165, 280, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("版本 1.21"));
    p.setPen(QPen(QColor(255, 210, 80), 3));
    p.drawLine(40, 230, 440, 230);
    return pixmap;
}

} // namespace Artwork
