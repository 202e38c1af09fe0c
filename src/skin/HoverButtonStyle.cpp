#include "skin/HoverButtonStyle.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace {

constexpr int EdgeWidth = 2; // the platform edge the face is inset by

struct EdgePens
{
    QPen left, top, right, bottom;
};

EdgePens warmPens()
{
    return { QPen(QColor(250, 196, 88), 3), QPen(QColor(252, 210, 121), 2), QPen(QColor(251, 202, 106), 3),
        QPen(QColor(229, 151, 0), 2) };
}

EdgePens coolPens()
{
    return { QPen(QColor(153, 198, 252), 3), QPen(QColor(162, 201, 255), 2), QPen(QColor(162, 189, 252), 3),
        QPen(QColor(162, 201, 255), 2) };
}

QFont buttonFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(10);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

HoverButtonStyle::HoverButtonStyle(QStyle* base)
    : QProxyStyle(base ? base : QStyleFactory::create(QStringLiteral("Fusion")))
{ }

void HoverButtonStyle::polish(QWidget* widget)
{
    if (qobject_cast<QPushButton*>(widget))
        widget->setAttribute(Qt::WA_Hover, true);
    QProxyStyle::polish(widget);
}

int HoverButtonStyle::styleHint(
    StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const
{
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void HoverButtonStyle::unpolish(QWidget* widget)
{
    QProxyStyle::unpolish(widget);
}

QColor HoverButtonStyle::gradientColor(int step, bool hovered, bool emphasised)
{
    step = std::clamp(step, 0, GradientSteps - 1);
    const int p = 255 - step / 3;
    const int q = 255 - step / 4;
    const int s = 255 - step / 5;
    if (hovered)
        return QColor(q, q, emphasised ? p : s);
    return QColor(p, p, emphasised ? q : s);
}

int HoverButtonStyle::gradientStep(int y, int height)
{
    if (height <= 0)
        return GradientSteps - 1;
    return std::min(GradientSteps - 1, (GradientSteps - 1) * y / height);
}

void HoverButtonStyle::paintButton(QPainter* painter, const QRect& rect, const QString& text, const QPalette& palette,
    bool hovered, bool focused, bool pressed, bool isDefault, bool enabled)
{
    const bool emphasised = focused || pressed || isDefault;
    painter->save();
    painter->translate(rect.topLeft());
    const int width = rect.width();
    const int height = rect.height();

    painter->fillRect(0, 0, width, height, palette.color(QPalette::Window));

    // Face: one-pixel rows of the 64-step gradient inside the edge.
    const QRect inner(EdgeWidth, EdgeWidth, width - 2 * EdgeWidth, height - 2 * EdgeWidth);
    for (int y = inner.top(); y <= inner.height() + 1 && y < height - 1; ++y) {
        const QColor colour = gradientColor(gradientStep(y, inner.height()), hovered, emphasised);
        painter->fillRect(QRect(inner.left(), y, inner.width(), 1), colour);
    }

    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(Qt::black, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 5, 5);
    painter->setRenderHint(QPainter::Antialiasing, false);

    if (focused || hovered) {
        const EdgePens pens = (hovered || !focused) ? warmPens() : coolPens();
        const int l = inner.left() + 1;
        const int t = inner.top() + 1;
        const int r = inner.left() + inner.width() - 1;
        const int b = inner.top() + inner.height() - 1;
        painter->setPen(pens.left);
        painter->drawLine(l, b - 3, l, t + 2);
        painter->setPen(pens.right);
        painter->drawLine(r - 1, b - 3, r - 1, t + 2);
        painter->setPen(pens.top);
        painter->drawLine(l + 2, t, r - 2, t);
        painter->setPen(pens.bottom);
        painter->drawLine(l + 2, b, r - 2, b);
    }

    if (!text.isEmpty()) {
        painter->setFont(buttonFont());
        QRect textRect = inner;
        if (pressed)
            textRect.translate(1, 1);
        const QString shown = QString(text).remove(u'&');
        if (enabled) {
            painter->setPen(palette.color(QPalette::Active, QPalette::ButtonText));
            painter->drawText(textRect, Qt::AlignCenter, shown);
        } else {
            // Embossed, as disabled text is drawn on the desk's platform.
            painter->setPen(Qt::white);
            painter->drawText(textRect.translated(1, 1), Qt::AlignCenter, shown);
            painter->setPen(QColor(128, 128, 128));
            painter->drawText(textRect, Qt::AlignCenter, shown);
        }
    }
    painter->restore();
}

void HoverButtonStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element == CE_PushButton && button && qobject_cast<const QPushButton*>(widget) && button->icon.isNull()) {
        const QStyle::State state = button->state;
        paintButton(painter, button->rect, button->text, button->palette, state.testFlag(State_MouseOver),
            state.testFlag(State_HasFocus), state.testFlag(State_Sunken) || state.testFlag(State_On),
            button->features.testFlag(QStyleOptionButton::DefaultButton), state.testFlag(State_Enabled));
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}
