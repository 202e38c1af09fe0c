#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

// Files kept compressed (zstd, one frame carrying a checksum of its content), written and read
// as streams so that a file of any size takes little memory. A write never takes the disk
// below the free space it is told to leave; a full disk is told apart from damage.
namespace CompressedFile {

enum class Problem {
    None,
    DiskFull, // the disk could not take what was to be written
    Damaged, // the compressed file is not whole (or not one of ours)
    Stopped, // stopped by the caller
    Other, // a file could not be opened, read or written
};

struct Result
{
    Problem problem = Problem::None;
    QString error; // for the user, empty when nothing went wrong
    qint64 plainBytes = 0; // the size of the content
    qint64 compressedBytes = 0;
    QByteArray digest; // BLAKE2b-256 of the compressed bytes, as written or as read back

    bool ok() const { return problem == Problem::None; }
};

// Compresses `source` into the new file `target` and syncs it. Stops when less than
// `keepFree` bytes would be left on the target's disk, or when `stop` is set.
Result compress(
    const QString& source, const QString& target, qint64 keepFree = 0, const std::atomic<bool>* stop = nullptr);

// Reads the compressed bytes of `source` back from the disk (not from the page cache): their
// size and digest, to be compared with those compress() wrote. A tenth of the work of
// decompressing them.
Result readBack(const QString& source, const std::atomic<bool>* stop = nullptr);

// Decompresses `source` into the new file `target`, its content checked against the checksum
// the frame carries, and syncs it; nothing is left at `target` after a failure.
Result decompress(const QString& source, const QString& target, const std::atomic<bool>* stop = nullptr);

// The free bytes on the disk that holds `path` for an ordinary user (-1: unknown).
qint64 availableBytes(const QString& path);
// The size of that disk (-1: unknown).
qint64 diskBytes(const QString& path);

} // namespace CompressedFile
