#pragma once

#include "printing/PageDrawing.h"

#include <QWidget>

// A drawn page shown on the screen as it prints, one logical unit to a pixel: the bill of
// checkout is drawn the same way.
class PageDrawingView : public QWidget
{
    Q_OBJECT

public:
    PageDrawingView(const PageDrawing& drawing, QSize size, QWidget* parent = nullptr);

    const PageDrawing& drawing() const { return m_drawing; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PageDrawing m_drawing;
};
