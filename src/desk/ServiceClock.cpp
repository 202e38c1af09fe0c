#include "desk/ServiceClock.h"

#include "desk/ClockSettings.h"
#include "desk/OpenBill.h"

#include <algorithm>

ServiceClockReading ReadServiceClock(const QDateTime& start, int massageClocks, int footWashClocks,
    const ClockSettings& settings, const QDateTime& now, qint64 itemMinutes)
{
    ServiceClockReading reading;
    if (!start.isValid() || !now.isValid())
        return reading;
    // A start after now (the desk's clock was set back) counts as just started.
    reading.minutesInService = int(std::max<qint64>(0, start.secsTo(now)) / 60);
    reading.bookedMinutes = std::max({ qint64(0), qint64(massageClocks) * settings.massageMinutes,
        qint64(footWashClocks) * settings.footWashMinutes, itemMinutes });
    if (reading.bookedMinutes == 0)
        return reading;
    reading.end = start.addSecs(reading.bookedMinutes * 60);
    if (now >= reading.end)
        reading.alert = ClockAlert::Due;
    else if (settings.alertMinutes > 0 && now >= reading.end.addSecs(-qint64(settings.alertMinutes) * 60))
        reading.alert = ClockAlert::Warning;
    return reading;
}

ServiceClockReading ReadServiceClock(const OpenBill& bill, const ClockSettings& settings, const QDateTime& now)
{
    qint64 itemMinutes = 0;
    for (const ItemLine& line : bill.items)
        itemMinutes = std::max(itemMinutes, qint64(line.count) * line.minutes);
    return ReadServiceClock(bill.startTime, bill.massageClocks, bill.footWashClocks, settings, now, itemMinutes);
}

QString ServiceMinutesText(const ServiceClockReading& reading)
{
    return QStringLiteral("%1分钟").arg(reading.minutesInService);
}
