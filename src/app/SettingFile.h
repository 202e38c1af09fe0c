#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class MessageService;

// The small binary setting files beside the database (HouNum.daf, pagesel?.dat, sys.nnf).
// They are written whole or not at all: a crash leaves the old file or the new one.

inline constexpr QStringView GroupCountFile = u"HouNum.daf";

// The file's bytes; a missing or unreadable file shows "打开一个二进制文件失败!" and gives
// nothing. At most `maxSize` bytes are read.
std::optional<QByteArray> ReadSettingBytes(const QString& fileName, qint64 maxSize, MessageService& messages);

// Replaces the file with `bytes`; on failure shows "创建一个二进制文件失败!" and leaves the old
// file as it was.
bool WriteSettingBytes(const QString& fileName, const QByteArray& bytes, MessageService& messages);

// One signed 32-bit little-endian integer. A missing file gives 0 after the message; a short
// file leaves its missing bytes 0, so an empty file gives 0 without a message.
qint32 ReadSettingInt(const QString& fileName, MessageService& messages);
bool WriteSettingInt(const QString& fileName, qint32 value, MessageService& messages);

// Little-endian packing shared by the setting files.
QByteArray PackInt32List(const QList<qint32>& values);
QList<qint32> UnpackInt32List(const QByteArray& bytes, int count); // missing values are 0
