#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QFileDevice;

// Files that must survive a full disk, a kill and a power cut: read only when they are
// regular files, and replaced whole through a temporary file beside them.
namespace DurableFile {

// The first `maxSize` bytes of a regular file (symbolic links to one included); nothing for a
// missing or unreadable file and for anything else under that name. The file is opened
// without blocking, so a named pipe put in its place cannot hang the caller.
std::optional<QByteArray> readRegular(const QString& fileName, qint64 maxSize);

// Replaces `fileName` with `bytes`: they go into a temporary file in the same folder through
// `write` (QFileDevice::write when empty), are flushed, synced and read back, and only bytes
// that came back whole take the file's place, by a rename. False when any step fails; the old
// file is then untouched and the temporary one removed.
bool replace(const QString& fileName, const QByteArray& bytes,
    const std::function<qint64(QFileDevice&, const QByteArray&)>& write = {});

// Renames `from` over `to` and syncs the folder, so that the rename itself survives a power
// cut. False when the rename failed.
bool renameOver(const QString& from, const QString& to);

} // namespace DurableFile
