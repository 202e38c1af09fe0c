#pragma once

#include <QLabel>

// A caption drawn on a dialog's background: 宋体 at the given pixel height, no frame, no fill.
QLabel* PaintedCaption(const QString& text, int pixelSize, QWidget* parent);
