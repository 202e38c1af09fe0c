#include "app/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DurableFile {

namespace {

// Best effort: a folder that cannot be synced still holds the renamed file.
void syncFolderOf(const QString& fileName)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

} // namespace

std::optional<QByteArray> readRegular(const QString& fileName, qint64 maxSize)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status = {};
    QFile file;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxSize);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool replace(const QString& fileName, const QByteArray& bytes,
    const std::function<qint64(QFileDevice&, const QByteArray&)>& write)
{
    const QFileInfo target(fileName);
    QTemporaryFile temporary(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() + u".XXXXXX"));
    if (!temporary.open())
        return false;
    // A temporary file is private to its owner; the setting file keeps the rights it had.
    temporary.setPermissions(target.exists()
            ? target.permissions()
            : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const qint64 written = write ? write(temporary, bytes) : temporary.write(bytes);
    if (written != bytes.size() || !temporary.flush() || ::fsync(temporary.handle()) != 0)
        return false;
    // What the disk holds now, read through a descriptor of its own, not through the buffer.
    if (readRegular(temporary.fileName(), bytes.size() + 1) != bytes)
        return false;
    temporary.close();
    if (!renameOver(temporary.fileName(), target.absoluteFilePath()))
        return false;
    temporary.setAutoRemove(false); // it is the file now
    return true;
}

bool renameOver(const QString& from, const QString& to)
{
    // rename() replaces the target in one step: a reader sees the old file or the new one.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    syncFolderOf(to);
    return true;
}

} // namespace DurableFile
