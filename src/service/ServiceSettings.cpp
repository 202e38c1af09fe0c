#include "service/ServiceSettings.h"

#include "app/SettingFile.h"

#include <QtEndian>

#include <cstring>

namespace {

double takeDouble(const QByteArray& bytes, int index)
{
    if (bytes.size() < (index + 1) * 8)
        return 0.0;
    const quint64 raw = qFromLittleEndian<quint64>(bytes.constData() + index * 8);
    double value = 0.0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

void putDouble(QByteArray& bytes, int index, double value)
{
    quint64 raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    qToLittleEndian<quint64>(raw, bytes.data() + index * 8);
}

} // namespace

ServiceSettings ServiceSettings::delivered()
{
    return { 60.0, 30.0, 20.0, 5.0, 0.9 };
}

ServiceSettings ServiceSettings::unset()
{
    ServiceSettings none;
    none.complete = false;
    return none;
}

std::optional<ServiceSettings> ServiceSettings::read(const QString& fileName, MessageService& messages)
{
    const std::optional<QByteArray> bytes = ReadSettingBytes(fileName, FileSize, messages);
    if (!bytes)
        return std::nullopt;
    return ServiceSettings { takeDouble(*bytes, 0), takeDouble(*bytes, 1), takeDouble(*bytes, 2), takeDouble(*bytes, 3),
        takeDouble(*bytes, 4), bytes->size() >= FileSize };
}

ServiceSettings ServiceSettings::readForCheckout(const QString& fileName, MessageService& messages)
{
    return read(fileName, messages).value_or(unset());
}

bool ServiceSettings::write(const QString& fileName, MessageService& messages) const
{
    QByteArray bytes(FileSize, '\0');
    putDouble(bytes, 0, massagePrice);
    putDouble(bytes, 1, footWashPrice);
    putDouble(bytes, 2, pedicurePrice);
    putDouble(bytes, 3, freeClockCount);
    putDouble(bytes, 4, memberDiscount);
    return WriteSettingBytes(fileName, bytes, messages);
}

QString ServiceSettingsRefusal(const ServiceSettings& settings)
{
    // Written as "not within" so that a value that is not a number is refused as well.
    if (!(settings.massagePrice >= 0.0))
        return QStringLiteral("按摩价格不能小于0,请重新输入!");
    if (!(settings.footWashPrice >= 0.0))
        return QStringLiteral("洗脚价格不能小于0,请重新输入!");
    if (!(settings.pedicurePrice >= 0.0))
        return QStringLiteral("修脚价格不能小于0,请重新输入!");
    if (!(settings.memberDiscount > 0.0 && settings.memberDiscount <= 1.0))
        return QStringLiteral("会员打折请输入范围在0-1之间的小数!");
    return {};
}
