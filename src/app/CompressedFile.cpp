#include "app/CompressedFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sodium.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>
#include <zstd.h>

namespace CompressedFile {

namespace {

// The fastest of the usual levels: the database shrinks about fourfold, and level 3 would take
// more than twice the CPU time for 2 % less.
constexpr int Level = 1;
// How often a long write looks at the free space of its disk.
constexpr qint64 SpaceCheckEvery = 32 * 1024 * 1024;

class Descriptor
{
public:
    Descriptor(const QString& path, int flags)
        : m_fd(::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0644))
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

Result failed(Problem problem, const QString& error)
{
    Result result;
    result.problem = problem;
    result.error = error;
    return result;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Result diskFull(const QString& path)
{
    return failed(Problem::DiskFull, QStringLiteral("磁盘空间不够,无法写入 %1").arg(native(path)));
}

// Writes all of `size` bytes; false with errno set when the disk refused them.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Reads up to `size` bytes; -1 on an error.
ssize_t readSome(int fd, char* data, size_t size)
{
    for (;;) {
        const ssize_t read = ::read(fd, data, size);
        if (read >= 0 || errno != EINTR)
            return read;
    }
}

class Digest
{
public:
    Digest()
    {
        if (sodium_init() < 0)
            qFatal("libsodium cannot be initialised");
        crypto_generichash_init(&m_state, nullptr, 0, crypto_generichash_BYTES);
    }
    void add(const char* data, size_t size)
    {
        crypto_generichash_update(&m_state, reinterpret_cast<const unsigned char*>(data), size);
    }
    QByteArray finish()
    {
        QByteArray digest(crypto_generichash_BYTES, Qt::Uninitialized);
        crypto_generichash_final(&m_state, reinterpret_cast<unsigned char*>(digest.data()), size_t(digest.size()));
        return digest;
    }

private:
    crypto_generichash_state m_state {};
};

bool stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Decompresses `source`, handing the content to `sink` (which may be empty); `sink` returns
// a failed result to end it.
Result readFrames(
    const QString& source, const std::atomic<bool>* stop, const std::function<Result(const char*, size_t)>& sink)
{
    Descriptor in(source, O_RDONLY);
    if (!in.isOpen())
        return failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(), &ZSTD_freeDCtx);
    std::vector<char> input(ZSTD_DStreamInSize());
    std::vector<char> output(ZSTD_DStreamOutSize());
    Result result;
    size_t last = 1; // what the frame still expects; 0 once a frame ended
    bool any = false;
    for (;;) {
        if (stopped(stop))
            return failed(Problem::Stopped, QStringLiteral("已停止"));
        const ssize_t read = readSome(in.get(), input.data(), input.size());
        if (read < 0)
            return failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
        if (read == 0)
            break;
        any = true;
        result.compressedBytes += read;
        ZSTD_inBuffer chunk { input.data(), size_t(read), 0 };
        while (chunk.pos < chunk.size) {
            ZSTD_outBuffer out { output.data(), output.size(), 0 };
            last = ZSTD_decompressStream(context.get(), &out, &chunk);
            if (ZSTD_isError(last))
                return failed(Problem::Damaged,
                    QStringLiteral("%1 已损坏(%2)").arg(native(source), QString::fromUtf8(ZSTD_getErrorName(last))));
            result.plainBytes += qint64(out.pos);
            if (sink && out.pos > 0) {
                if (Result written = sink(output.data(), out.pos); !written.ok())
                    return written;
            }
        }
    }
    // A file cut short ends inside a frame; an empty file is no frame at all.
    if (!any || last != 0)
        return failed(Problem::Damaged, QStringLiteral("%1 不完整").arg(native(source)));
    return result;
}

} // namespace

qint64 availableBytes(const QString& path)
{
    struct statvfs disk
    {
    };
    if (::statvfs(QFile::encodeName(path).constData(), &disk) != 0)
        return -1;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize);
}

qint64 diskBytes(const QString& path)
{
    struct statvfs disk
    {
    };
    if (::statvfs(QFile::encodeName(path).constData(), &disk) != 0)
        return -1;
    return qint64(disk.f_blocks) * qint64(disk.f_frsize);
}

Result compress(const QString& source, const QString& target, qint64 keepFree, const std::atomic<bool>* stop)
{
    Descriptor in(source, O_RDONLY);
    if (!in.isOpen())
        return failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Descriptor out(target, O_WRONLY | O_CREAT | O_EXCL);
    if (!out.isOpen())
        return failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target)));
    const auto removeTarget = [&target](Result result) {
        QFile::remove(target);
        return result;
    };

    std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), &ZSTD_freeCCtx);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, Level);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
    std::vector<char> input(ZSTD_CStreamInSize() * 8);
    std::vector<char> output(ZSTD_CStreamOutSize() * 8);
    Result result;
    Digest digest;
    qint64 sinceSpaceCheck = SpaceCheckEvery; // look before the first write
    for (bool last = false; !last;) {
        if (stopped(stop))
            return removeTarget(failed(Problem::Stopped, QStringLiteral("已停止")));
        const ssize_t read = readSome(in.get(), input.data(), input.size());
        if (read < 0)
            return removeTarget(failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source))));
        last = read == 0;
        result.plainBytes += read;
        ZSTD_inBuffer chunk { input.data(), size_t(read), 0 };
        for (bool finished = false; !finished;) {
            ZSTD_outBuffer compressed { output.data(), output.size(), 0 };
            const size_t left
                = ZSTD_compressStream2(context.get(), &compressed, &chunk, last ? ZSTD_e_end : ZSTD_e_continue);
            if (ZSTD_isError(left))
                return removeTarget(failed(Problem::Other, QString::fromUtf8(ZSTD_getErrorName(left))));
            if (sinceSpaceCheck >= SpaceCheckEvery) {
                sinceSpaceCheck = 0;
                if (keepFree > 0 && availableBytes(target) - qint64(compressed.pos) < keepFree)
                    return removeTarget(diskFull(target));
            }
            if (!writeAll(out.get(), output.data(), compressed.pos))
                return removeTarget(errno == ENOSPC || errno == EDQUOT
                        ? diskFull(target)
                        : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target))));
            digest.add(output.data(), compressed.pos);
            sinceSpaceCheck += qint64(compressed.pos);
            result.compressedBytes += qint64(compressed.pos);
            finished = last ? left == 0 : chunk.pos == chunk.size;
        }
    }
    if (::fsync(out.get()) != 0)
        return removeTarget(errno == ENOSPC
                ? diskFull(target)
                : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target))));
    result.digest = digest.finish();
    return result;
}

Result readBack(const QString& source, const std::atomic<bool>* stop)
{
    Descriptor in(source, O_RDONLY);
    if (!in.isOpen())
        return failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
    // What was just written is read from the disk, not from memory.
    ::fdatasync(in.get());
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> buffer(1024 * 1024);
    Result result;
    Digest digest;
    for (;;) {
        if (stopped(stop))
            return failed(Problem::Stopped, QStringLiteral("已停止"));
        const ssize_t read = readSome(in.get(), buffer.data(), buffer.size());
        if (read < 0)
            return failed(Problem::Damaged, QStringLiteral("无法读取 %1").arg(native(source)));
        if (read == 0)
            break;
        digest.add(buffer.data(), size_t(read));
        result.compressedBytes += read;
    }
    // Not read again until a restore.
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_DONTNEED);
    result.digest = digest.finish();
    return result;
}

Result decompress(const QString& source, const QString& target, const std::atomic<bool>* stop)
{
    Result result;
    {
        Descriptor out(target, O_WRONLY | O_CREAT | O_EXCL);
        if (!out.isOpen())
            return failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target)));
        result = readFrames(source, stop, [&out, &target](const char* data, size_t size) {
            if (writeAll(out.get(), data, size))
                return Result();
            return errno == ENOSPC || errno == EDQUOT
                ? diskFull(target)
                : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target)));
        });
        if (result.ok() && ::fsync(out.get()) != 0)
            result = errno == ENOSPC ? diskFull(target)
                                     : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target)));
    }
    if (!result.ok())
        QFile::remove(target);
    return result;
}

} // namespace CompressedFile
