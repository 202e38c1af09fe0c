#pragma once

#include <QDate>
#include <QDateTime>

// The desk's business day changes at 06:00 local time, so that a late shift that runs past
// midnight stays in the day it began.
inline constexpr int BusinessDayStartHour = 6;

QDate BusinessDayOf(const QDateTime& localTime);
