#include "skin/PaintedText.h"

#include <QLabel>

QFont PaintedFont(int pixelSize)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    return font;
}

QLabel* PaintedLabel(const QString& text, QWidget* parent, int pixelSize)
{
    auto* label = new QLabel(text, parent);
    label->setFont(PaintedFont(pixelSize));
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}
