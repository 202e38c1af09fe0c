#pragma once

#include <QDateTime>
#include <QString>

// Date-times are stored and shown as "yyyy-MM-dd HH:mm:ss" so that stored texts compare in
// time order; amounts as "%.2f" and counts as "%d".
inline constexpr QStringView DateTimeFormat = u"yyyy-MM-dd HH:mm:ss";
inline constexpr QStringView TimeOfDayFormat = u"HH:mm:ss";

QString DateTimeText(const QDateTime& moment);
QDateTime DateTimeFromText(const QString& text); // invalid when the text is not such a date-time

// The status bar's date and time: "yyyy-MM-dd HH:mm:ss" followed by the weekday's name.
QString NowText(const QDateTime& now);

// Blanks removed at both ends.
QString Trim(const QString& text);
