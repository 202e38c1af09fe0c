#include "app/Backups.h"

#include "app/BackupPages.h"
#include "app/BackupRotation.h"
#include "app/BackupsFolder.h"
#include "app/CompressedFile.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/DurableFile.h"
#include "app/RecordChain.h"
#include "app/SqliteWorkerThread.h"
#include "app/TextFormat.h"

#include <QAtomicInt>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace Backups {

namespace {

const QString NamePrefix = QStringLiteral("tavrel-");
const QString PartialPrefix = QStringLiteral(".partial-");
const QString BeforeRestoreSuffix = QStringLiteral("-before-restore");
constexpr QStringView MomentFormat = u"yyyyMMdd-HHmmss";

// The setting files of a data folder: the binary ones (HouNum.daf, pagesel?.dat, sys.nnf, clock.nnf)
// and the text ones (lists.ini).
const QStringList SettingFilePatterns { QStringLiteral("*.daf"), QStringLiteral("*.dat"), QStringLiteral("*.nnf"),
    QStringLiteral("*.ini") };

QString connectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("tavrel-backup-%1").arg(counter.fetchAndAddRelaxed(1));
}

struct Described
{
    Contents contents;
    qint64 plainBytes = -1;
    QByteArray digest; // of the compressed file (data.db.zst or data.db.delta.zst)
    qint64 headBytes = 0; // taken in last by the digest
    // Of an incremental backup: the folder of the whole copy it builds on, the digest of that
    // copy's data.db.zst, and the size of the database it restores.
    QString base;
    QByteArray baseDigest;
    qint64 databaseBytes = -1;
};

// What contents.txt in the backup folder `folder` says.
std::optional<Described> readContentsText(const QString& folder)
{
    const std::optional<QByteArray> bytes
        = DurableFile::readRegular(QDir(folder).filePath(ContentsFileName.toString()), 64 * 1024);
    if (!bytes)
        return std::nullopt;
    QHash<QString, QString> values;
    for (const QString& line : QString::fromUtf8(*bytes).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    bool ok = false;
    Described described;
    described.contents.schemaVersion = values.value(QStringLiteral("schema")).toInt(&ok);
    if (!ok)
        return std::nullopt;
    described.contents.receiptCount = values.value(QStringLiteral("receipts")).toLongLong();
    described.contents.lastReceipt = values.value(QStringLiteral("lastReceipt")).toLongLong();
    described.contents.lastReceiptTime = DateTimeFromText(values.value(QStringLiteral("lastReceiptTime")));
    described.contents.lastReceiptTotal = values.value(QStringLiteral("lastReceiptTotal"));
    described.digest = QByteArray::fromHex(values.value(QStringLiteral("checksum")).toLatin1());
    described.headBytes = values.value(QStringLiteral("checksumHead")).toLongLong(); // 0 before it was written
    described.plainBytes = values.value(QStringLiteral("bytes")).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    described.base = values.value(QStringLiteral("base"));
    described.baseDigest = QByteArray::fromHex(values.value(QStringLiteral("baseChecksum")).toLatin1());
    described.databaseBytes = values.value(QStringLiteral("databaseBytes")).toLongLong(&ok);
    if (!ok)
        described.databaseBytes = described.base.isEmpty() ? described.plainBytes : -1;
    return described;
}

std::optional<Entry> entryOf(const QFileInfo& folder)
{
    static const QRegularExpression name(QStringLiteral("^tavrel-(\\d{8}-\\d{6})(-\\d+)?(-before-restore)?$"));
    const QRegularExpressionMatch match = name.match(folder.fileName());
    if (!match.hasMatch())
        return std::nullopt;
    const QDateTime taken = QDateTime::fromString(match.captured(1), MomentFormat);
    if (!taken.isValid() || folder.isSymLink())
        return std::nullopt;
    // Neither the folder nor its database may lead elsewhere.
    const auto isOwnFile = [&folder](QStringView name) {
        const QFileInfo file(folder.absoluteFilePath() + u'/' + name);
        return file.isFile() && !file.isSymLink();
    };
    const bool incremental = isOwnFile(BackupPages::DeltaFileName);
    const bool compressed = incremental || isOwnFile(CompressedFileName);
    const bool serverDump = !compressed && isOwnFile(DumpFileName);
    if (!compressed && !serverDump && !isOwnFile(DatabaseFileName))
        return std::nullopt;
    QString base;
    if (incremental) {
        const std::optional<Described> described = readContentsText(folder.absoluteFilePath());
        base = described ? described->base : QString();
    }
    return Entry { folder.absoluteFilePath(), taken, match.hasCaptured(3) ? Kind::BeforeRestore : Kind::Regular,
        compressed, serverDump, incremental, base };
}

// Links in the backup folder are left alone; what says so.
QString linkNote(const QFileInfo& link)
{
    return QStringLiteral("备份文件夹中的 %1 是一个链接,程序没有动它。")
        .arg(QDir::toNativeSeparators(link.absoluteFilePath()));
}

// Removes a folder the desk made, never through a link.
bool removeOwnFolder(const QString& path)
{
    const QFileInfo folder(path);
    if (folder.isSymLink() || !folder.isDir())
        return false;
    return QDir(path).removeRecursively();
}

// Runs `work` on a read-only connection of its own to the database at `path`; the watcher
// sees its handle meanwhile. Returns the error text of opening it, or what `work` returns.
QString onReadOnlyConnection(
    const QString& path, const HandleWatcher& watcher, const std::function<QString(QSqlDatabase&)>& work)
{
    const QString name = connectionName();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) {
            error = DatabaseErrorText(db.lastError());
        } else {
            if (watcher)
                watcher(SqliteWorkerThread::handleOf(db));
            error = work(db);
            if (watcher)
                watcher(nullptr);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

// SQLite's own consistent copy of the database at `source` into the new file `target`.
QString copyDatabase(const QString& source, const QString& target, const HandleWatcher& watcher)
{
    if (!QFileInfo(source).isFile())
        return QStringLiteral("找不到数据库文件 %1").arg(QDir::toNativeSeparators(source));
    return onReadOnlyConnection(source, watcher, [&target](QSqlDatabase& db) {
        QSqlQuery copy(db);
        if (!copy.prepare(QStringLiteral("VACUUM INTO ?")))
            return DatabaseErrorText(copy.lastError());
        copy.addBindValue(target);
        if (!copy.exec())
            return DatabaseErrorText(copy.lastError());
        return QString();
    });
}

// What the database on `db` holds, for choosing a backup: a file that is not a database of
// this program, or of a later version, is refused with the text that says so.
QString readContents(QSqlDatabase& db, Contents& contents)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return DatabaseErrorText(query.lastError());
    contents.schemaVersion = query.value(0).toInt();
    if (contents.schemaVersion < 1)
        return QStringLiteral("这个文件不是本系统的数据库");
    if (contents.schemaVersion > Database::SchemaVersion)
        return QStringLiteral("这个备份来自更新版本的程序(数据库版本 %1)").arg(contents.schemaVersion);
    query.finish();
    return Folder::readReceipts(db, contents);
}

constexpr int PagesPerStep = 1024; // 4 MB of pages of 4 KB

// The online backup's copy goes straight into the compressed file: the connection it copies
// into opens, through the file system below (a "VFS" of SQLite's), a file that is no file on
// the disk but hands each page written to it on to the compressed stream. The copy writes its
// pages in order, each once, and then the first page again at the end of each step (with its
// change counter and the like counted up); what the stream holds of the first page is the
// first page as the copy first wrote it, which names the whole size of the copy. The
// connection only reads the first page back, so only the first page is kept.
namespace Stream {

constexpr const char* VfsName = "tavrel-backup-stream";

// Where a later write of the first page may differ from the first: the file format's
// read/write versions, change counter, size in pages, schema cookie, the counter's copy and
// SQLite's version number.
bool differsOnlyInCounters(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        if (i == 18 || i == 19 || (i >= 24 && i < 32) || (i >= 40 && i < 44) || (i >= 92 && i < 100))
            continue;
        return false;
    }
    return true;
}

struct Sink
{
    CompressedFile::Writer* writer = nullptr;
    qint64 pageSize = 0;
    QByteArray first; // the first page as the copy holds it now
    QByteArray firstStreamed; // as it went into the stream
    bool firstLast = false; // the first page comes after the others: the writer keeps room for it
    qint64 streamed = 0; // the bytes of the copy the writer took (or keeps room for)
    bool failed = false; // a write the stream could not take (not the writer's failure)
    BackupPages::List* pages = nullptr; // the digest of every page, as the stream holds it
    // Set: the stream holds only the pages that differ from the whole copy's.
    BackupPages::Delta* delta = nullptr;
    qint64 lastPage = 0; // the last page added to the delta but the first

    bool write(const char* data, qint64 amount, qint64 offset)
    {
        if (failed || !writer->failure().ok())
            return false;
        if (amount != pageSize || offset % pageSize != 0)
            return !(failed = true);
        if (offset == 0 && !firstStreamed.isEmpty()) {
            const QByteArray page(data, amount);
            if (!differsOnlyInCounters(page, firstStreamed))
                return !(failed = true);
            first = page;
            return true;
        }
        if (delta)
            return writeChanged(data, amount, offset);
        if (offset == 0 && firstLast) {
            // The copy's own first page, written once the rest is: into the room kept for it.
            first = firstStreamed = QByteArray(data, amount);
            BackupPages::set(*pages, 0, data);
            return true;
        }
        if (offset == 0) {
            first = firstStreamed = QByteArray(data, amount);
        } else if (streamed == 0) {
            // The copy holds its first page to the end when it does not fit SQLite's cache.
            if (pageSize <= 0 || !writer->reserveHead(pageSize))
                return !(failed = true);
            firstLast = true;
            streamed = pageSize;
        }
        if (offset < streamed)
            return !(failed = true); // the copy started again: not in one read transaction
        if (offset > streamed) {
            // The page SQLite leaves out of every file (at 1 GiB) is a hole of zeros.
            static const std::vector<char> zeros(64 * 1024, 0);
            while (streamed < offset) {
                const qint64 gap = std::min<qint64>(offset - streamed, qint64(zeros.size()));
                if (!writer->add(zeros.data(), size_t(gap)))
                    return false;
                streamed += gap;
            }
        }
        if (!writer->add(data, size_t(amount)))
            return false;
        BackupPages::set(*pages, offset / pageSize, data);
        streamed += amount;
        return true;
    }

    // A page of an incremental backup: into the delta, which keeps what changed.
    bool writeChanged(const char* data, qint64 amount, qint64 offset)
    {
        const qint64 index = offset / pageSize;
        if (index == 0) {
            first = firstStreamed = QByteArray(data, amount);
        } else {
            if (index <= lastPage)
                return !(failed = true); // the copy started again: not in one read transaction
            firstLast = firstStreamed.isEmpty();
            lastPage = index;
        }
        streamed = std::max(streamed, offset + amount);
        return delta->add(index, data);
    }
};

struct File
{
    sqlite3_file base;
    Sink* sink;
};

QMutex sinksLock;
QHash<QByteArray, Sink*>& sinks()
{
    static QHash<QByteArray, Sink*> all;
    return all;
}

Sink& sinkOf(sqlite3_file* file)
{
    return *reinterpret_cast<File*>(file)->sink;
}

int closeFile(sqlite3_file*)
{
    return SQLITE_OK;
}

// The connection writing the copy reads no more than the first page back (before it is
// written: nothing).
int readFile(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    Sink& sink = sinkOf(file);
    char* out = static_cast<char*>(buffer);
    if (sink.firstLast && sink.first.isEmpty() && offset < sink.pageSize) {
        sink.failed = true; // the first page is not there yet
        return SQLITE_IOERR_READ;
    }
    if (offset >= sink.streamed) {
        std::memset(out, 0, size_t(amount));
        return SQLITE_IOERR_SHORT_READ;
    }
    if (offset + amount > sink.first.size()) {
        sink.failed = true;
        return SQLITE_IOERR_READ;
    }
    std::memcpy(out, sink.first.constData() + offset, size_t(amount));
    return SQLITE_OK;
}

int writeFile(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    return sinkOf(file).write(static_cast<const char*>(buffer), amount, offset) ? SQLITE_OK : SQLITE_IOERR_WRITE;
}

int truncateFile(sqlite3_file* file, sqlite3_int64 size)
{
    Sink& sink = sinkOf(file);
    if (size < sink.streamed) {
        sink.failed = true;
        return SQLITE_IOERR_TRUNCATE;
    }
    return SQLITE_OK;
}

int syncStream(sqlite3_file*, int)
{
    return SQLITE_OK;
}

int fileSize(sqlite3_file* file, sqlite3_int64* size)
{
    *size = sinkOf(file).streamed;
    return SQLITE_OK;
}

int lockFile(sqlite3_file*, int)
{
    return SQLITE_OK;
}

int checkReservedLock(sqlite3_file*, int* reserved)
{
    *reserved = 0;
    return SQLITE_OK;
}

int fileControl(sqlite3_file*, int, void*)
{
    return SQLITE_NOTFOUND;
}

int sectorSize(sqlite3_file*)
{
    return 4096;
}

int deviceCharacteristics(sqlite3_file*)
{
    return 0;
}

const sqlite3_io_methods Methods
    = { 1, closeFile, readFile, writeFile, truncateFile, syncStream, fileSize, lockFile, lockFile, checkReservedLock,
          fileControl, sectorSize, deviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr };

sqlite3_vfs* below(sqlite3_vfs* vfs)
{
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

int openFile(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    if (name && (flags & SQLITE_OPEN_MAIN_DB)) {
        QMutexLocker locked(&sinksLock);
        if (Sink* sink = sinks().value(QByteArray(name))) {
            auto* own = reinterpret_cast<File*>(file);
            own->base.pMethods = &Methods;
            own->sink = sink;
            if (outFlags)
                *outFlags = flags;
            return SQLITE_OK;
        }
    }
    return below(vfs)->xOpen(below(vfs), name, file, flags, outFlags);
}

int fullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
{
    {
        QMutexLocker locked(&sinksLock);
        if (sinks().contains(QByteArray(name))) {
            if (int(std::strlen(name)) >= size)
                return SQLITE_CANTOPEN;
            std::strcpy(out, name);
            return SQLITE_OK;
        }
    }
    return below(vfs)->xFullPathname(below(vfs), name, size, out);
}

int deleteFile(sqlite3_vfs* vfs, const char* name, int syncDir)
{
    return below(vfs)->xDelete(below(vfs), name, syncDir);
}

int accessFile(sqlite3_vfs* vfs, const char* name, int flags, int* result)
{
    return below(vfs)->xAccess(below(vfs), name, flags, result);
}

int randomness(sqlite3_vfs* vfs, int size, char* out)
{
    return below(vfs)->xRandomness(below(vfs), size, out);
}

int sleepFor(sqlite3_vfs* vfs, int microseconds)
{
    return below(vfs)->xSleep(below(vfs), microseconds);
}

int currentTime(sqlite3_vfs* vfs, double* now)
{
    return below(vfs)->xCurrentTime(below(vfs), now);
}

int lastError(sqlite3_vfs* vfs, int size, char* out)
{
    return below(vfs)->xGetLastError(below(vfs), size, out);
}

// Registered once, beside the usual one, which does everything but the copy's own file.
bool registered()
{
    static const bool done = [] {
        sqlite3_initialize();
        sqlite3_vfs* usual = sqlite3_vfs_find(nullptr);
        if (!usual)
            return false;
        static sqlite3_vfs vfs {};
        vfs.iVersion = 1;
        vfs.szOsFile = std::max<int>(usual->szOsFile, int(sizeof(File)));
        vfs.mxPathname = usual->mxPathname;
        vfs.zName = VfsName;
        vfs.pAppData = usual;
        vfs.xOpen = openFile;
        vfs.xDelete = deleteFile;
        vfs.xAccess = accessFile;
        vfs.xFullPathname = fullPathname;
        vfs.xRandomness = randomness;
        vfs.xSleep = sleepFor;
        vfs.xCurrentTime = currentTime;
        vfs.xGetLastError = lastError;
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return done;
}

// A sink known to the file system above by `name` while it lives.
class Registration
{
public:
    Registration(const QByteArray& name, Sink* sink)
        : m_name(name)
    {
        QMutexLocker locked(&sinksLock);
        sinks().insert(m_name, sink);
    }
    ~Registration()
    {
        QMutexLocker locked(&sinksLock);
        sinks().remove(m_name);
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    QByteArray m_name;
};

} // namespace Stream

// SQLite's online backup of the database at `source`, in one read transaction (one committed
// state, whatever the desk writes meanwhile: the log lets it write beside the read), streamed
// into the compressed file `target`; `contents` gets what that state holds, `pages` the digest
// of each page. With a `base`, the file holds only the pages that differ from it. A few MB a
// step.
QString copyCompressed(const QString& source, const QString& target, const Options& options, qint64 keepFree,
    const BackupPages::List* base, Contents& contents, BackupPages::List& pages, CompressedFile::Result& packed)
{
    if (!QFileInfo(source).isFile())
        return QStringLiteral("找不到数据库文件 %1").arg(QDir::toNativeSeparators(source));
    if (!Stream::registered())
        return QStringLiteral("无法写入 %1").arg(QDir::toNativeSeparators(target));
    return onReadOnlyConnection(source, options.watcher, [&](QSqlDatabase& db) {
        // The pages are read through a map of the file rather than a call each.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size=2147418112"));
        if (!db.transaction())
            return DatabaseErrorText(db.lastError());
        // What the copy holds is read in its read transaction.
        QString error = readContents(db, contents);
        QSqlQuery pageSize(db);
        const qint64 bytesPerPage
            = pageSize.exec(QStringLiteral("PRAGMA page_size")) && pageSize.next() ? pageSize.value(0).toLongLong() : 0;
        pageSize.finish();
        CompressedFile::Writer writer(target, keepFree, options.stop);
        if (error.isEmpty() && !writer.failure().ok())
            error = writer.failure().error;
        if (error.isEmpty() && (bytesPerPage <= 0 || (base && base->pageSize != bytesPerPage)))
            error = QStringLiteral("数据库的页大小不对");
        pages = BackupPages::List { bytesPerPage, {} };
        std::optional<BackupPages::Delta> delta;
        if (error.isEmpty() && base)
            delta.emplace(writer, *base, pages);
        Stream::Sink sink;
        sink.writer = &writer;
        sink.pageSize = bytesPerPage;
        sink.pages = &pages;
        sink.delta = delta ? &*delta : nullptr;
        const QByteArray name = QFile::encodeName(target) + ".copy";
        const Stream::Registration registration(name, &sink);
        sqlite3* to = nullptr;
        if (error.isEmpty()
            && sqlite3_open_v2(name.constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, Stream::VfsName)
                != SQLITE_OK)
            error = QStringLiteral("无法写入 %1").arg(QDir::toNativeSeparators(target));
        if (error.isEmpty()) {
            // Nothing but the pages reaches the file; the compressed copy is synced once whole. A
            // small cache: the pages go on to the stream as they are copied, not all at the end.
            sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-2048", nullptr,
                nullptr, nullptr);
            sqlite3_backup* backup = sqlite3_backup_init(to, "main", SqliteWorkerThread::handleOf(db), "main");
            if (!backup) {
                error = QString::fromUtf8(sqlite3_errmsg(to));
            } else {
                int result = SQLITE_OK;
                while (result == SQLITE_OK) {
                    if (options.stop && options.stop->load()) {
                        error = QStringLiteral("已停止");
                        break;
                    }
                    result = sqlite3_backup_step(backup, PagesPerStep);
                }
                const qint64 pageCount = sqlite3_backup_pagecount(backup);
                sqlite3_backup_finish(backup);
                if (!error.isEmpty()) {
                    // stopped
                } else if (!writer.failure().ok()) {
                    error = writer.failure().error;
                    packed = writer.failure();
                } else if (sink.failed || result != SQLITE_DONE) {
                    error = QStringLiteral("数据库的复制没有完成: ") + QString::fromUtf8(sqlite3_errstr(result));
                } else if (sink.streamed != pageCount * sink.first.size() || sink.first.isEmpty()
                    || qint64(pages.digests.size()) != pageCount) {
                    error = QStringLiteral("数据库的复制不完整");
                } else if (delta && !delta->finish()) {
                    error = writer.failure().error;
                    packed = writer.failure();
                }
            }
        }
        sqlite3_close(to);
        db.rollback();
        if (error.isEmpty()) {
            packed = writer.finish(sink.firstLast && !delta ? sink.firstStreamed : QByteArray());
            error = packed.error;
        }
        return error;
    });
}

qint64 folderBytes(const QString& path)
{
    qint64 bytes = 0;
    QDirIterator files(
        path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext())
        bytes += files.nextFileInfo().size();
    return bytes;
}

QString copySettingFiles(const QString& dataFolder, const QString& target)
{
    const QDir from(dataFolder);
    for (const QFileInfo& file : from.entryInfoList(SettingFilePatterns, QDir::Files)) {
        const QString copy = QDir(target).filePath(file.fileName());
        if (!QFile::copy(file.absoluteFilePath(), copy) || !Folder::syncFile(copy))
            return QStringLiteral("无法复制设置文件 %1").arg(file.fileName());
    }
    return {};
}

void removeDatabaseFiles(const QString& path)
{
    for (const QString& suffix :
        { QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal") })
        QFile::remove(path + suffix);
}

} // namespace

QString Entry::databasePath() const
{
    if (serverDump)
        return QDir(path).filePath(DumpFileName.toString());
    if (incremental)
        return QDir(path).filePath(BackupPages::DeltaFileName.toString());
    return QDir(path).filePath((compressed ? CompressedFileName : DatabaseFileName).toString());
}

Space spaceOn(const QString& folder, qint64 limitMiB)
{
    Space space;
    space.disk = CompressedFile::diskBytes(folder);
    const qint64 disk = std::max<qint64>(space.disk, 0);
    space.limit = limitMiB > 0 ? limitMiB * 1024 * 1024 : disk / 10;
    space.reserve = std::min<qint64>(disk / 20, qint64(2) * 1024 * 1024 * 1024);
    return space;
}

qint64 limitSetting(const QString& dataFolder)
{
    const std::optional<QByteArray> bytes
        = DurableFile::readRegular(QDir(dataFolder).filePath(LimitFileName.toString()), 4096);
    if (!bytes)
        return 0;
    static const QRegularExpression line(
        QStringLiteral("^limitMiB=(\\d{1,9})\\s*$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(*bytes));
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

bool setLimitSetting(const QString& dataFolder, qint64 limitMiB)
{
    const QByteArray text = QStringLiteral("[backup]\nlimitMiB=%1\n").arg(std::max<qint64>(limitMiB, 0)).toUtf8();
    return DurableFile::replace(QDir(dataFolder).filePath(LimitFileName.toString()), text);
}

qint64 sizeOf(const Entry& entry)
{
    return folderBytes(entry.path);
}

QString folderOf(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(FolderName.toString());
}

QList<Entry> list(const QString& folder)
{
    QList<Entry> entries;
    for (const QFileInfo& item : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (const std::optional<Entry> entry = entryOf(item))
            entries.append(*entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
        [](const Entry& a, const Entry& b) { return a.taken != b.taken ? a.taken > b.taken : a.path > b.path; });
    return entries;
}

namespace Folder {

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

// contents.txt: what a compressed backup holds, for choosing one to restore without
// decompressing it, and the size the decompressed file must have.
QByteArray contentsText(
    const Contents& contents, qint64 plainBytes, const QByteArray& digest, qint64 headBytes, const Increment* increment)
{
    QString text;
    text += QStringLiteral("schema=%1\n").arg(contents.schemaVersion);
    text += QStringLiteral("receipts=%1\n").arg(contents.receiptCount);
    text += QStringLiteral("lastReceipt=%1\n").arg(contents.lastReceipt);
    text += QStringLiteral("lastReceiptTime=%1\n").arg(DateTimeText(contents.lastReceiptTime));
    text += QStringLiteral("lastReceiptTotal=%1\n").arg(contents.lastReceiptTotal);
    text += QStringLiteral("bytes=%1\n").arg(plainBytes);
    text += QStringLiteral("checksum=%1\n").arg(QString::fromLatin1(digest.toHex()));
    if (headBytes > 0)
        text += QStringLiteral("checksumHead=%1\n").arg(headBytes);
    if (increment) {
        text += QStringLiteral("base=%1\n").arg(increment->base);
        text += QStringLiteral("baseChecksum=%1\n").arg(QString::fromLatin1(increment->baseDigest.toHex()));
        text += QStringLiteral("databaseBytes=%1\n").arg(increment->databaseBytes);
    }
    return text.toUtf8();
}

// What the next backup in `folder` will take: about what the newest took, or a third of the
// database.
qint64 expectedBytes(const QString& folder, qint64 databaseBytes)
{
    for (const Entry& entry : list(folder)) {
        if ((entry.compressed && !entry.incremental) || entry.serverDump)
            return sizeOf(entry) + sizeOf(entry) / 4;
    }
    return databaseBytes / 3;
}

// The copy reaches the disk before the backup takes its name.
bool syncFile(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

QString clearLeftovers(const QString& targetFolder, const Options& options)
{
    if (!QDir().mkpath(targetFolder))
        return QStringLiteral("无法创建备份文件夹 %1").arg(QDir::toNativeSeparators(targetFolder));
    // What an interrupted backup left behind is no backup; a link of that name leads elsewhere
    // and stays.
    for (const QFileInfo& partial :
        QDir(targetFolder).entryInfoList({ PartialPrefix + u'*' }, QDir::AllEntries | QDir::Hidden | QDir::System)) {
        if (partial.isSymLink()) {
            if (options.notes)
                options.notes->append(linkNote(partial));
        } else if (partial.isDir()) {
            removeOwnFolder(partial.absoluteFilePath());
        }
    }
    return {};
}

QString roomRefusal(
    const QString& targetFolder, qint64 needed, const Space& space, const QDateTime& now, const Options& options)
{
    const auto fits = [&] {
        const qint64 available = CompressedFile::availableBytes(targetFolder);
        return available < 0 || available - needed >= space.reserve;
    };
    if (!fits() && options.makeRoom)
        rotate(targetFolder, now, nullptr, 0);
    if (fits())
        return {};
    return QStringLiteral("磁盘空间不够,没有备份:%1 所在的磁盘只剩 %2 MB,这次备份要用约 %3 MB,"
                          "还要给营业留出 %4 MB。已有的备份都还在。")
        .arg(QDir::toNativeSeparators(targetFolder),
            megabytes(std::max<qint64>(CompressedFile::availableBytes(targetFolder), 0)), megabytes(needed),
            megabytes(space.reserve));
}

Outcome<Partial> start(const QString& targetFolder, const QDateTime& now, Kind kind)
{
    const QDir target(targetFolder);
    const QString base = NamePrefix + now.toString(MomentFormat);
    const QString suffix = kind == Kind::BeforeRestore ? BeforeRestoreSuffix : QString();
    QString name = base + suffix;
    for (int n = 2; QFileInfo::exists(target.filePath(name)) || QFileInfo(target.filePath(name)).isSymLink(); ++n)
        name = base + QStringLiteral("-%1").arg(n) + suffix;
    if (!target.mkdir(PartialPrefix + name))
        return Failure { QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(targetFolder)) };
    return Partial { target.filePath(PartialPrefix + name), target.filePath(name),
        QDateTime::fromString(now.toString(MomentFormat), MomentFormat), kind };
}

QString complete(const Partial& partial, const QByteArray& contents, const QString& dataFolder)
{
    const QString folder = QFileInfo(partial.finalPath).absolutePath();
    if (!DurableFile::replace(QDir(partial.path).filePath(ContentsFileName.toString()), contents))
        return QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(folder));
    if (const QString error = copySettingFiles(dataFolder, partial.path); !error.isEmpty())
        return error;
    if (!DurableFile::renameOver(partial.path, partial.finalPath))
        return QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(folder));
    return {};
}

QString readReceipts(QSqlDatabase& db, Contents& contents)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT count(*), max(id) FROM Receiptform")) || !query.next())
        return DatabaseErrorText(query.lastError());
    contents.receiptCount = query.value(0).toLongLong();
    contents.lastReceipt = query.value(1).toLongLong();
    query.finish();
    if (contents.lastReceipt == 0)
        return {};
    if (!query.prepare(QStringLiteral("SELECT time, alljine FROM Receiptform WHERE id=?")))
        return DatabaseErrorText(query.lastError());
    query.addBindValue(contents.lastReceipt);
    if (!query.exec())
        return DatabaseErrorText(query.lastError());
    if (query.next()) {
        contents.lastReceiptTime = DateTimeFromText(query.value(0).toString());
        contents.lastReceiptTotal = query.value(1).toString();
    }
    return {};
}

void discard(const Partial& partial)
{
    removeOwnFolder(partial.path);
}

} // namespace Folder

namespace {

// A whole copy that an incremental backup builds on.
struct Base
{
    QString name; // of its folder
    QByteArray digest; // of its data.db.zst
    BackupPages::List pages;
    qint64 bytes = 0; // what it takes on the disk
};

// The newest regular whole copy in `folder`, when it was taken in the last MaxBaseAgeDays, its
// list of pages is whole and of the page size of the database at `databasePath`, and the
// newest incremental backup on it takes less than half of what it takes: the incremental
// backups on a copy grow day by day, and a new whole copy is then due.
std::optional<Base> baseFor(const QString& folder, const QString& databasePath, const QDateTime& now)
{
    std::optional<Entry> newestIncrement;
    for (const Entry& entry : list(folder)) {
        if (entry.kind != Kind::Regular || !entry.compressed)
            continue;
        if (entry.incremental) {
            if (!newestIncrement)
                newestIncrement = entry;
            continue;
        }
        if (entry.taken > now || entry.taken.daysTo(now) >= MaxBaseAgeDays)
            return std::nullopt;
        const QDir at(entry.path);
        const std::optional<Described> described = readContentsText(at.path());
        std::optional<BackupPages::List> pages = BackupPages::read(at.filePath(BackupPages::ListFileName.toString()));
        if (!described || described->digest.isEmpty() || !pages
            || pages->pageSize != BackupPages::pageSizeOf(databasePath))
            return std::nullopt;
        Base base { at.dirName(), described->digest, std::move(*pages), sizeOf(entry) };
        if (newestIncrement && newestIncrement->base == base.name && sizeOf(*newestIncrement) * 2 > base.bytes)
            return std::nullopt;
        return base;
    }
    return std::nullopt;
}

} // namespace

Outcome<Entry> make(const QString& databasePath, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, const Options& options)
{
    if (const QString error = Folder::clearLeftovers(targetFolder, options); !error.isEmpty())
        return Failure { error };
    // Room for the compressed copy, above the disk's reserve: nothing else is written.
    const Space space = spaceOn(targetFolder);
    const qint64 databaseBytes
        = QFileInfo(databasePath).size() + QFileInfo(databasePath + QStringLiteral("-wal")).size();
    std::optional<Base> base = options.incremental ? baseFor(targetFolder, databasePath, now) : std::optional<Base>();
    // An incremental backup takes less than half of its whole copy, or the next is a whole copy.
    const auto roomRefusal = [&] {
        const qint64 needed = base ? base->bytes / 2 : Folder::expectedBytes(targetFolder, databaseBytes);
        return Folder::roomRefusal(targetFolder, needed, space, now, options);
    };
    if (const QString refusal = roomRefusal(); !refusal.isEmpty())
        return Failure { refusal };
    // The old backups let go to make room may have taken the whole copy with them.
    if (base && !QFileInfo(QDir(targetFolder).filePath(base->name)).isDir()) {
        base.reset();
        if (const QString refusal = roomRefusal(); !refusal.isEmpty())
            return Failure { refusal };
    }
    const Outcome<Folder::Partial> started = Folder::start(targetFolder, now, options.kind);
    if (!started)
        return started.setback<Entry>();
    const Folder::Partial& partial = started.value();

    const QDir folder(partial.path);
    const QString compressed = folder.filePath((base ? BackupPages::DeltaFileName : CompressedFileName).toString());
    Contents contents;
    BackupPages::List pages;
    CompressedFile::Result packed;
    QString error = copyCompressed(
        databasePath, compressed, options, space.reserve, base ? &base->pages : nullptr, contents, pages, packed);
    const bool diskFull = packed.problem == CompressedFile::Problem::DiskFull;
    if (error.isEmpty()) {
        // Read back from the disk: the checksum of every byte and the size of the copy.
        const CompressedFile::Result back = CompressedFile::readBack(compressed, options.stop, packed.headBytes);
        if (!back.ok())
            error = QStringLiteral("备份的检查没有通过: ") + back.error;
        else if (back.compressedBytes != packed.compressedBytes || back.digest != packed.digest)
            error = QStringLiteral("备份的检查没有通过: 从磁盘读回的备份和写入的不一样");
    }
    if (error.isEmpty()
        && !DurableFile::replace(folder.filePath(BackupPages::ListFileName.toString()), BackupPages::serialized(pages)))
        error = QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(targetFolder));
    if (error.isEmpty()) {
        const Folder::Increment increment { base ? base->name : QString(), base ? base->digest : QByteArray(),
            pages.bytes() };
        error = Folder::complete(partial,
            Folder::contentsText(
                contents, packed.plainBytes, packed.digest, packed.headBytes, base ? &increment : nullptr),
            dataFolder);
    }
    if (!error.isEmpty()) {
        Folder::discard(partial);
        if (diskFull)
            return Failure { QStringLiteral("磁盘空间不够,没有备份:%1 所在的磁盘要给营业留出 %2 MB。已有的备份都还在。")
                                 .arg(QDir::toNativeSeparators(targetFolder), Folder::megabytes(space.reserve)) };
        return Failure { error };
    }
    return Entry { partial.finalPath, partial.taken, options.kind, true, false, base.has_value(),
        base ? base->name : QString() };
}

namespace {

// The folder of the whole copy that the incremental backup `entry` builds on.
QString basePath(const Entry& entry)
{
    return QFileInfo(entry.path).dir().filePath(entry.base);
}

// A whole copy that an incremental backup builds on: its compressed file and what its
// contents.txt says.
struct WholeCopy
{
    QString path;
    Described described;
};

// The whole copy that the incremental backup in `folder`, described by `described`, builds on:
// beside it, and the very copy it was taken against.
std::optional<WholeCopy> baseOf(const QString& folder, const Described& described)
{
    const QDir base(QFileInfo(folder).dir().filePath(described.base));
    const QFileInfo copy(base.filePath(CompressedFileName.toString()));
    if (!described.base.startsWith(NamePrefix) || described.base.contains(u'/') || !copy.isFile() || copy.isSymLink()
        || QFileInfo(base.path()).isSymLink())
        return std::nullopt;
    std::optional<Described> whole = readContentsText(base.path());
    if (!whole || whole->digest != described.baseDigest)
        return std::nullopt;
    return WholeCopy { copy.filePath(), std::move(*whole) };
}

QString missingBaseText(const QString& base)
{
    return QStringLiteral("这是增量备份,只记下了完整备份 %1 之后改动的数据,要和它一起恢复;"
                          "可是那个完整备份已经不在了(或者已经不是原来的了)。")
        .arg(base);
}

} // namespace

QStringList rotate(const QString& folder, const QDateTime& now, QStringList* removed, qint64 limit)
{
    QStringList notes;
    for (const QFileInfo& item :
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (item.isSymLink())
            notes << linkNote(item);
    }
    const QList<Entry> all = list(folder);
    QList<Entry> regular;
    for (const Entry& entry : all) {
        if (entry.kind == Kind::Regular)
            regular.append(entry);
    }
    QList<QDateTime> taken;
    for (const Entry& entry : std::as_const(regular))
        taken.append(entry.taken);
    QSet<QString> gone;
    const auto remove = [&](const QString& path) {
        if (removeOwnFolder(path)) {
            gone.insert(path);
            if (removed)
                removed->append(path);
        } else {
            notes << QStringLiteral("无法删除旧备份 %1").arg(QDir::toNativeSeparators(path));
        }
    };
    QSet<QString> leaving;
    for (qsizetype index : BackupRotation::toRemove(taken, now))
        leaving.insert(regular[index].path);
    // A whole copy stays while an incremental backup that stays builds on it.
    for (const Entry& entry : all) {
        if (entry.incremental && !leaving.contains(entry.path))
            leaving.remove(basePath(entry));
    }
    for (const Entry& entry : std::as_const(regular)) {
        if (leaving.contains(entry.path))
            remove(entry.path);
    }

    if (limit > 0 && !all.isEmpty()) {
        qint64 total = 0;
        for (const Entry& entry : all) {
            if (!gone.contains(entry.path))
                total += sizeOf(entry);
        }
        // The oldest first; the newest backup stays whatever it takes.
        for (qsizetype index = regular.size() - 1; index >= 0 && total > limit; --index) {
            const Entry& entry = regular[index];
            if (gone.contains(entry.path) || entry.path == all.first().path)
                continue;
            // A whole copy goes with the incremental backups on it, unless the newest is one.
            QList<Entry> group;
            for (const Entry& other : all) {
                if (!entry.incremental && other.incremental && !gone.contains(other.path)
                    && basePath(other) == entry.path)
                    group.append(other);
            }
            if (std::any_of(group.cbegin(), group.cend(),
                    [&all](const Entry& member) { return member.path == all.first().path; }))
                continue;
            group.append(entry);
            for (const Entry& member : std::as_const(group)) {
                const qint64 bytes = sizeOf(member);
                remove(member.path);
                if (gone.contains(member.path))
                    total -= bytes;
            }
        }
    }
    return notes;
}

Outcome<Contents> inspect(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return Failure { QStringLiteral("找不到文件 %1").arg(QDir::toNativeSeparators(path)) };
    if (path.endsWith(QStringLiteral(".zst")) || path.endsWith(QStringLiteral(".dump"))) {
        const std::optional<Described> described = readContentsText(file.absolutePath());
        if (!described)
            return Failure { QStringLiteral("备份中缺少 %1").arg(ContentsFileName) };
        if (described->contents.schemaVersion > Database::SchemaVersion)
            return Failure {
                QStringLiteral("这个备份来自更新版本的程序(数据库版本 %1)").arg(described->contents.schemaVersion)
            };
        if (!described->base.isEmpty() && !baseOf(file.absolutePath(), *described))
            return Failure { missingBaseText(described->base) };
        return described->contents;
    }
    Contents contents;
    const QString error
        = onReadOnlyConnection(path, {}, [&contents](QSqlDatabase& db) { return readContents(db, contents); });
    if (!error.isEmpty())
        return Failure { error };
    return contents;
}

QStringList problems(const QString& path, const HandleWatcher& watcher)
{
    const DatabaseCheck::Verdict verdict
        = DatabaseCheck::run(path, watcher, DatabaseCheck::Depth::Thorough, DatabaseCheck::Scope::Pages);
    if (!verdict.error.isEmpty())
        return { verdict.error };
    return verdict.problems;
}

namespace {

// Whether the compressed file at `path`, read back from the disk, is what `described` says was
// written (a file described without a digest passes).
bool sameOnDisk(const QString& path, const Described& described)
{
    if (described.digest.isEmpty())
        return true;
    const CompressedFile::Result back = CompressedFile::readBack(path, nullptr, described.headBytes,
        described.digest.size() == 8 ? CompressedFile::DigestKind::Fast : CompressedFile::DigestKind::Blake2b);
    return !back.ok() || back.digest == described.digest;
}

// Decompresses the whole copy at `compressed` into the new file `target`: the bytes on the
// disk are those written, then their content is checked as it is decompressed.
RestoreProblem unpack(const QString& compressed, const std::optional<Described>& described, const QString& target)
{
    if (described && !sameOnDisk(compressed, *described))
        return { QStringLiteral("备份文件的校验和不对"), false };
    const CompressedFile::Result unpacked = CompressedFile::decompress(compressed, target);
    RestoreProblem problem { unpacked.error, unpacked.problem == CompressedFile::Problem::DiskFull };
    if (problem.error.isEmpty() && described && unpacked.plainBytes != described->plainBytes)
        problem.error = QStringLiteral("备份的大小不对");
    return problem;
}

} // namespace

RestoreProblem prepareRestore(const QString& backupDatabase, const QString& candidatePath)
{
    removeDatabaseFiles(candidatePath);
    if (backupDatabase.endsWith(QStringLiteral(".dump")))
        return { DumpRestoreText.toString(), false };
    const QString candidateFolder = QFileInfo(candidatePath).absolutePath();
    RestoreProblem problem;
    qint64 needed = QFileInfo(backupDatabase).size();
    const QString backupFolder = QFileInfo(backupDatabase).absolutePath();
    if (backupDatabase.endsWith(BackupPages::DeltaFileName.toString())) {
        const std::optional<Described> described = readContentsText(backupFolder);
        if (!described || described->base.isEmpty())
            return { QStringLiteral("备份中缺少 %1").arg(ContentsFileName), false };
        needed = described->databaseBytes;
        const std::optional<WholeCopy> base = baseOf(backupFolder, *described);
        if (!base)
            return { missingBaseText(described->base), false };
        // The whole copy, then the pages changed since, then every page as it was backed up.
        problem = unpack(base->path, base->described, candidatePath);
        if (problem.error.isEmpty() && !sameOnDisk(backupDatabase, *described))
            problem.error = QStringLiteral("备份文件的校验和不对");
        if (problem.error.isEmpty())
            problem.error = BackupPages::apply(backupDatabase, candidatePath);
        if (problem.error.isEmpty()) {
            const std::optional<BackupPages::List> pages
                = BackupPages::read(QDir(backupFolder).filePath(BackupPages::ListFileName.toString()));
            problem.error = pages ? BackupPages::verify(candidatePath, *pages)
                                  : QStringLiteral("备份中缺少 %1").arg(BackupPages::ListFileName);
        }
    } else if (backupDatabase.endsWith(QStringLiteral(".zst"))) {
        const std::optional<Described> described = readContentsText(backupFolder);
        if (described)
            needed = described->plainBytes;
        problem = unpack(backupDatabase, described, candidatePath);
    } else {
        problem.error = copyDatabase(backupDatabase, candidatePath, {});
    }
    if (problem.error.isEmpty()) {
        Database candidate;
        if (!candidate.open(candidatePath))
            problem.error = candidate.lastError();
        else if (const QString broken = VerifyChains(candidate); !broken.isEmpty())
            problem.error = broken;
        else
            problem.error = candidate.closeIntoOneFile();
    }
    if (problem.error.isEmpty()) {
        if (const QStringList found = problems(candidatePath); !found.isEmpty())
            problem.error = found.mid(0, 3).join(u'\n');
    }
    if (problem.error.isEmpty() && !Folder::syncFile(candidatePath))
        problem.error = QStringLiteral("恢复的数据没有写到磁盘上");
    if (!problem.error.isEmpty()) {
        removeDatabaseFiles(candidatePath);
        // Whatever failed on the way, a disk without room for the file is why: the backup itself
        // may well be sound.
        const qint64 available = CompressedFile::availableBytes(candidateFolder);
        if (available >= 0 && available < needed + needed / 10 + 1024 * 1024)
            problem.diskFull = true;
    }
    return problem;
}

QString putInPlace(const QString& candidatePath, const QString& databasePath)
{
    // A log left beside the old file would be read into the new one.
    for (const QString& suffix : { QStringLiteral("-wal"), QStringLiteral("-shm") }) {
        if (QFileInfo::exists(databasePath + suffix) && !QFile::remove(databasePath + suffix))
            return QStringLiteral("无法删除 %1").arg(QDir::toNativeSeparators(databasePath + suffix));
    }
    if (!DurableFile::renameOver(candidatePath, databasePath))
        return QStringLiteral("无法把恢复的数据放到 %1").arg(QDir::toNativeSeparators(databasePath));
    return {};
}

} // namespace Backups
