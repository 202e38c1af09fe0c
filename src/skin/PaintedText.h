#pragma once

#include <QFont>
#include <QLabel>

// Captions, labels and totals that the desk's dialogs draw on their background: 宋体 at a
// pixel height (13 unless a dialog says otherwise), no frame and no fill.
QFont PaintedFont(int pixelSize = 13);
QLabel* PaintedLabel(const QString& text, QWidget* parent, int pixelSize = 13);
