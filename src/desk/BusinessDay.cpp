#include "desk/BusinessDay.h"

QDate BusinessDayOf(const QDateTime& localTime)
{
    return localTime.addSecs(-BusinessDayStartHour * 3600).date();
}
