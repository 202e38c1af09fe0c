#include "skin/SplashScreen.h"

#include "skin/Artwork.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

SplashScreen::SplashScreen()
    : QSplashScreen(Artwork::splash())
{
    setObjectName(QStringLiteral("splashScreen"));
}

void SplashScreen::showOver(QWidget& window)
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    winId(); // the native window, to tie it to the main window's
    if (windowHandle() && window.windowHandle())
        windowHandle()->setTransientParent(window.windowHandle());
    qApp->installEventFilter(this);
    show();
    raise();
    QTimer::singleShot(ShowMilliseconds, this, &QWidget::close);
}

bool SplashScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (!isVisible())
        return QSplashScreen::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        close();
        return true;
    default:
        return QSplashScreen::eventFilter(watched, event);
    }
}
