#pragma once

#include <QColor>
#include <QProxyStyle>

// The look of the desk's push buttons: a rounded face with a vertical gradient that turns
// warmer while the mouse is over it, coloured edges for the hovered or focused button, and
// centred text. Installed once for the whole application, so every dialog's push buttons
// take it without code of their own; tool buttons and the room lamps keep their own look.
class HoverButtonStyle : public QProxyStyle
{
    Q_OBJECT

public:
    static constexpr int GradientSteps = 64;

    explicit HoverButtonStyle(QStyle* base = nullptr);

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;
    // The buttons of message boxes and button boxes carry text alone, like every other push
    // button of the desk: a desktop theme that gives them icons would leave them plain.
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
        QStyleHintReturn* returnData = nullptr) const override;

    // Colour i (0..63) of the face gradient. Hovered faces are warm (yellowish), emphasised
    // ones (focused, pressed or default) bluish.
    static QColor gradientColor(int step, bool hovered, bool emphasised);
    // The gradient step of pixel row y of a face whose inner height is `height`.
    static int gradientStep(int y, int height);

    // Paints one button face; exposed so that a test can render every state.
    static void paintButton(QPainter* painter, const QRect& rect, const QString& text, const QPalette& palette,
        bool hovered, bool focused, bool pressed, bool isDefault, bool enabled);
};
