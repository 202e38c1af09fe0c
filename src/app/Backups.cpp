#include "app/Backups.h"

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
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

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
    const bool compressed = isOwnFile(CompressedFileName);
    const bool serverDump = !compressed && isOwnFile(DumpFileName);
    if (!compressed && !serverDump && !isOwnFile(DatabaseFileName))
        return std::nullopt;
    return Entry { folder.absoluteFilePath(), taken, match.hasCaptured(3) ? Kind::BeforeRestore : Kind::Regular,
        compressed, serverDump };
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

constexpr int PagesPerStep = 1024; // 4 MB of pages of 4 KB
// A desk writing faster than the copy runs restarts it; the third run copies in one read.
constexpr int RestartsBeforeOneRead = 2;

// SQLite's online backup of the database at `source` into the new file `target`, a few MB at
// a time: between two steps the copy holds no read of the file, so the desk's log is folded
// back in as usual. A step that meets the desk's writes starts the copy again.
QString copyOnline(
    const QString& source, const QString& target, const Options& options, qint64 keepFree, bool* diskFull)
{
    if (!QFileInfo(source).isFile())
        return QStringLiteral("找不到数据库文件 %1").arg(QDir::toNativeSeparators(source));
    return onReadOnlyConnection(source, options.watcher, [&](QSqlDatabase& db) {
        sqlite3* to = nullptr;
        if (sqlite3_open_v2(
                QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            != SQLITE_OK) {
            sqlite3_close(to);
            return QStringLiteral("无法写入 %1").arg(QDir::toNativeSeparators(target));
        }
        // The pages are read through a map of the file rather than a call each.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size=2147418112"));
        // A scratch copy: it is synced once compressed, not page by page.
        sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        QString error;
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", SqliteWorkerThread::handleOf(db), "main");
        if (!backup) {
            error = QString::fromUtf8(sqlite3_errmsg(to));
        } else {
            int restarts = 0;
            int remaining = -1;
            int busy = 0;
            int result = SQLITE_OK;
            for (;;) {
                if (options.stop && options.stop->load()) {
                    error = QStringLiteral("已停止");
                    break;
                }
                result = sqlite3_backup_step(backup, restarts >= RestartsBeforeOneRead ? -1 : PagesPerStep);
                if (result == SQLITE_DONE)
                    break;
                if (result == SQLITE_BUSY || result == SQLITE_LOCKED) {
                    if (++busy > 150) // 3 s
                        break;
                    QThread::msleep(20);
                    continue;
                }
                if (result != SQLITE_OK)
                    break;
                busy = 0;
                const int left = sqlite3_backup_remaining(backup);
                if (remaining >= 0 && left > remaining)
                    ++restarts;
                remaining = left;
                if (keepFree > 0 && CompressedFile::availableBytes(target) < keepFree) {
                    *diskFull = true;
                    break;
                }
            }
            sqlite3_backup_finish(backup);
            if (error.isEmpty() && !*diskFull && result != SQLITE_DONE) {
                *diskFull = result == SQLITE_FULL;
                error = QString::fromUtf8(sqlite3_errstr(result));
            }
        }
        if (error.isEmpty() && sqlite3_errcode(to) == SQLITE_FULL)
            *diskFull = true;
        sqlite3_close(to);
        if (*diskFull)
            return QStringLiteral("磁盘空间不够");
        return error;
    });
}

struct Described
{
    Contents contents;
    qint64 plainBytes = -1;
    QByteArray digest; // of data.db.zst
};

std::optional<Described> readContentsText(const QString& path)
{
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path, 64 * 1024);
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
    described.plainBytes = values.value(QStringLiteral("bytes")).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return described;
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
QByteArray contentsText(const Contents& contents, qint64 plainBytes, const QByteArray& digest)
{
    QString text;
    text += QStringLiteral("schema=%1\n").arg(contents.schemaVersion);
    text += QStringLiteral("receipts=%1\n").arg(contents.receiptCount);
    text += QStringLiteral("lastReceipt=%1\n").arg(contents.lastReceipt);
    text += QStringLiteral("lastReceiptTime=%1\n").arg(DateTimeText(contents.lastReceiptTime));
    text += QStringLiteral("lastReceiptTotal=%1\n").arg(contents.lastReceiptTotal);
    text += QStringLiteral("bytes=%1\n").arg(plainBytes);
    text += QStringLiteral("checksum=%1\n").arg(QString::fromLatin1(digest.toHex()));
    return text.toUtf8();
}

// What the next backup in `folder` will take: about what the newest took, or a third of the
// database.
qint64 expectedBytes(const QString& folder, qint64 databaseBytes)
{
    for (const Entry& entry : list(folder)) {
        if (entry.compressed || entry.serverDump)
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

Outcome<Entry> make(const QString& databasePath, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, const Options& options)
{
    if (const QString error = Folder::clearLeftovers(targetFolder, options); !error.isEmpty())
        return Failure { error };
    // Room for the scratch copy and the compressed one, above the disk's reserve.
    const Space space = spaceOn(targetFolder);
    const qint64 databaseBytes
        = QFileInfo(databasePath).size() + QFileInfo(databasePath + QStringLiteral("-wal")).size();
    const qint64 needed = databaseBytes + Folder::expectedBytes(targetFolder, databaseBytes);
    if (const QString refusal = Folder::roomRefusal(targetFolder, needed, space, now, options); !refusal.isEmpty())
        return Failure { refusal };
    const Outcome<Folder::Partial> started = Folder::start(targetFolder, now, options.kind);
    if (!started)
        return started.setback<Entry>();
    const Folder::Partial& partial = started.value();

    const QString scratch = QDir(partial.path).filePath(DatabaseFileName.toString());
    const QString compressed = QDir(partial.path).filePath(CompressedFileName.toString());
    bool diskFull = false;
    QString error = copyOnline(databasePath, scratch, options, space.reserve, &diskFull);
    Contents contents;
    if (error.isEmpty()) {
        // The scratch copy is one committed state: what it holds is what the backup holds.
        if (const Outcome<Contents> read = inspect(scratch); read)
            contents = read.value();
        else
            error = read.text();
    }
    CompressedFile::Result packed;
    if (error.isEmpty()) {
        packed = CompressedFile::compress(scratch, compressed, space.reserve, options.stop);
        diskFull = packed.problem == CompressedFile::Problem::DiskFull;
        error = packed.error;
    }
    removeDatabaseFiles(scratch);
    if (error.isEmpty()) {
        // Read back from the disk: the checksum of every byte and the size of the copy.
        const CompressedFile::Result back = CompressedFile::readBack(compressed, options.stop);
        if (!back.ok())
            error = QStringLiteral("备份的检查没有通过: ") + back.error;
        else if (back.compressedBytes != packed.compressedBytes || back.digest != packed.digest)
            error = QStringLiteral("备份的检查没有通过: 从磁盘读回的备份和写入的不一样");
    }
    if (error.isEmpty())
        error = Folder::complete(partial, Folder::contentsText(contents, packed.plainBytes, packed.digest), dataFolder);
    if (!error.isEmpty()) {
        Folder::discard(partial);
        if (diskFull)
            return Failure { QStringLiteral("磁盘空间不够,没有备份:%1 所在的磁盘要给营业留出 %2 MB。已有的备份都还在。")
                                 .arg(QDir::toNativeSeparators(targetFolder), Folder::megabytes(space.reserve)) };
        return Failure { error };
    }
    return Entry { partial.finalPath, partial.taken, options.kind, true };
}

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
    for (qsizetype index : BackupRotation::toRemove(taken, now))
        remove(regular[index].path);

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
            const qint64 bytes = sizeOf(entry);
            remove(entry.path);
            if (gone.contains(entry.path))
                total -= bytes;
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
        const std::optional<Described> described
            = readContentsText(QDir(file.absolutePath()).filePath(ContentsFileName.toString()));
        if (!described)
            return Failure { QStringLiteral("备份中缺少 %1").arg(ContentsFileName) };
        if (described->contents.schemaVersion > Database::SchemaVersion)
            return Failure {
                QStringLiteral("这个备份来自更新版本的程序(数据库版本 %1)").arg(described->contents.schemaVersion)
            };
        return described->contents;
    }
    Contents contents;
    const QString error = onReadOnlyConnection(path, {}, [&contents](QSqlDatabase& db) {
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
    });
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

RestoreProblem prepareRestore(const QString& backupDatabase, const QString& candidatePath)
{
    removeDatabaseFiles(candidatePath);
    if (backupDatabase.endsWith(QStringLiteral(".dump")))
        return { DumpRestoreText.toString(), false };
    const QString candidateFolder = QFileInfo(candidatePath).absolutePath();
    RestoreProblem problem;
    qint64 needed = QFileInfo(backupDatabase).size();
    if (backupDatabase.endsWith(QStringLiteral(".zst"))) {
        const std::optional<Described> described
            = readContentsText(QDir(QFileInfo(backupDatabase).absolutePath()).filePath(ContentsFileName.toString()));
        if (described)
            needed = described->plainBytes;
        // The bytes on the disk are those written; then their content is checked as it is
        // decompressed.
        if (described && !described->digest.isEmpty()) {
            const CompressedFile::Result back = CompressedFile::readBack(backupDatabase);
            if (back.ok() && back.digest != described->digest)
                return { QStringLiteral("备份文件的校验和不对"), false };
        }
        const CompressedFile::Result unpacked = CompressedFile::decompress(backupDatabase, candidatePath);
        problem.diskFull = unpacked.problem == CompressedFile::Problem::DiskFull;
        problem.error = unpacked.error;
        if (problem.error.isEmpty() && described && unpacked.plainBytes != described->plainBytes)
            problem.error = QStringLiteral("备份的大小不对");
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
