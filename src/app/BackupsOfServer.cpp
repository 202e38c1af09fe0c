// Backups of a house kept on a PostgreSQL server: the server's own dump, taken by pg_dump.

#include "app/Backups.h"
#include "app/BackupsFolder.h"
#include "app/Database.h"
#include "app/Schema.h"
#include "app/TextFormat.h"

#include <QAtomicInt>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <functional>

namespace Backups {

namespace {

// The client programs of the newest PostgreSQL installed: Debian's wrappers in the PATH, or
// the versioned folder when only that is there. A dump needs a pg_dump at least as new as the
// server.
QString clientProgram(const QString& name)
{
    if (const QString found = QStandardPaths::findExecutable(name); !found.isEmpty())
        return found;
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList installed = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(
        installed.begin(), installed.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& version : std::as_const(installed)) {
        const QString path = versions.filePath(version + QStringLiteral("/bin/") + name);
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

QString missingProgramText(const QString& name)
{
    return QStringLiteral("找不到程序 %1:请安装 postgresql-client-15(sudo apt install postgresql-client-15)。")
        .arg(name);
}

// What a client program said when it failed: its last lines, without the program's name.
QString failureText(QProcess& process, const QString& name)
{
    QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    said.remove(QRegularExpression(QStringLiteral("^%1: ").arg(name), QRegularExpression::MultilineOption));
    const QStringList lines = said.split(u'\n', Qt::SkipEmptyParts);
    said = lines.mid(std::max<qsizetype>(0, lines.size() - 3)).join(u'\n');
    if (process.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("%1 意外中止").arg(name);
    return said.isEmpty() ? QStringLiteral("%1 出错(退出码 %2)").arg(name).arg(process.exitCode()) : said;
}

// Runs a client program to its end; empty when it succeeded, otherwise why not. A set `stop`
// ends it early.
QString runProgram(QProcess& process, const QString& name, const QStringList& arguments, const Options& options)
{
    const auto stopped = [&options] { return options.stop && options.stop->load(); };
    if (stopped())
        return QStringLiteral("已停止");
    const QString program = clientProgram(name);
    if (program.isEmpty())
        return missingProgramText(name);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(10'000))
        return missingProgramText(name);
    while (!process.waitForFinished(200)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (stopped()) {
            process.kill();
            process.waitForFinished(5'000);
            return QStringLiteral("已停止");
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return failureText(process, name);
    return {};
}

QProcessEnvironment clientEnvironment(const ServerLogin& server)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!server.password.isEmpty())
        environment.insert(QStringLiteral("PGPASSWORD"), server.password);
    return environment;
}

// A connection of its own to the server for the length of `work`; returns the error text of
// opening it, or what `work` returns.
QString onServerConnection(const ServerLogin& server, const std::function<QString(QSqlDatabase&)>& work)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("tavrel-dump-%1").arg(counter.fetchAndAddRelaxed(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        server.address.configure(db);
        db.setPassword(server.password);
        if (!db.open())
            error = QStringLiteral("无法连接数据库服务器:%1").arg(DatabaseErrorText(db.lastError()));
        else
            error = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

// What the house holds, read in the transaction whose snapshot the dump takes.
QString readContents(QSqlDatabase& db, Contents& contents, qint64& databaseBytes)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT max(version) FROM %1").arg(QLatin1String(Schema::ServerVersionTable)))
        || !query.next())
        return DatabaseErrorText(query.lastError());
    contents.schemaVersion = query.value(0).toInt();
    if (!query.exec(QStringLiteral("SELECT pg_database_size(current_database())")) || !query.next())
        return DatabaseErrorText(query.lastError());
    databaseBytes = query.value(0).toLongLong();
    query.finish();
    return Folder::readReceipts(db, contents);
}

// pg_restore reads the dump's table of contents: a dump cut short or damaged is refused, and
// the house's receipts and log must be in it.
QString listDump(const QString& path, const Options& options)
{
    QProcess process;
    if (QString error = runProgram(process, QStringLiteral("pg_restore"), { QStringLiteral("--list"), path }, options);
        !error.isEmpty())
        return QStringLiteral("备份的检查没有通过: ") + error;
    const QString list = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& table : { QStringLiteral("receiptform"), QStringLiteral("operator_log") }) {
        if (!QRegularExpression(QStringLiteral("TABLE DATA \\S+ %1 ").arg(table)).match(list).hasMatch())
            return QStringLiteral("备份的检查没有通过: 备份中没有表 %1").arg(table);
    }
    return {};
}

std::optional<QByteArray> digestOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return std::nullopt;
    return hash.result();
}

} // namespace

Outcome<Entry> dump(const ServerLogin& server, const QString& dataFolder, const QString& targetFolder,
    const QDateTime& now, const Options& options)
{
    if (const QString error = Folder::clearLeftovers(targetFolder, options); !error.isEmpty())
        return Failure { error };
    std::optional<Folder::Partial> partial;
    Contents contents;
    const QString error = onServerConnection(server, [&](QSqlDatabase& db) -> QString {
        // One committed state: pg_dump takes the snapshot of this transaction, which reads what
        // contents.txt says, and holds it until the dump is written.
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
            return DatabaseErrorText(query.lastError());
        if (!query.exec(QStringLiteral("SELECT pg_export_snapshot()")) || !query.next())
            return DatabaseErrorText(query.lastError());
        const QString snapshot = query.value(0).toString();
        qint64 databaseBytes = 0;
        if (QString read = readContents(db, contents, databaseBytes); !read.isEmpty())
            return read;

        const Space space = spaceOn(targetFolder);
        if (QString refusal = Folder::roomRefusal(
                targetFolder, Folder::expectedBytes(targetFolder, databaseBytes), space, now, options);
            !refusal.isEmpty())
            return refusal;
        const Outcome<Folder::Partial> started = Folder::start(targetFolder, now, options.kind);
        if (!started)
            return started.text();
        partial = started.value();

        const QString file = QDir(partial->path).filePath(DumpFileName.toString());
        QProcess process;
        process.setProcessEnvironment(clientEnvironment(server));
        QString failed = runProgram(process, QStringLiteral("pg_dump"),
            { QStringLiteral("--format=custom"), QStringLiteral("--no-password"),
                QStringLiteral("--snapshot=") + snapshot, QStringLiteral("--file=") + file,
                QStringLiteral("--dbname=") + server.address.url() },
            options);
        query.exec(QStringLiteral("ROLLBACK"));
        return failed;
    });
    const auto fail = [&](const QString& text) -> Outcome<Entry> {
        if (partial)
            Folder::discard(*partial);
        return Failure { text };
    };
    if (!error.isEmpty())
        return fail(error);

    const QString file = QDir(partial->path).filePath(DumpFileName.toString());
    if (!Folder::syncFile(file))
        return fail(QStringLiteral("无法在 %1 中写入备份").arg(QDir::toNativeSeparators(targetFolder)));
    if (const QString listed = listDump(file, options); !listed.isEmpty())
        return fail(listed);
    const std::optional<QByteArray> digest = digestOf(file);
    if (!digest)
        return fail(QStringLiteral("备份的检查没有通过: 读不出 %1").arg(QDir::toNativeSeparators(file)));
    if (const QString completed
        = Folder::complete(*partial, Folder::contentsText(contents, QFileInfo(file).size(), *digest), dataFolder);
        !completed.isEmpty())
        return fail(completed);
    return Entry { partial->finalPath, partial->taken, options.kind, false, true, false, {} };
}

} // namespace Backups
