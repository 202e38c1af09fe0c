#include "shell/SystemDesktopLauncher.h"

#include <QDesktopServices>

bool SystemDesktopLauncher::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
