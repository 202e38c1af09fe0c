#pragma once

#include <QSplashScreen>

// The start picture: shown for 750 ms, or until the first key press or mouse click anywhere
// in the program, which it consumes.
class SplashScreen : public QSplashScreen
{
    Q_OBJECT

public:
    static constexpr int ShowMilliseconds = 750;

    SplashScreen();
    void showForAWhile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
