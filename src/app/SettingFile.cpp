#include "app/SettingFile.h"

#include "app/DurableFile.h"
#include "app/MessageService.h"
#include "app/SettingPlace.h"

#include <QtEndian>

std::optional<QByteArray> ReadSettingBytes(const QString& fileName, qint64 maxSize, MessageService& messages)
{
    std::optional<QByteArray> bytes = DurableFile::readRegular(fileName, maxSize);
    if (!bytes)
        messages.inform(QStringLiteral("打开一个二进制文件失败!"));
    return bytes;
}

bool WriteSettingBytes(
    const QString& fileName, const QByteArray& bytes, MessageService& messages, const SettingFileWriter& writer)
{
    if (!DurableFile::replace(fileName, bytes, writer)) {
        messages.inform(QStringLiteral("创建一个二进制文件失败!"));
        return false;
    }
    return true;
}

qint32 ReadSettingInt(SettingPlace& place, const QString& name, MessageService& messages)
{
    const std::optional<QByteArray> bytes = place.read(name, 4, messages);
    return bytes ? UnpackInt32List(*bytes, 1).first() : 0;
}

bool WriteSettingInt(SettingPlace& place, const QString& name, qint32 value, MessageService& messages)
{
    return place.write(name, PackInt32List({ value }), messages);
}

QByteArray PackInt32List(const QList<qint32>& values)
{
    QByteArray bytes(values.size() * 4, '\0');
    for (qsizetype i = 0; i < values.size(); ++i)
        qToLittleEndian<qint32>(values[i], bytes.data() + i * 4);
    return bytes;
}

QList<qint32> UnpackInt32List(const QByteArray& bytes, int count)
{
    QByteArray padded = bytes.left(count * 4);
    padded.append(QByteArray(count * 4 - padded.size(), '\0'));
    QList<qint32> values;
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(qFromLittleEndian<qint32>(padded.constData() + i * 4));
    return values;
}
