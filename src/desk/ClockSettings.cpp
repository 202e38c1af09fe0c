#include "desk/ClockSettings.h"

#include "app/SettingFile.h"
#include "app/SettingPlace.h"

namespace {

bool isClockLength(int minutes)
{
    return minutes >= 1 && minutes <= ClockSettings::MostClockMinutes;
}

bool isAlertLength(int minutes)
{
    return minutes >= 0 && minutes <= ClockSettings::MostAlertMinutes;
}

} // namespace

ClockSettings ClockSettings::read(SettingPlace& place)
{
    ClockSettings settings;
    SilentMessages silent;
    const std::optional<QByteArray> bytes = place.read(FileName.toString(), FileSize, silent);
    if (!bytes || bytes->size() < FileSize)
        return settings;
    const QList<qint32> values = UnpackInt32List(*bytes, 3);
    if (isClockLength(values[0]))
        settings.massageMinutes = values[0];
    if (isClockLength(values[1]))
        settings.footWashMinutes = values[1];
    if (isAlertLength(values[2]))
        settings.alertMinutes = values[2];
    return settings;
}

bool ClockSettings::write(SettingPlace& place, MessageService& messages) const
{
    return place.write(FileName.toString(), PackInt32List({ massageMinutes, footWashMinutes, alertMinutes }), messages);
}

QString ClockSettingsRefusal(const ClockSettings& settings)
{
    if (!isClockLength(settings.massageMinutes))
        return QStringLiteral("按摩每钟分钟数请输入1-600之间的整数!");
    if (!isClockLength(settings.footWashMinutes))
        return QStringLiteral("洗脚每钟分钟数请输入1-600之间的整数!");
    if (!isAlertLength(settings.alertMinutes))
        return QStringLiteral("到钟提醒分钟数请输入0-60之间的整数!");
    return {};
}
