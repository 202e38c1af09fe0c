#include "app/TextFormat.h"

#include <QLocale>

QString DateTimeText(const QDateTime& moment)
{
    return moment.toString(DateTimeFormat);
}

QDateTime DateTimeFromText(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), DateTimeFormat);
}

QString NowText(const QDateTime& now)
{
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return DateTimeText(now) + u' ' + chinese.dayName(now.date().dayOfWeek(), QLocale::LongFormat);
}

QString Trim(const QString& text)
{
    return text.trimmed();
}
