#include "app/Backups.h"

#include "app/BackupRotation.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/DurableFile.h"
#include "app/RecordChain.h"
#include "app/TextFormat.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

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
    if (!taken.isValid() || !QFileInfo(folder.absoluteFilePath() + u'/' + DatabaseFileName).isFile())
        return std::nullopt;
    return Entry { folder.absoluteFilePath(), taken, match.hasCaptured(3) ? Kind::BeforeRestore : Kind::Regular };
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
                watcher(*static_cast<sqlite3* const*>(db.driver()->handle().constData()));
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

QString copySettingFiles(const QString& dataFolder, const QString& target)
{
    const QDir from(dataFolder);
    for (const QFileInfo& file : from.entryInfoList(SettingFilePatterns, QDir::Files)) {
        const QString copy = QDir(target).filePath(file.fileName());
        if (!QFile::copy(file.absoluteFilePath(), copy) || !syncFile(copy))
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
    return QDir(path).filePath(DatabaseFileName.toString());
}

QString folderOf(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(FolderName.toString());
}

QList<Entry> list(const QString& folder)
{
    QList<Entry> entries;
    for (const QFileInfo& item : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (const std::optional<Entry> entry = entryOf(item))
            entries.append(*entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
        [](const Entry& a, const Entry& b) { return a.taken != b.taken ? a.taken > b.taken : a.path > b.path; });
    return entries;
}

Outcome<Entry> make(const QString& databasePath, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, Kind kind, const HandleWatcher& watcher)
{
    QDir target(targetFolder);
    if (!QDir().mkpath(targetFolder))
        return Failure { QStringLiteral("无法创建备份文件夹 %1").arg(QDir::toNativeSeparators(targetFolder)) };
    // What an interrupted backup left behind is no backup.
    for (const QString& partial : target.entryList({ PartialPrefix + u'*' }, QDir::Dirs | QDir::Hidden))
        QDir(target.filePath(partial)).removeRecursively();

    const QString base = NamePrefix + now.toString(MomentFormat);
    const QString suffix = kind == Kind::BeforeRestore ? BeforeRestoreSuffix : QString();
    QString name = base + suffix;
    for (int n = 2; target.exists(name); ++n)
        name = base + QStringLiteral("-%1").arg(n) + suffix;
    const QString partial = target.filePath(PartialPrefix + name);
    if (!target.mkdir(PartialPrefix + name))
        return Failure { QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(targetFolder)) };

    const QString copy = QDir(partial).filePath(DatabaseFileName.toString());
    QString error = copyDatabase(databasePath, copy, watcher);
    if (error.isEmpty() && !syncFile(copy))
        error = QStringLiteral("备份没有写到磁盘上");
    if (error.isEmpty()) {
        if (const QStringList found = problems(copy, watcher); !found.isEmpty())
            error = QStringLiteral("备份的检查没有通过: ") + found.mid(0, 3).join(QStringLiteral("; "));
    }
    if (error.isEmpty())
        error = copySettingFiles(dataFolder, partial);
    const QString finalPath = target.filePath(name);
    if (error.isEmpty() && !DurableFile::renameOver(partial, finalPath))
        error = QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(targetFolder));
    if (!error.isEmpty()) {
        QDir(partial).removeRecursively();
        return Failure { error };
    }
    return Entry { finalPath, QDateTime::fromString(now.toString(MomentFormat), MomentFormat), kind };
}

QStringList rotate(const QString& folder, const QDateTime& now, QStringList* removed)
{
    QList<Entry> regular;
    for (const Entry& entry : list(folder)) {
        if (entry.kind == Kind::Regular)
            regular.append(entry);
    }
    QList<QDateTime> taken;
    for (const Entry& entry : std::as_const(regular))
        taken.append(entry.taken);
    QStringList failures;
    for (qsizetype index : BackupRotation::toRemove(taken, now)) {
        const QString path = regular[index].path;
        if (QDir(path).removeRecursively()) {
            if (removed)
                removed->append(path);
        } else {
            failures << QStringLiteral("无法删除旧备份 %1").arg(QDir::toNativeSeparators(path));
        }
    }
    return failures;
}

Outcome<Contents> inspect(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return Failure { QStringLiteral("找不到文件 %1").arg(QDir::toNativeSeparators(path)) };
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
        if (!query.exec(QStringLiteral("SELECT count(*), max(id) FROM Receiptform")) || !query.next())
            return DatabaseErrorText(query.lastError());
        contents.receiptCount = query.value(0).toLongLong();
        contents.lastReceipt = query.value(1).toLongLong();
        query.finish();
        if (contents.lastReceipt == 0)
            return QString();
        if (!query.prepare(QStringLiteral("SELECT time, alljine FROM Receiptform WHERE id=?")))
            return DatabaseErrorText(query.lastError());
        query.addBindValue(contents.lastReceipt);
        if (!query.exec())
            return DatabaseErrorText(query.lastError());
        if (query.next()) {
            contents.lastReceiptTime = DateTimeFromText(query.value(0).toString());
            contents.lastReceiptTotal = query.value(1).toString();
        }
        return QString();
    });
    if (!error.isEmpty())
        return Failure { error };
    return contents;
}

QStringList problems(const QString& path, const HandleWatcher& watcher)
{
    const DatabaseCheck::Verdict verdict = DatabaseCheck::run(path, watcher, DatabaseCheck::Scope::Pages);
    if (!verdict.error.isEmpty())
        return { verdict.error };
    return verdict.problems;
}

QString prepareRestore(const QString& backupDatabase, const QString& candidatePath)
{
    removeDatabaseFiles(candidatePath);
    QString error = copyDatabase(backupDatabase, candidatePath, {});
    if (error.isEmpty()) {
        Database candidate;
        if (!candidate.open(candidatePath))
            error = candidate.lastError();
        else if (const QString broken = VerifyChains(candidate); !broken.isEmpty())
            error = broken;
        else
            error = candidate.closeIntoOneFile();
    }
    if (error.isEmpty()) {
        if (const QStringList found = problems(candidatePath); !found.isEmpty())
            error = found.mid(0, 3).join(u'\n');
    }
    if (error.isEmpty() && !syncFile(candidatePath))
        error = QStringLiteral("恢复的数据没有写到磁盘上");
    if (!error.isEmpty())
        removeDatabaseFiles(candidatePath);
    return error;
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
