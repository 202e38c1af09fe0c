#include "app/Clock.h"

QDateTime SystemClock::now() const
{
    QDateTime moment = QDateTime::currentDateTime();
    moment.setTime(QTime(moment.time().hour(), moment.time().minute(), moment.time().second()));
    return moment;
}
