#pragma once

#include <QSplashScreen>

// The start picture: shown above the main window for 750 ms, or until the first key press or
// mouse click anywhere in the program, which it consumes.
class SplashScreen : public QSplashScreen
{
    Q_OBJECT

public:
    static constexpr int ShowMilliseconds = 750;

    SplashScreen();
    // Shows the picture above `window`, which is already shown. A window manager stacks a
    // window mapped later above one mapped earlier; the picture therefore stays on top and is
    // a transient of the window, so that it is seen for its whole time.
    void showOver(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
