#pragma once

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>

class QPaintDevice;
class QPainter;

// One text of a drawn page: drawn left-aligned from its top-left point on a transparent
// background.
struct PageText
{
    QPointF topLeft;
    QString text;
    QFont font;
    // Texts whose runs of blanks place words over columns were made for the house's 宋体, in
    // which every ASCII character is half as wide as it is high and every other character as
    // wide as high. Such a text is drawn character by character on that grid, so that its
    // words stand where they were meant to whatever face renders it.
    bool onCharacterGrid = false;
};

// A printed page (or the bill on the checkout's screen) as plain data: texts and lines in
// logical units of 1/96 inch, y downward. It is laid out once from plain values, so a test
// checks the positions without a printer, and the same list is painted on a window or a page.
class PageDrawing
{
public:
    // 宋体 at a height in logical units. `stretch` widens the glyphs (percent), for the headings
    // that the house prints wider than the face's own width.
    static QFont font(int pixelSize, int stretch = 100);

    void addText(qreal x, qreal y, const QString& text, const QFont& font);
    void addGridText(qreal x, qreal y, const QString& text, const QFont& font);
    // A rule across or down the page, one unit wide.
    void addLine(qreal x1, qreal y1, qreal x2, qreal y2);

    const QList<PageText>& texts() const { return m_texts; }
    const QList<QLineF>& lines() const { return m_lines; }

    // The first text equal to `text`, or null.
    const PageText* findText(QStringView text) const;
    // The texts drawn with their top at `y`, left to right as they were added.
    QStringList textsAt(qreal y) const;

    // Paints the list on a painter whose units are already the page's logical units.
    void paint(QPainter& painter) const;
    // Draws the list as the one page of a document on `device` (a printer), in logical inches.
    // True when the device took it.
    bool render(QPaintDevice& device) const;

    // Sets the painter's window and viewport so that one logical unit is 1/96 inch on its
    // device, whatever the device's resolution: a receipt or a report page then has the same
    // physical size on every printer. The window extent is `window`; the viewport is that
    // extent scaled by the device's dots per inch.
    static void useLogicalInches(QPainter& painter, QSize window = DefaultWindow);

    static constexpr QSize DefaultWindow { 800, 560 };
    static constexpr int UnitsPerInch = 96;

private:
    QList<PageText> m_texts;
    QList<QLineF> m_lines;
};
