#include "schedule/PaintedCaption.h"

QLabel* PaintedCaption(const QString& text, int pixelSize, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}
