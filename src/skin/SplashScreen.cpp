#include "skin/SplashScreen.h"

#include "skin/Artwork.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

SplashScreen::SplashScreen()
    : QSplashScreen(Artwork::splash())
{
    setObjectName(QStringLiteral("splashScreen"));
}

void SplashScreen::showForAWhile()
{
    qApp->installEventFilter(this);
    show();
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
