#include "printing/PageDrawingView.h"

#include <QPainter>

PageDrawingView::PageDrawingView(const PageDrawing& drawing, QSize size, QWidget* parent)
    : QWidget(parent)
    , m_drawing(drawing)
{
    setFixedSize(size);
    setAutoFillBackground(true);
    QPalette paper = palette();
    paper.setColor(QPalette::Window, Qt::white);
    paper.setColor(QPalette::WindowText, Qt::black);
    setPalette(paper);
}

void PageDrawingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    m_drawing.paint(painter);
}
