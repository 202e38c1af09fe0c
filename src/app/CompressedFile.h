#pragma once

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

    bool ok() const { return problem == Problem::None; }
};

// Compresses `source` into the new file `target` and syncs it. Stops when less than
// `keepFree` bytes would be left on the target's disk, or when `stop` is set.
Result compress(
    const QString& source, const QString& target, qint64 keepFree = 0, const std::atomic<bool>* stop = nullptr);

// Reads `source` back from the disk (not from the page cache) and checks its content against
// the checksum it carries; the sizes are those found.
Result verify(const QString& source, const std::atomic<bool>* stop = nullptr);

// Decompresses `source` into the new file `target` (checked as verify() does) and syncs it;
// nothing is left at `target` after a failure.
Result decompress(const QString& source, const QString& target, const std::atomic<bool>* stop = nullptr);

// The free bytes on the disk that holds `path` for an ordinary user (-1: unknown).
qint64 availableBytes(const QString& path);
// The size of that disk (-1: unknown).
qint64 diskBytes(const QString& path);

} // namespace CompressedFile
