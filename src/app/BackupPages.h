#pragma once

#include "app/CompressedFile.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <optional>
#include <vector>

// The pages of a backed-up database, and the backups that hold only the pages that changed.
//
// Every backup of a file keeps beside its compressed copy the list of its pages (pages.xxh): the
// page size and the XXH64 of each page. A later backup into the same folder may hold only the
// pages that differ from those of the newest whole copy there (data.db.delta.zst, an
// incremental backup): a day of bills changes a few MB of a database of years. It is restored
// by decompressing the whole copy it builds on, writing its pages over that, and checking
// every page of the result against its own list.
namespace BackupPages {

inline constexpr QStringView ListFileName = u"pages.xxh";
inline constexpr QStringView DeltaFileName = u"data.db.delta.zst";

struct List
{
    qint64 pageSize = 0;
    std::vector<quint64> digests; // of the pages in order, the first page's first

    qint64 bytes() const { return pageSize * qint64(digests.size()); }
};

// Sets the digest of page `index` (from 0) to that of `page` (of the list's page size); the
// pages skipped before it are holes of zeros.
void set(List& list, qint64 index, const char* page);

QByteArray serialized(const List& list);
// The list in the file at `path`, when it is whole.
std::optional<List> read(const QString& path);

// The page size a database file at `path` names in its header (0: none).
qint64 pageSizeOf(const QString& path);

// The content of an incremental backup, written into a compressed file: a header with the page
// size, then each page that differs from the base (the first page always) with its number, then
// the page count of the copy. `pages` gets the list of every page of the copy.
class Delta
{
public:
    Delta(CompressedFile::Writer& writer, const List& base, List& pages);
    // Page `index` of the copy, each page once, in any order; false when the writer failed.
    bool add(qint64 index, const char* page);
    // The end of the content, once every page was added.
    bool finish();
    qint64 changedPages() const { return m_changed; }

private:
    CompressedFile::Writer& m_writer;
    const List& m_base;
    List& m_pages;
    qint64 m_changed = 0;
};

// Writes the pages of the incremental backup at `deltaPath` into the file at `target` (the
// decompressed whole copy it builds on) and gives the file the copy's size, synced; returns the
// error text.
QString apply(const QString& deltaPath, const QString& target, const std::atomic<bool>* stop = nullptr);

// Checks every page of the file at `path` against `list`; the error text names the first page
// that differs.
QString verify(const QString& path, const List& list, const std::atomic<bool>* stop = nullptr);

} // namespace BackupPages
