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

std::optional<ServiceSettings> ServiceSettings::read(const QString& fileName, MessageService& messages)
{
    const std::optional<QByteArray> bytes = ReadSettingBytes(fileName, FileSize, messages);
    if (!bytes)
        return std::nullopt;
    return ServiceSettings { takeDouble(*bytes, 0), takeDouble(*bytes, 1), takeDouble(*bytes, 2), takeDouble(*bytes, 3),
        takeDouble(*bytes, 4) };
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
