#include "app/BackupPages.h"

#include "app/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace BackupPages {

namespace {

constexpr char ListMagic[8] = { 'T', 'V', 'P', 'A', 'G', 'E', 'S', '1' };
constexpr char DeltaMagic[8] = { 'T', 'V', 'D', 'E', 'L', 'T', 'A', '1' };
constexpr qint64 HeaderBytes = 16; // the magic, the page size, four bytes kept
constexpr quint32 EndMark = 0xFFFFFFFF; // in place of a page number: the page count follows
// Far more than any house: the list of a database of 16 GB of 4 KB pages is 32 MB.
constexpr qint64 MostPages = qint64(1) << 32;

bool validPageSize(qint64 size)
{
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

template <typename T> void append(QByteArray& bytes, T value)
{
    const T little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), sizeof(T));
}

template <typename T> T load(const char* data)
{
    T value;
    std::memcpy(&value, data, sizeof(T));
    return qFromLittleEndian(value);
}

QByteArray header(const char (&magic)[8], qint64 pageSize)
{
    QByteArray bytes(magic, sizeof(magic));
    append(bytes, quint32(pageSize));
    append(bytes, quint32(0));
    return bytes;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Reads the records of a delta's content as it is decompressed, piece by piece, and writes
// their pages into the file.
class Applier
{
public:
    explicit Applier(int target)
        : m_target(target)
    { }

    QString consume(const char* data, size_t size)
    {
        m_pending.append(data, qsizetype(size));
        qsizetype at = 0;
        for (;;) {
            const qsizetype left = m_pending.size() - at;
            if (m_pageSize == 0) {
                if (left < HeaderBytes)
                    break;
                if (std::memcmp(m_pending.constData() + at, DeltaMagic, sizeof(DeltaMagic)) != 0)
                    return QStringLiteral("不是增量备份");
                m_pageSize = load<quint32>(m_pending.constData() + at + 8);
                if (!validPageSize(m_pageSize))
                    return QStringLiteral("增量备份的页大小不对");
                at += HeaderBytes;
                continue;
            }
            if (m_ended && left > 0)
                return QStringLiteral("增量备份的结尾之后还有内容");
            if (m_ended)
                break;
            if (left < 4)
                break;
            const quint32 number = load<quint32>(m_pending.constData() + at);
            if (number == EndMark) {
                if (left < 12)
                    break;
                m_pageCount = load<quint64>(m_pending.constData() + at + 4);
                m_ended = true;
                at += 12;
                continue;
            }
            if (left < 4 + m_pageSize)
                break;
            const qint64 offset = qint64(number) * m_pageSize;
            if (::pwrite(m_target, m_pending.constData() + at + 4, size_t(m_pageSize), offset) != m_pageSize)
                return errno == ENOSPC || errno == EDQUOT ? QStringLiteral("磁盘空间不够") : QStringLiteral("无法写入");
            m_highest = std::max<qint64>(m_highest, number);
            at += 4 + m_pageSize;
        }
        m_pending.remove(0, at);
        return {};
    }

    // The size the file is to have; an error text when the content ended early.
    QString end(qint64& bytes) const
    {
        if (!m_ended || !m_pending.isEmpty())
            return QStringLiteral("增量备份不完整");
        if (qint64(m_pageCount) <= m_highest || m_pageCount > quint64(MostPages))
            return QStringLiteral("增量备份的页数不对");
        bytes = qint64(m_pageCount) * m_pageSize;
        return {};
    }

private:
    int m_target;
    QByteArray m_pending;
    qint64 m_pageSize = 0;
    quint64 m_pageCount = 0;
    qint64 m_highest = 0;
    bool m_ended = false;
};

} // namespace

void set(List& list, qint64 index, const char* page)
{
    if (qint64(list.digests.size()) < index) {
        const std::vector<char> zeros(size_t(list.pageSize), 0);
        list.digests.resize(size_t(index), CompressedFile::digest64(zeros.data(), zeros.size()));
    }
    const quint64 digest = CompressedFile::digest64(page, size_t(list.pageSize));
    if (qint64(list.digests.size()) == index)
        list.digests.push_back(digest);
    else
        list.digests[size_t(index)] = digest;
}

QByteArray serialized(const List& list)
{
    QByteArray bytes = header(ListMagic, list.pageSize);
    append(bytes, quint64(list.digests.size()));
    bytes.reserve(bytes.size() + qsizetype(list.digests.size()) * 8 + 8);
    for (const quint64 digest : list.digests)
        append(bytes, digest);
    append(bytes, CompressedFile::digest64(bytes.constData(), size_t(bytes.size())));
    return bytes;
}

std::optional<List> read(const QString& path)
{
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path, 64 * 1024 * 1024);
    if (!bytes || bytes->size() < HeaderBytes + 16 || std::memcmp(bytes->constData(), ListMagic, 8) != 0)
        return std::nullopt;
    const char* data = bytes->constData();
    const qint64 count = qint64(load<quint64>(data + HeaderBytes));
    if (count < 0 || bytes->size() != HeaderBytes + 8 + 8 * count + 8)
        return std::nullopt;
    const qsizetype body = bytes->size() - 8;
    if (load<quint64>(data + body) != CompressedFile::digest64(data, size_t(body)))
        return std::nullopt;
    List list;
    list.pageSize = load<quint32>(data + 8);
    if (!validPageSize(list.pageSize))
        return std::nullopt;
    list.digests.resize(size_t(count));
    for (qint64 i = 0; i < count; ++i)
        list.digests[size_t(i)] = load<quint64>(data + HeaderBytes + 8 + 8 * i);
    return list;
}

qint64 pageSizeOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(100);
    if (head.size() < 100 || !head.startsWith("SQLite format 3"))
        return 0;
    const qint64 size = (quint8(head[16]) << 8) | quint8(head[17]);
    return size == 1 ? 65536 : size;
}

Delta::Delta(CompressedFile::Writer& writer, const List& base, List& pages)
    : m_writer(writer)
    , m_base(base)
    , m_pages(pages)
{
    const QByteArray start = header(DeltaMagic, m_pages.pageSize);
    m_writer.add(start.constData(), size_t(start.size()));
}

bool Delta::add(qint64 index, const char* page)
{
    if (index < 0 || index >= MostPages - 1)
        return false;
    set(m_pages, index, page);
    // The first page counts every change: it is always written.
    if (index > 0 && index < qint64(m_base.digests.size())
        && m_base.digests[size_t(index)] == m_pages.digests[size_t(index)])
        return m_writer.failure().ok();
    QByteArray number;
    append(number, quint32(index));
    ++m_changed;
    return m_writer.add(number.constData(), size_t(number.size())) && m_writer.add(page, size_t(m_pages.pageSize));
}

bool Delta::finish()
{
    QByteArray end;
    append(end, EndMark);
    append(end, quint64(m_pages.digests.size()));
    return m_writer.add(end.constData(), size_t(end.size()));
}

QString apply(const QString& deltaPath, const QString& target, const std::atomic<bool>* stop)
{
    QFile out(target); // not truncated: the whole copy is there
    if (!out.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return QStringLiteral("无法写入 %1").arg(native(target));
    Applier applier(out.handle());
    const CompressedFile::Result read = CompressedFile::read(
        deltaPath,
        [&applier](const char* data, size_t size) {
            CompressedFile::Result result;
            if (const QString error = applier.consume(data, size); !error.isEmpty()) {
                result.problem = CompressedFile::Problem::Damaged;
                result.error = error;
            }
            return result;
        },
        stop);
    if (!read.ok())
        return read.error;
    qint64 bytes = 0;
    if (const QString error = applier.end(bytes); !error.isEmpty())
        return error;
    if (::ftruncate(out.handle(), bytes) != 0 || ::fsync(out.handle()) != 0)
        return QStringLiteral("无法写入 %1").arg(native(target));
    return {};
}

QString verify(const QString& path, const List& list, const std::atomic<bool>* stop)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("无法读取 %1").arg(native(path));
    if (in.size() != list.bytes())
        return QStringLiteral("恢复出的数据大小不对");
    ::posix_fadvise(in.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const qint64 pagesPerRead = std::max<qint64>(1, 1024 * 1024 / list.pageSize);
    std::vector<char> buffer(size_t(pagesPerRead * list.pageSize));
    for (qint64 page = 0; page < qint64(list.digests.size()); page += pagesPerRead) {
        if (stop && stop->load(std::memory_order_relaxed))
            return QStringLiteral("已停止");
        const qint64 count = std::min<qint64>(pagesPerRead, qint64(list.digests.size()) - page);
        const ssize_t got = ::pread(in.handle(), buffer.data(), size_t(count * list.pageSize), page * list.pageSize);
        if (got != count * list.pageSize)
            return QStringLiteral("无法读取 %1").arg(native(path));
        for (qint64 i = 0; i < count; ++i) {
            if (CompressedFile::digest64(buffer.data() + i * list.pageSize, size_t(list.pageSize))
                != list.digests[size_t(page + i)])
                return QStringLiteral("恢复出的数据和备份时记下的不一样(第 %1 页)").arg(page + i + 1);
        }
    }
    return {};
}

} // namespace BackupPages
