#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// Files kept compressed (zstd, one frame carrying a checksum of its content), written and read
// as streams so that a file of any size takes little memory. A write never takes the disk
// below the free space it is told to leave; a full disk is told apart from damage.
namespace CompressedFile {

// How the digest of a compressed file is reckoned.
enum class DigestKind {
    Fast, // XXH64, 8 bytes: what a Writer reckons
    Blake2b, // BLAKE2b-256, 32 bytes: the files written before
};

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
    // The digest of the compressed bytes, as written or as read back: of the bytes after the
    // first `headBytes`, then of those (all of them in order when `headBytes` is 0). XXH64, 8
    // bytes; BLAKE2b-256, 32 bytes, in the files written before.
    QByteArray digest;
    qint64 headBytes = 0;

    bool ok() const { return problem == Problem::None; }
};

// A compressed file written as a stream of content handed to it piece by piece (a database
// copied page by page): nothing but the compressed bytes reaches the disk. Destroying a writer
// that was not finished removes its file.
class Writer
{
public:
    // Starts the new file `target`; a write stops when less than `keepFree` bytes would be left
    // on its disk, or when `stop` is set.
    explicit Writer(const QString& target, qint64 keepFree = 0, const std::atomic<bool>* stop = nullptr);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Keeps room at the start of the file for the content's first `plainBytes` bytes, which
    // come last, to finish(); before anything is added. The file then holds two frames: those
    // bytes, padded to the room kept by a frame that a reader skips, and the rest.
    bool reserveHead(qint64 plainBytes);
    // False once anything failed; then failure() says what.
    bool add(const char* data, size_t size);
    // Ends the frame, writes `head` into the room reserved for it, and syncs the file: the sizes
    // and the digest of what was written.
    Result finish(const QByteArray& head = {});
    // What failed (the file is then removed).
    const Result& failure() const { return m_failure; }
    qint64 plainBytes() const { return m_plainBytes; }

private:
    bool fail(Result result);
    bool compressed(const char* data, size_t size, bool end);

    QString m_target;
    qint64 m_keepFree;
    const std::atomic<bool>* m_stop;
    struct State;
    std::unique_ptr<State> m_state;
    Result m_failure;
    qint64 m_plainBytes = 0;
    qint64 m_headPlain = 0; // the content's bytes the head is kept for
    qint64 m_headBytes = 0; // the room kept for them
    bool m_finished = false;
};

// Compresses `source` into the new file `target` and syncs it. Stops when less than
// `keepFree` bytes would be left on the target's disk, or when `stop` is set.
Result compress(
    const QString& source, const QString& target, qint64 keepFree = 0, const std::atomic<bool>* stop = nullptr);

// Reads the compressed bytes of `source` back from the disk (not from the page cache): their
// size and digest (the first `headBytes` last, as a Writer with a head reckons it), to be
// compared with those written. A tenth of the work of decompressing them.
Result readBack(const QString& source, const std::atomic<bool>* stop = nullptr, qint64 headBytes = 0,
    DigestKind kind = DigestKind::Fast);

// Decompresses `source`, handing its content piece by piece to `sink`, which returns a failed
// result to end it; the content is checked against the checksum the frame carries.
Result read(const QString& source, const std::function<Result(const char*, size_t)>& sink,
    const std::atomic<bool>* stop = nullptr);

// Decompresses `source` into the new file `target`, its content checked against the checksum
// the frame carries, and syncs it; nothing is left at `target` after a failure.
Result decompress(const QString& source, const QString& target, const std::atomic<bool>* stop = nullptr);

// XXH64 (seed 0) of `size` bytes: the digest of one page of a database.
quint64 digest64(const char* data, size_t size);

// The free bytes on the disk that holds `path` for an ordinary user (-1: unknown).
qint64 availableBytes(const QString& path);
// The size of that disk (-1: unknown).
qint64 diskBytes(const QString& path);

} // namespace CompressedFile
