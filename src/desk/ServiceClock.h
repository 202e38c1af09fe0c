#pragma once

#include <QDateTime>

struct ClockSettings;
struct OpenBill;

// Where a room in service stands against the clocks it booked.
enum class ClockAlert {
    Normal, // no clock booked, or more than the alert minutes left
    Warning, // the end is at most the alert minutes away
    Due, // the booked clocks are over: "已到钟"
};

// A room's clocks at one moment. The booked time is the longest of its massage clocks, its
// foot-wash clocks and its item lines, each count times the minutes of its unit (they run
// side by side);
// the end is the start plus the booked time. Everything is derived from the open bill and
// the clock: nothing is stored for it.
struct ServiceClockReading
{
    int minutesInService = 0; // whole minutes since the start
    qint64 bookedMinutes = 0; // 0 when no clock is booked
    QDateTime end; // invalid when no clock is booked
    ClockAlert alert = ClockAlert::Normal;

    friend bool operator==(const ServiceClockReading&, const ServiceClockReading&) = default;
};

ServiceClockReading ReadServiceClock(const QDateTime& start, int massageClocks, int footWashClocks,
    const ClockSettings& settings, const QDateTime& now, qint64 itemMinutes = 0);
ServiceClockReading ReadServiceClock(const OpenBill& bill, const ClockSettings& settings, const QDateTime& now);

// What the room's lamp shows under the technicians: the minutes in service ("35分钟").
QString ServiceMinutesText(const ServiceClockReading& reading);
