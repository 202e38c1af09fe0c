#include "shell/BellAlertSound.h"

#include <QApplication>

void BellAlertSound::play()
{
    QApplication::beep();
}
