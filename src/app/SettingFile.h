#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class MessageService;
class QFileDevice;
class SettingPlace;

// The small binary setting files beside the database (HouNum.daf, pagesel?.dat, sys.nnf,
// clock.nnf), read and written through a SettingPlace (SettingPlace.h): these files of the data
// folder, or their rows on a server. A file is written whole or not at all: a crash, a full disk or a failing write
// leaves the old file byte for byte, or the new one.

inline constexpr QStringView GroupCountFile = u"HouNum.daf";

// The file's bytes; a missing or unreadable file, or anything that is not a regular file (a
// named pipe would block the desk for good), shows "打开一个二进制文件失败!" and gives nothing.
// At most `maxSize` bytes are read.
std::optional<QByteArray> ReadSettingBytes(const QString& fileName, qint64 maxSize, MessageService& messages);

// Puts the bytes into an open file and returns how many it took: QFileDevice::write by
// default. Tests give one that fails the way a full disk does.
using SettingFileWriter = std::function<qint64(QFileDevice& file, const QByteArray& bytes)>;

// Replaces the file with `bytes`; on failure shows "创建一个二进制文件失败!" and leaves the old
// file as it was. The new bytes are written beside it under a temporary name, flushed to the
// disk and read back before they take the file's place: a buffered write that the disk
// refused can look like a success until then.
bool WriteSettingBytes(
    const QString& fileName, const QByteArray& bytes, MessageService& messages, const SettingFileWriter& writer = {});

// One signed 32-bit little-endian integer. A missing setting gives 0 after the message; a
// short one leaves its missing bytes 0, so an empty one gives 0 without a message.
qint32 ReadSettingInt(SettingPlace& place, const QString& name, MessageService& messages);
bool WriteSettingInt(SettingPlace& place, const QString& name, qint32 value, MessageService& messages);

// Little-endian packing shared by the setting files.
QByteArray PackInt32List(const QList<qint32>& values);
QList<qint32> UnpackInt32List(const QByteArray& bytes, int count); // missing values are 0
