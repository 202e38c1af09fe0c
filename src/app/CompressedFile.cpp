#include "app/CompressedFile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
// more than twice the CPU time for 2 % less. Its table of where each string was last seen is
// made smaller than the level's own, so that it stays in the processor's cache: on a house of
// years of bills (1 GB) 12 % less time for 4 % more bytes (3.7 times smaller rather than 3.9).
constexpr int Level = 1;
constexpr int HashLog = 12;
void configure(ZSTD_CCtx* context)
{
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, Level);
    ZSTD_CCtx_setParameter(context, ZSTD_c_hashLog, HashLog);
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
}

// A skippable frame's magic number and size.
constexpr size_t SkippableHeaderBytes = 8;

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

// XXH64 (seed 0), fed in pieces of any size: the checksum zstd itself uses, at a few GB a
// second, against a few hundred MB for BLAKE2b.
class Xxh64
{
public:
    void add(const char* data, size_t size)
    {
        m_length += size;
        if (m_buffered > 0) {
            const size_t taken = std::min(size, sizeof(m_buffer) - m_buffered);
            std::memcpy(m_buffer + m_buffered, data, taken);
            m_buffered += taken;
            data += taken;
            size -= taken;
            if (m_buffered < sizeof(m_buffer))
                return;
            stripe(m_buffer);
            m_buffered = 0;
        }
        for (; size >= sizeof(m_buffer); data += sizeof(m_buffer), size -= sizeof(m_buffer))
            stripe(data);
        std::memcpy(m_buffer, data, size);
        m_buffered = size;
    }
    quint64 finish() const
    {
        quint64 hash = m_length >= 32
            ? merged(
                merged(merged(merged(rotl(m_v[0], 1) + rotl(m_v[1], 7) + rotl(m_v[2], 12) + rotl(m_v[3], 18), m_v[0]),
                           m_v[1]),
                    m_v[2]),
                m_v[3])
            : Prime5;
        hash += m_length;
        size_t at = 0;
        for (; at + 8 <= m_buffered; at += 8)
            hash = rotl(hash ^ round(0, read64(m_buffer + at)), 27) * Prime1 + Prime4;
        if (at + 4 <= m_buffered) {
            hash = rotl(hash ^ (quint64(read32(m_buffer + at)) * Prime1), 23) * Prime2 + Prime3;
            at += 4;
        }
        for (; at < m_buffered; ++at)
            hash = rotl(hash ^ (quint64(quint8(m_buffer[at])) * Prime5), 11) * Prime1;
        hash ^= hash >> 33;
        hash *= Prime2;
        hash ^= hash >> 29;
        hash *= Prime3;
        hash ^= hash >> 32;
        return hash;
    }

private:
    static constexpr quint64 Prime1 = 0x9E3779B185EBCA87ULL;
    static constexpr quint64 Prime2 = 0xC2B2AE3D27D4EB4FULL;
    static constexpr quint64 Prime3 = 0x165667B19E3779F9ULL;
    static constexpr quint64 Prime4 = 0x85EBCA77C2B2AE63ULL;
    static constexpr quint64 Prime5 = 0x27D4EB2F165667C5ULL;

    static quint64 rotl(quint64 value, int bits) { return (value << bits) | (value >> (64 - bits)); }
    static quint64 round(quint64 accumulator, quint64 input) { return rotl(accumulator + input * Prime2, 31) * Prime1; }
    static quint64 merged(quint64 hash, quint64 value) { return (hash ^ round(0, value)) * Prime1 + Prime4; }
    static quint64 read64(const char* data)
    {
        quint64 value;
        std::memcpy(&value, data, 8);
        return qFromLittleEndian(value);
    }
    static quint32 read32(const char* data)
    {
        quint32 value;
        std::memcpy(&value, data, 4);
        return qFromLittleEndian(value);
    }
    void stripe(const char* data)
    {
        for (int lane = 0; lane < 4; ++lane)
            m_v[lane] = round(m_v[lane], read64(data + 8 * lane));
    }

    quint64 m_v[4] = { Prime1 + Prime2, Prime2, 0, 0 - Prime1 };
    char m_buffer[32] {};
    size_t m_buffered = 0;
    quint64 m_length = 0;
};

// The digest of a compressed file: XXH64 (8 bytes) for the files written now, BLAKE2b-256 (32
// bytes) for those written before.
class Digest
{
public:
    explicit Digest(DigestKind kind = DigestKind::Fast)
        : m_kind(kind)
    {
        if (kind == DigestKind::Fast)
            return;
        if (sodium_init() < 0)
            qFatal("libsodium cannot be initialised");
        crypto_generichash_init(&m_state, nullptr, 0, crypto_generichash_BYTES);
    }
    void add(const char* data, size_t size)
    {
        if (m_kind == DigestKind::Fast)
            m_fast.add(data, size);
        else
            crypto_generichash_update(&m_state, reinterpret_cast<const unsigned char*>(data), size);
    }
    QByteArray finish()
    {
        if (m_kind == DigestKind::Fast) {
            const quint64 value = qToBigEndian(m_fast.finish());
            return QByteArray(reinterpret_cast<const char*>(&value), sizeof(value));
        }
        QByteArray digest(crypto_generichash_BYTES, Qt::Uninitialized);
        crypto_generichash_final(&m_state, reinterpret_cast<unsigned char*>(digest.data()), size_t(digest.size()));
        return digest;
    }

private:
    DigestKind m_kind;
    Xxh64 m_fast;
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

quint64 digest64(const char* data, size_t size)
{
    Xxh64 digest;
    digest.add(data, size);
    return digest.finish();
}

Result read(
    const QString& source, const std::function<Result(const char*, size_t)>& sink, const std::atomic<bool>* stop)
{
    return readFrames(source, stop, sink);
}

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

struct Writer::State
{
    explicit State(const QString& target)
        : out(target, O_WRONLY | O_CREAT | O_EXCL)
        , context(ZSTD_createCCtx(), &ZSTD_freeCCtx)
        , output(ZSTD_CStreamOutSize() * 8)
    {
        configure(context.get());
    }

    Descriptor out;
    std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context;
    std::vector<char> output;
    Digest digest;
    qint64 compressedBytes = 0;
    qint64 sinceSpaceCheck = SpaceCheckEvery; // look before the first write
};

Writer::Writer(const QString& target, qint64 keepFree, const std::atomic<bool>* stop)
    : m_target(target)
    , m_keepFree(keepFree)
    , m_stop(stop)
    , m_state(std::make_unique<State>(target))
{
    if (!m_state->out.isOpen())
        m_failure = failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(target)));
}

Writer::~Writer()
{
    if (!m_finished && m_state->out.isOpen())
        QFile::remove(m_target);
}

bool Writer::fail(Result result)
{
    if (m_failure.ok()) {
        m_failure = std::move(result);
        if (m_state->out.isOpen())
            QFile::remove(m_target);
        m_finished = true;
    }
    return false;
}

bool Writer::compressed(const char* data, size_t size, bool end)
{
    State& state = *m_state;
    ZSTD_inBuffer chunk { data, size, 0 };
    for (bool finished = false; !finished;) {
        ZSTD_outBuffer compressed { state.output.data(), state.output.size(), 0 };
        const size_t left
            = ZSTD_compressStream2(state.context.get(), &compressed, &chunk, end ? ZSTD_e_end : ZSTD_e_continue);
        if (ZSTD_isError(left))
            return fail(failed(Problem::Other, QString::fromUtf8(ZSTD_getErrorName(left))));
        if (compressed.pos > 0) {
            if (state.sinceSpaceCheck >= SpaceCheckEvery) {
                state.sinceSpaceCheck = 0;
                if (m_keepFree > 0 && availableBytes(m_target) - qint64(compressed.pos) < m_keepFree)
                    return fail(diskFull(m_target));
            }
            if (!writeAll(state.out.get(), state.output.data(), compressed.pos))
                return fail(errno == ENOSPC || errno == EDQUOT
                        ? diskFull(m_target)
                        : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))));
            state.digest.add(state.output.data(), compressed.pos);
            state.sinceSpaceCheck += qint64(compressed.pos);
            state.compressedBytes += qint64(compressed.pos);
        }
        finished = end ? left == 0 : chunk.pos == chunk.size;
    }
    return true;
}

bool Writer::add(const char* data, size_t size)
{
    if (!m_failure.ok() || m_finished)
        return false;
    if (stopped(m_stop))
        return fail(failed(Problem::Stopped, QStringLiteral("已停止")));
    m_plainBytes += qint64(size);
    return compressed(data, size, false);
}

bool Writer::reserveHead(qint64 plainBytes)
{
    if (!m_failure.ok() || m_finished || m_state->compressedBytes > 0 || m_headBytes > 0)
        return false;
    m_headPlain = plainBytes;
    m_headBytes = qint64(ZSTD_compressBound(size_t(plainBytes))) + SkippableHeaderBytes;
    const std::vector<char> room(size_t(m_headBytes), 0);
    if (!writeAll(m_state->out.get(), room.data(), room.size()))
        return fail(errno == ENOSPC || errno == EDQUOT
                ? diskFull(m_target)
                : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))));
    return true;
}

Result Writer::finish(const QByteArray& head)
{
    if (!m_failure.ok() || m_finished)
        return m_failure.ok() ? failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))) : m_failure;
    if (qint64(head.size()) != m_headPlain) {
        fail(failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))));
        return m_failure;
    }
    if (!compressed(nullptr, 0, true))
        return m_failure;
    if (m_headBytes > 0) {
        // The head: its own frame, then a skippable frame up to the room kept.
        std::vector<char> room(size_t(m_headBytes), 0);
        std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), &ZSTD_freeCCtx);
        configure(context.get());
        const size_t frame = ZSTD_compress2(
            context.get(), room.data(), room.size() - SkippableHeaderBytes, head.constData(), size_t(head.size()));
        if (ZSTD_isError(frame)) {
            fail(failed(Problem::Other, QString::fromUtf8(ZSTD_getErrorName(frame))));
            return m_failure;
        }
        const quint32 padding = quint32(room.size() - frame - SkippableHeaderBytes);
        const quint32 magic = ZSTD_MAGIC_SKIPPABLE_START;
        for (int i = 0; i < 4; ++i) {
            room[frame + size_t(i)] = char((magic >> (8 * i)) & 0xff);
            room[frame + 4 + size_t(i)] = char((padding >> (8 * i)) & 0xff);
        }
        if (::pwrite(m_state->out.get(), room.data(), room.size(), 0) != ssize_t(room.size())) {
            fail(errno == ENOSPC || errno == EDQUOT
                    ? diskFull(m_target)
                    : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))));
            return m_failure;
        }
        m_state->digest.add(room.data(), room.size());
        m_state->compressedBytes += m_headBytes;
        m_plainBytes += m_headPlain;
    }
    if (::fsync(m_state->out.get()) != 0) {
        fail(errno == ENOSPC ? diskFull(m_target)
                             : failed(Problem::Other, QStringLiteral("无法写入 %1").arg(native(m_target))));
        return m_failure;
    }
    m_finished = true;
    Result result;
    result.plainBytes = m_plainBytes;
    result.compressedBytes = m_state->compressedBytes;
    result.digest = m_state->digest.finish();
    result.headBytes = m_headBytes;
    return result;
}

Result compress(const QString& source, const QString& target, qint64 keepFree, const std::atomic<bool>* stop)
{
    Descriptor in(source, O_RDONLY);
    if (!in.isOpen())
        return failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
    ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Writer writer(target, keepFree, stop);
    if (!writer.failure().ok())
        return writer.failure();
    std::vector<char> input(ZSTD_CStreamInSize() * 8);
    for (;;) {
        const ssize_t read = readSome(in.get(), input.data(), input.size());
        if (read < 0) {
            Result result = failed(Problem::Other, QStringLiteral("无法读取 %1").arg(native(source)));
            return result; // the writer removes its file
        }
        if (read == 0)
            break;
        if (!writer.add(input.data(), size_t(read)))
            return writer.failure();
    }
    return writer.finish();
}

Result readBack(const QString& source, const std::atomic<bool>* stop, qint64 headBytes, DigestKind kind)
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
    Digest digest(kind);
    QByteArray head;
    for (;;) {
        if (stopped(stop))
            return failed(Problem::Stopped, QStringLiteral("已停止"));
        const ssize_t read = readSome(in.get(), buffer.data(), buffer.size());
        if (read < 0)
            return failed(Problem::Damaged, QStringLiteral("无法读取 %1").arg(native(source)));
        if (read == 0)
            break;
        // The head is taken in last.
        qint64 from = 0;
        if (result.compressedBytes < headBytes) {
            from = std::min<qint64>(headBytes - result.compressedBytes, read);
            head.append(buffer.data(), from);
        }
        digest.add(buffer.data() + from, size_t(read - from));
        result.compressedBytes += read;
    }
    if (result.compressedBytes < headBytes)
        return failed(Problem::Damaged, QStringLiteral("%1 不完整").arg(native(source)));
    digest.add(head.constData(), size_t(head.size()));
    result.headBytes = headBytes;
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
