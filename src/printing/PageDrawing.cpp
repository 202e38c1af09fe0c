#include "printing/PageDrawing.h"

#include <QPaintDevice>
#include <QPainter>

namespace {

// The layouts place texts by their top, measured for 宋体, whose baseline lies 0.86 of the
// height below the top of its text. Placing the baseline there keeps every text on its line
// and clear of the rules whatever face stands in for 宋体 (faces differ a lot in how much room
// they leave above their glyphs).
constexpr qreal BaselineBelowTop = 0.86;

void drawTextAt(QPainter& painter, QPointF topLeft, const QString& text)
{
    const QFont& font = painter.font();
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + BaselineBelowTop * font.pixelSize()), text);
}

void drawOnCharacterGrid(QPainter& painter, const PageText& item)
{
    const qreal wide = item.font.pixelSize() * (item.font.stretch() > 0 ? item.font.stretch() : 100) / 100.0;
    QPointF at = item.topLeft;
    for (const char32_t c : QStringView(item.text).toUcs4()) {
        if (c != U' ')
            drawTextAt(painter, at, QString::fromUcs4(&c, 1));
        at.rx() += c < 0x80 ? wide / 2 : wide;
    }
}

} // namespace

QFont PageDrawing::font(int pixelSize, int stretch)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    if (stretch != 100)
        font.setStretch(stretch);
    return font;
}

void PageDrawing::addText(qreal x, qreal y, const QString& text, const QFont& font)
{
    m_texts.append({ QPointF(x, y), text, font });
}

void PageDrawing::addGridText(qreal x, qreal y, const QString& text, const QFont& font)
{
    m_texts.append({ QPointF(x, y), text, font, true });
}

void PageDrawing::addLine(qreal x1, qreal y1, qreal x2, qreal y2)
{
    m_lines.append(QLineF(x1, y1, x2, y2));
}

const PageText* PageDrawing::findText(QStringView text) const
{
    for (const PageText& item : m_texts) {
        if (item.text == text)
            return &item;
    }
    return nullptr;
}

QStringList PageDrawing::textsAt(qreal y) const
{
    QStringList found;
    for (const PageText& item : m_texts) {
        if (qAbs(item.topLeft.y() - y) < 0.001)
            found.append(item.text);
    }
    return found;
}

void PageDrawing::paint(QPainter& painter) const
{
    painter.save();
    // A rule is one logical unit wide and covers the units from its start up to its end, as
    // a one-pixel line does on the screen; filled as a rectangle it keeps that width on every
    // printer (paint engines treat a pen of width 1 as the device's thinnest line).
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QLineF& line : m_lines) {
        const QRectF rule = QRectF(line.p1(), line.p2()).normalized();
        painter.drawRect(QRectF(rule.topLeft(), QSizeF(qMax<qreal>(rule.width(), 1), qMax<qreal>(rule.height(), 1))));
    }
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const PageText& item : m_texts) {
        painter.setFont(item.font);
        if (item.onCharacterGrid)
            drawOnCharacterGrid(painter, item);
        else
            drawTextAt(painter, item.topLeft, item.text);
    }
    painter.restore();
}

void PageDrawing::useLogicalInches(QPainter& painter, QSize window)
{
    const QPaintDevice* device = painter.device();
    painter.setWindow(0, 0, window.width(), window.height());
    painter.setViewport(0, 0, device->logicalDpiX() * window.width() / UnitsPerInch,
        device->logicalDpiY() * window.height() / UnitsPerInch);
}

bool PageDrawing::render(QPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    useLogicalInches(painter);
    paint(painter);
    return painter.end();
}
